// Benchmark helper: in-memory CRC-32 speed per variant, and the best single pass per algorithm over a file.
//
//   pass_limit crc-mem            GB/s of every usable CRC-32 variant, cache-resident and from RAM
//   pass_limit passes FILE [N]    for the read alone (READ), CRC-32, MD5, SHA-1, SHA-256 and
//                                 SHA-512, N passes over FILE with each read(2) size of 64 KiB,
//                                 256 KiB and 1 MiB; one line "pass ALGO READSIZE WALL_SECONDS
//                                 CPU_SECONDS" each, with the CRC-32 variant's name after it on
//                                 the CRC32 lines
//
// A pass here is the cheapest way to compute one checksum of a file with one read of it:
// large reads straight into an aligned buffer, each CRC-32 variant on this CPU's instructions
// (the fastest of them counts), OpenSSL's EVP fed whole reads. Less the read alone, each is what
// one algorithm costs; the best split of the five over the cores, plus one read, is what a run
// that reads once and hashes on every core cannot beat.
#include <fcntl.h>
#include <openssl/evp.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/crc32.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

// Keeps the CRC loops from being optimised away.
volatile std::uint32_t g_sink;

int CrcMem() {
  const auto variants = tav::Crc32Variants();
  const unsigned features = tav::Crc32CpuFeatures();
  const tav::Crc32Fn chosen = tav::PickCrc32(features).fn;
  struct Setting {
    const char* what;
    std::size_t buffer;
    std::size_t total;
  };
  const Setting settings[] = {{"256 KiB buffer (cache)", 256u << 10, 2ull << 30},
                              {"256 MiB buffer (RAM)", 256u << 20, 2ull << 30}};
  for (const Setting& s : settings) {
    std::vector<std::uint8_t> data(s.buffer);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 131 + (i >> 9));
    for (std::size_t v = 0; v < variants.size(); ++v) {
      if (!variants[v].RunsOn(features)) continue;
      // The byte-at-a-time reference is slow: give it a sixteenth of the work.
      const std::size_t total = v == 0 ? s.total / 16 : s.total;
      std::uint32_t crc = 0;
      double best = 1e9;
      for (int round = 0; round < 3; ++round) {
        const auto start = Clock::now();
        for (std::size_t done = 0; done < total; done += s.buffer)
          crc = variants[v].fn(crc, data.data(), data.size());
        best = std::min(best, Seconds(start));
      }
      g_sink = crc;
      std::printf("crc-mem %-16s %-24s %7.2f GB/s%s\n", variants[v].name, s.what,
                  total / best / 1e9, variants[v].fn == chosen ? "  <- in use" : "");
    }
  }
  return 0;
}

// Wall-clock and CPU (user + system) seconds of one pass.
struct Times {
  double wall, cpu;
};

double CpuSeconds() {
  timespec t;
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
}

// One pass over `path` with reads of `chunk` bytes; `update` consumes each read.
template <typename Update>
Times Pass(const char* path, std::size_t chunk, std::uint8_t* buffer, Update update) {
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    std::perror(path);
    std::exit(1);
  }
  const auto start = Clock::now();
  const double cpuStart = CpuSeconds();
  for (;;) {
    const ssize_t got = ::read(fd, buffer, chunk);
    if (got <= 0) break;
    update(buffer, static_cast<std::size_t>(got));
  }
  const Times t{Seconds(start), CpuSeconds() - cpuStart};
  ::close(fd);
  return t;
}

// The CRC-32 variants a limit pass tries: every one that runs on this CPU's own instructions,
// since which of them is fastest depends on the CPU (the dispatch's choice may not be), and
// the portable code where there is none.
std::vector<const tav::Crc32Variant*> CrcCandidates() {
  const unsigned features = tav::Crc32CpuFeatures();
  std::vector<const tav::Crc32Variant*> candidates;
  for (const tav::Crc32Variant& v : tav::Crc32Variants())
    if (v.needs != 0 && v.RunsOn(features)) candidates.push_back(&v);
  if (candidates.empty()) candidates.push_back(&tav::PickCrc32(features));
  return candidates;
}

int Passes(const char* path, int rounds) {
  const std::size_t sizes[] = {64u << 10, 256u << 10, 1u << 20};
  auto* buffer = static_cast<std::uint8_t*>(std::aligned_alloc(4096, 1u << 20));
  // The read alone: what every pass pays before it hashes a byte.
  for (int round = 0; round < rounds; ++round) {
    for (const std::size_t size : sizes) {
      const Times t = Pass(path, size, buffer, [](const std::uint8_t*, std::size_t) {});
      std::printf("pass READ %zu %.4f %.4f\n", size, t.wall, t.cpu);
    }
  }
  for (const tav::Crc32Variant* v : CrcCandidates()) {
    for (int round = 0; round < rounds; ++round) {
      for (const std::size_t size : sizes) {
        std::uint32_t value = 0;
        const Times t = Pass(path, size, buffer, [&](const std::uint8_t* p, std::size_t n) {
          value = v->fn(value, p, n);
        });
        g_sink = value;
        std::printf("pass CRC32 %zu %.4f %.4f %s\n", size, t.wall, t.cpu, v->name);
      }
    }
  }
  for (const char* name : {"MD5", "SHA1", "SHA256", "SHA512"}) {
    EVP_MD* md = EVP_MD_fetch(nullptr, name, nullptr);
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    for (int round = 0; round < rounds; ++round) {
      for (const std::size_t size : sizes) {
        EVP_DigestInit_ex2(ctx, md, nullptr);
        const Times t = Pass(path, size, buffer, [&](const std::uint8_t* p, std::size_t n) {
          EVP_DigestUpdate(ctx, p, n);
        });
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int length = 0;
        EVP_DigestFinal_ex(ctx, digest, &length);
        std::printf("pass %s %zu %.4f %.4f\n", name, size, t.wall, t.cpu);
      }
    }
    EVP_MD_CTX_free(ctx);
    EVP_MD_free(md);
  }
  std::free(buffer);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "crc-mem") == 0) return CrcMem();
  if ((argc == 3 || argc == 4) && std::strcmp(argv[1], "passes") == 0)
    return Passes(argv[2], argc == 4 ? std::atoi(argv[3]) : 1);
  std::fprintf(stderr, "usage: pass_limit crc-mem | pass_limit passes FILE [ROUNDS]\n");
  return 2;
}

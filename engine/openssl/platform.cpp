// Linux platform: regular files opened by their UTF-8 name, read once for all five values, the
// digests from OpenSSL 3's EVP.
#include "engine/openssl/platform.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <sched.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>

#include "engine/one_read.h"
#include "engine/text.h"

namespace tav {

namespace {

void CloseFd(int fd) { ::close(fd); }
using Fd = Owned<int, CloseFd, -1>;
using EvpMd = Owned<EVP_MD*, EVP_MD_free>;
using EvpMdCtx = Owned<EVP_MD_CTX*, EVP_MD_CTX_free>;

// Opens a regular file for reading. O_NONBLOCK keeps the open of a FIFO from waiting for a
// writer; anything but a regular file is refused, so a FIFO or /dev/zero never hangs a run.
Fd OpenRegularFile(const char16_t* path) {
  std::string narrow;
  if (!Utf16ToUtf8(TextView(path, kPathCapacity), &narrow) || narrow.empty()) return Fd();
  Fd fd(::open(narrow.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  struct stat st;
  if (!fd || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) ||
      ::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK) != 0)
    return Fd();
  ::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
  return fd;
}

// One OpenSSL digest as a Checksum; empty when OpenSSL cannot provide the algorithm.
class EvpChecksum final : public Checksum {
 public:
  explicit EvpChecksum(const char* name)
      : md_(EVP_MD_fetch(nullptr, name, nullptr)), ctx_(EVP_MD_CTX_new()) {
    started_ = md_ && ctx_ && EVP_DigestInit_ex2(ctx_.get(), md_.get(), nullptr);
  }
  bool Started() const { return started_; }

  bool Update(std::span<const std::uint8_t> bytes) override {
    return EVP_DigestUpdate(ctx_.get(), bytes.data(), bytes.size()) == 1;
  }
  std::optional<Digest> Finish() override {
    Digest digest;
    const std::span<std::uint8_t> room = digest.Resize(EVP_MD_get_size(md_.get()));
    unsigned int size = 0;
    if (room.empty() || !EVP_DigestFinal_ex(ctx_.get(), room.data(), &size)) return std::nullopt;
    digest.Resize(size);
    return digest;
  }

 private:
  EvpMd md_;
  EvpMdCtx ctx_;
  bool started_ = false;
};

// The CPUs this process may run on (its affinity, as taskset or a container sets it), not the
// machine's: more threads than those would only take turns.
unsigned UsableCpus() {
  for (std::size_t cpus = 1024; cpus <= (std::size_t{1} << 20); cpus *= 2) {
    cpu_set_t* set = CPU_ALLOC(cpus);
    if (!set) break;
    const std::size_t size = CPU_ALLOC_SIZE(cpus);
    const bool got = ::sched_getaffinity(0, size, set) == 0;
    const int count = got ? CPU_COUNT_S(size, set) : 0;
    CPU_FREE(set);
    if (got) return static_cast<unsigned>(std::max(count, 1));
    if (errno != EINVAL) break;  // EINVAL: the kernel's set is larger than ours
  }
  return 1;
}

// Blocks of 1 MiB keep the hand-over between threads rare (a few thousand per GiB) and still
// sit in a core's cache while the checksums take them in turn; four of them bound the memory
// at 4 MiB whatever the file's size, and let a fast checksum run that far ahead of the slowest.
constexpr OneReadShape kShape{std::size_t{1} << 20, 4, 1};

class OpenSslPlatform final : public ChecksumPlatform {
 public:
  explicit OpenSslPlatform(SystemRead read) : read_(std::move(read)) {}

  Stream OpenStream(const char16_t* path) override {
    Fd fd = OpenRegularFile(path);
    if (!fd) return Stream();
    // The stream takes the descriptor over only once it exists.
    Stream stream(::fdopen(fd.get(), "rb"));
    if (stream) fd.release();
    return stream;
  }

  // The file the open check opened is read once, straight from its descriptor (nothing has
  // been read through the stream), and every block goes to all five: the five values always
  // describe the same bytes, however the file changes meanwhile.
  FileChecksums Checksums(Stream stream, const char16_t*) override {
    FileChecksums sums;
    const int fd = ::fileno(stream.get());
    Crc32Checksum crc;
    EvpChecksum md5("MD5"), sha1("SHA1"), sha256("SHA256"), sha512("SHA512");
    if (fd < 0 || !md5.Started() || !sha1.Started() || !sha256.Started() || !sha512.Started())
      return sums;
    Checksum* const all[kSlotCount] = {&crc, &md5, &sha1, &sha256, &sha512};
    const ReadFn read = [&](std::span<std::uint8_t> into) -> std::ptrdiff_t {
      for (;;) {
        const ssize_t got = read_(fd, into.data(), into.size());
        if (got >= 0 || errno != EINTR) return got;
      }
    };
    OneReadShape shape = kShape;
    shape.workers = UsableCpus();
    if (const auto digests = ReadOnceIntoAll(read, all, shape))
      for (int i = 0; i < kSlotCount; ++i) sums.values[i] = (*digests)[i];
    return sums;
  }

 private:
  SystemRead read_;
};

}  // namespace

std::unique_ptr<ChecksumPlatform> MakeOpenSslPlatform(SystemRead read) {
  return std::make_unique<OpenSslPlatform>(std::move(read));
}

ChecksumPlatform& DefaultPlatform() {
  static OpenSslPlatform platform(::read);
  return platform;
}

}  // namespace tav

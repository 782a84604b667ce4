// tavrinel-sums: the desktop app's checksum run on one file, headless, for checks and timing.
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "app/cli/console_ui.h"
#include "engine/checksums.h"
#include "engine/text.h"

namespace {

using Clock = std::chrono::steady_clock;

// Notes when the run's open check finished and when the five values were known.
class TimedPlatform final : public tav::ChecksumPlatform {
 public:
  tav::Stream OpenStream(const char16_t* path) override {
    tav::Stream stream = tav::DefaultPlatform().OpenStream(path);
    opened = Clock::now();
    return stream;
  }
  tav::FileChecksums Checksums(tav::Stream stream, const char16_t* path) override {
    tav::FileChecksums sums = tav::DefaultPlatform().Checksums(std::move(stream), path);
    computed = Clock::now();
    return sums;
  }
  Clock::time_point opened, computed;
};

// Exit codes: every value computed; the file could not be opened as one (the app's warning);
// some value could not be computed and is empty; the output could not be written; the command
// line was not understood.
constexpr int kExitOk = 0, kExitNotAFile = 1, kExitFailed = 2, kExitOutputLost = 3,
              kExitUsage = 64;

int Usage() {
  std::fprintf(stderr,
               "usage: tavrinel-sums [--trace] [--time] FILE\n"
               "  prints CRC32, MD5, SHA-1, SHA-256 and SHA-512 of FILE as LABEL<TAB>VALUE\n"
               "  --trace  first print every window operation of the run, in order\n"
               "  --time   print the seconds, MB/s and bytes read to stderr\n"
               "exit status: 0 all five values; 1 FILE cannot be opened as a file;\n"
               "  2 a value could not be computed and is empty; 3 the output could not be\n"
               "  written; 64 usage\n");
  return kExitUsage;
}

int OutputLost(int error) {
  std::fprintf(stderr, "tavrinel-sums: write error: %s\n", std::strerror(error));
  return kExitOutputLost;
}

// The bytes this process has read (read(2) and the like), as the kernel counts them.
unsigned long long BytesRead() {
  std::ifstream io("/proc/self/io");
  std::string key;
  unsigned long long value = 0;
  while (io >> key >> value)
    if (key == "rchar:") return value;
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  bool trace = false, timing = false;
  const char* file = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--trace") == 0) trace = true;
    else if (std::strcmp(argv[i], "--time") == 0) timing = true;
    else if (std::strcmp(argv[i], "--") == 0 && i + 1 < argc && !file) file = argv[++i];
    else if (argv[i][0] == '-' && argv[i][1] != 0) return Usage();
    else if (!file) file = argv[i];
    else return Usage();
  }
  if (!file) return Usage();

  tav::AppState state;
  const std::u16string path = tav::Utf8ToUtf16(file);
  if (path.size() >= tav::kPathCapacity) {
    std::fprintf(stderr, "tavrinel-sums: path longer than %zu UTF-16 units: %s\n",
                 tav::kPathCapacity - 1, tav::QuotedName(file).c_str());
    return kExitNotAFile;
  }
  tav::CopyText(state.selectedPath, tav::kPathCapacity, path);

  tav::ConsoleUi ui(trace ? stdout : nullptr);
  TimedPlatform platform;
  const tav::RunOutcome outcome = tav::RunChecksums(state, ui, platform);
  int status = outcome == tav::RunOutcome::NotOpened ? kExitNotAFile
               : outcome == tav::RunOutcome::Failed  ? kExitFailed
                                                     : kExitOk;
  if (outcome != tav::RunOutcome::NotOpened) {
    for (const tav::SlotInfo& info : tav::kSlots)
      std::printf("%s\t%s\n", tav::ToUtf8(info.label).c_str(),
                  tav::ToUtf8(ui.Text(tav::ResultDisplay(info.slot)).c_str()).c_str());
  }
  if (timing && outcome != tav::RunOutcome::NotOpened) {
    std::error_code error;
    const auto bytes = std::filesystem::file_size(file, error);
    const double mb = error ? 0.0 : static_cast<double>(bytes) / 1e6;
    const double s = std::chrono::duration<double>(platform.computed - platform.opened).count();
    std::fprintf(stderr, "%-8s %8.3f s %10.1f MB/s\n", "total", s, s > 0 ? mb / s : 0.0);
    std::fprintf(stderr, "%-8s %llu bytes\n", "read", BytesRead());
  }
  // Values a script never received are no values: say so, as coreutils does.
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) return OutputLost(errno ? errno : EIO);
  return status;
}

// tavrinel-sums: the desktop app's checksum run on one file, headless, for checks and timing.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "engine/checksums.h"
#include "engine/text.h"
#include "app/cli/console_ui.h"

namespace {

using Clock = tav::ConsoleUi::Clock;

// Notes when the run's open check finished: the CRC-32 pass starts right after it.
class TimedPlatform final : public tav::ChecksumPlatform {
 public:
  tav::Stream OpenStream(const char16_t* path) override {
    tav::Stream stream = tav::DefaultPlatform().OpenStream(path);
    opened = Clock::now();
    return stream;
  }
  std::optional<tav::Digest> DigestFile(tav::Slot slot, const char16_t* path) override {
    return tav::DefaultPlatform().DigestFile(slot, path);
  }
  Clock::time_point opened;
};

// Exit codes: every value computed; the file could not be opened as one (the app's warning);
// some pass failed and its value is empty; the command line was not understood.
constexpr int kExitOk = 0, kExitNotAFile = 1, kExitPassFailed = 2, kExitUsage = 64;

int Usage() {
  std::fprintf(stderr,
               "usage: tavrinel-sums [--trace] [--time] FILE\n"
               "  prints CRC32, MD5, SHA-1, SHA-256 and SHA-512 of FILE as LABEL<TAB>VALUE\n"
               "  --trace  first print every window operation of the run, in order\n"
               "  --time   print each pass's seconds and MB/s to stderr\n"
               "exit status: 0 all five values; 1 FILE cannot be opened as a file;\n"
               "  2 a pass failed (a read error) and its value is empty; 64 usage\n");
  return kExitUsage;
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
                 tav::kPathCapacity - 1, file);
    return kExitNotAFile;
  }
  tav::CopyText(state.selectedPath, tav::kPathCapacity, path);

  tav::ConsoleUi ui(trace ? stdout : nullptr);
  TimedPlatform platform;
  tav::RunChecksums(state, ui, platform);
  if (ui.messageShown()) return kExitNotAFile;

  std::string failed;
  for (const tav::SlotInfo& info : tav::kSlots) {
    const std::u16string& value = ui.Text(tav::ResultDisplay(info.slot));
    std::printf("%s\t%s\n", tav::ToUtf8(info.label).c_str(), tav::ToUtf8(value.c_str()).c_str());
    if (value.empty()) failed += (failed.empty() ? "" : ", ") + tav::ToUtf8(info.label);
  }

  if (timing) {
    std::error_code error;
    const auto bytes = std::filesystem::file_size(file, error);
    const double mb = error ? 0.0 : static_cast<double>(bytes) / 1e6;
    Clock::time_point start = platform.opened;
    double total = 0;
    for (const tav::SlotInfo& info : tav::kSlots) {
      const Clock::time_point end = ui.SetAt(tav::ResultDisplay(info.slot));
      const double s = std::chrono::duration<double>(end - start).count();
      total += s;
      std::fprintf(stderr, "%-8s %8.3f s %10.1f MB/s\n", tav::ToUtf8(info.label).c_str(), s,
                   s > 0 ? mb / s : 0.0);
      start = end;
    }
    std::fprintf(stderr, "%-8s %8.3f s %10.1f MB/s\n", "total", total, total > 0 ? mb / total : 0.0);
  }
  // An empty value is no checksum: a script must not take it for one.
  if (!failed.empty()) {
    std::fprintf(stderr, "tavrinel-sums: failed (read error): %s\n", failed.c_str());
    return kExitPassFailed;
  }
  return kExitOk;
}

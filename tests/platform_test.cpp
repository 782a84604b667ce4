// The run over the platform's own files and digests (OpenSSL on Linux, CryptoAPI and CNG on
// Windows): known values, and every file that must not give a checksum.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <random>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "engine/checksums.h"
#ifdef _WIN32
#include "engine/win32/platform.h"
#else
#include "engine/openssl/platform.h"
#endif
#include "doubles.h"

namespace tav {
namespace {

namespace fs = std::filesystem;

// A fresh folder, removed with everything in it when the test ends.
struct ScratchDir {
  ScratchDir() { fs::create_directories(path); }
  ~ScratchDir() { fs::remove_all(path, ignored_); }  // never throws: a file may still be open
  std::u16string Write(const fs::path& name, const std::string& bytes) const {
    fs::create_directories((path / name).parent_path());
    std::ofstream(path / name, std::ios::binary) << bytes;
    return U16(path / name);
  }
  static std::u16string U16(const fs::path& p) {
    const std::u8string s = p.u8string();
    return Utf8ToUtf16(std::string(s.begin(), s.end()));
  }
  std::error_code ignored_;
  const fs::path path = fs::temp_directory_path() / ("tavrinel-" + std::to_string(std::random_device{}()));
};

// What a run over the platform shows for `path`: the five values, after "missing", "changed" or
// "failed" when the run warned that the file is not there, changed while read, or that values
// could not be computed.
std::u16string RunOn(const std::u16string& path, ChecksumPlatform& platform = DefaultPlatform()) {
  AppState state;
  testing::RecordingUi ui;
  CopyText(state.selectedPath, kPathCapacity, path);
  RunChecksums(state, ui, platform);
  std::u16string values = ui.messages.empty()                        ? u""
                          : ui.messages[0].text == kMissingFileText ? u"missing"
                          : ui.messages[0].text == kChangedFileText ? u"changed"
                                                                     : u"failed";
  for (const SlotInfo& info : kSlots)
    values += (info.slot == Slot::Crc32 ? u"" : u" ") + ui.Text(ResultDisplay(info.slot));
  return values;
}

// 300001 random bytes, and their values as gzip and coreutils give them.
std::string Random300001() {
  std::string random(300001, '\0');
  std::mt19937 rng(20261206);
  for (char& c : random) c = static_cast<char>(rng());
  return random;
}
const std::u16string kRandomValues =
    u"79212423 3aa294abe6f3cc3ee30f7a08ad55df50 5e4917319a93c9dacaeb9c1b8e18272697f9e8f4 "
    u"dd197bb3ed8a81b4e7308aec017862098be89773b9aee21e3aef0d863d4c1a7e "
    u"bf19296a4605bca8c6e079f325b07ffd10d4ee3eb9cc3e598fa071c94dbaadd31931de53172504a7c7931046a08fecc244bd3290810408aa8fb47c2d3d6543fb";

// The standard digests of empty input, and 300001 random bytes that end part-way through every
// read chunk, under names outside ASCII and the Basic Multilingual Plane, one longer than 255
// bytes once encoded: the open check and every read name the same file.
TEST(Platform, KnownValuesUnderAnyName) {
  const std::tuple<std::u16string, std::string, std::u16string> cases[] = {
      {u"해시 확인.txt", "", u"0 d41d8cd98f00b204e9800998ecf8427e da39a3ee5e6b4b0d3255bfef95601890afd80709 "
           u"e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855 "
           u"cf83e1357eefb8bdf1542850d66d8007d620e4050b5715dc83f4a921d36ce9ce47d0d13c5d85f2b0ff8318d2877eec2f63b931bd47417a81a538327af927da3e"},
      {u"\U0001F600 " + std::u16string(70, u'해') + u"/파일.bin", Random300001(), kRandomValues},
  };
  ScratchDir dir;
  for (const auto& [name, content, values] : cases)
    EXPECT_EQ(RunOn(dir.Write(fs::path(name), content)), values) << ::testing::PrintToString(name);
}

// Whatever cannot be opened as a file gets the warning; a regular file whose reads fail (Linux
// refuses reads of the unmapped start of a process's memory) shows no value at all rather than
// the checksum of the bytes before the error: never a hang, never a wrong value.
TEST(Platform, NoChecksumOfWhatIsNotAReadableFile) {
  ScratchDir dir;
  const std::u16string unpaired = u"x" + std::u16string(1, u'\xD800');  // names no file on disk
  std::vector<std::pair<std::u16string, std::u16string>> cases = {
      {dir.U16(dir.path / "missing.bin"), u"missing    "}, {dir.U16(dir.path), u"missing    "},
      {u"", u"missing    "}, {unpaired, u"missing    "}};
#ifdef _WIN32
  // Held open for writing by another program. Wine's runtime shares writing and the stream
  // reads the whole file; Windows' refuses it and the run warns. A digest pass that cannot
  // open it shows nothing: never the CRC of fewer bytes than the file, nor a digest of none.
  const HANDLE writer = CreateFileW((dir.path / "busy.txt").c_str(), GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS, 0, nullptr);
  WriteFile(writer, "123456789", 9, nullptr, nullptr);
  const std::u16string busy = RunOn(dir.U16(dir.path / "busy.txt")), accepted[] = {u"missing    ", u"failedcbf43926    ",
      u"cbf43926 25f9e794323b453885f5181f1b624d0b f7c3bc1d808e04732adf679965ccc34ca7ae3441 "
      u"15e2b0d3c33891ebb0f1ef609ec419420c20e320ce94c65fbc8c3312448eb225 "
      u"d9e6762dd1c8eaf6d61b3c6192fc408d4d6d5f1176d0c29169bc24e71c3f274ad27fcd5811b313d681f7e55ec02d73d499c95455b6b5bb503acf574fba8ffe85"};
  EXPECT_NE(std::find(std::begin(accepted), std::end(accepted), busy), std::end(accepted))
      << ::testing::PrintToString(busy);
  cases.push_back({u"NUL", u"missing    "});
  if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version"))  // Wine's view of Linux
    cases.push_back({u"Z:\\proc\\self\\mem", u"failed    "});
#else
  ASSERT_EQ(::mkfifo((dir.path / "fifo").c_str(), 0600), 0);
  cases.insert(cases.end(), {{dir.U16(dir.path / "fifo"), u"missing    "},
                             {u"/dev/zero", u"missing    "}, {u"/proc/self/mem", u"failed    "}});
#endif
  for (const auto& [path, shown] : cases) EXPECT_EQ(RunOn(path), shown) << ::testing::PrintToString(path);
#ifdef _WIN32
  CloseHandle(writer);
#endif
}

#ifdef _WIN32
// Each pass opens the file again. One that finds the file grown, or another file renamed over
// it (the same bytes, but not the file the first pass read), shows no value at all, and the run
// says the file changed. A name that ends in a dot or a space (from Linux or a share) is read
// as named, never as the look-alike that Windows' path rules would make of it.
TEST(Platform, EveryPassReadsTheFileNamed) {
  ScratchDir dir;
  const std::tuple<Slot, const char*> cases[] = {  // before which pass, what happens to the file
      {Slot::Md5, ""}, {Slot::Md5, "appended"}, {Slot::Sha512, "appended"}, {Slot::Sha256, "renamed over"}};
  for (const auto& [when, what] : cases) {
    SCOPED_TRACE(what);
    const std::u16string path = dir.Write("file.bin", Random300001());
    const auto platform = MakeWin32Platform([&, when = when, what = std::string(what)](Slot slot) {
      if (slot == when && what == "appended")
        std::ofstream(dir.path / "file.bin", std::ios::binary | std::ios::app) << "more";
      if (slot == when && what == "renamed over")
        dir.Write("other.bin", Random300001()), fs::rename(dir.path / "other.bin", dir.path / "file.bin");
    });
    EXPECT_EQ(RunOn(path, *platform), *what ? u"changed    " : kRandomValues);
  }
  for (const std::wstring name : {L"dot.txt.", L"space.txt "}) {
    const fs::path named = L"\\\\?\\" + (dir.path / name).wstring();
    std::ofstream(named, std::ios::binary) << Random300001();
    dir.Write(name.substr(0, name.size() - 1), "the look-alike");
    EXPECT_EQ(RunOn(dir.U16(dir.path / name)), kRandomValues) << ::testing::PrintToString(dir.U16(dir.path / name));
    fs::remove(named);  // the folder's removal names it the way that misses it, and never ends
  }
}
#endif

#ifndef _WIN32
// The reads themselves, through the platform's seam. The file is read once, to its end, for all
// five: bytes appended while it is read are in every value (the file here grows to the random
// bytes above after its first read), a read interrupted by a signal is tried again, and a read
// that fails part-way leaves every value empty.
TEST(Platform, OneReadFeedsAllFive) {
  const std::string random = Random300001();
  ScratchDir dir;
  for (const int error : {0, EINTR, EIO}) {
    SCOPED_TRACE(error);
    const std::u16string path = dir.Write("growing.bin", random.substr(0, 100000));
    int calls = 0;
    const auto platform = MakeOpenSslPlatform([&](int fd, void* buffer, std::size_t size) -> ssize_t {
      if (++calls == 2 && error) return errno = error, -1;
      if (calls == 2 + (error != 0))
        std::ofstream(dir.path / "growing.bin", std::ios::binary | std::ios::app) << random.substr(100000);
      return ::read(fd, buffer, size);
    });
    EXPECT_EQ(RunOn(path, *platform), error == EIO ? u"failed    " : kRandomValues);
  }
}
#endif

}  // namespace
}  // namespace tav

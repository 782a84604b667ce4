// The run over the platform's own files and digests (OpenSSL on Linux, CryptoAPI and CNG on
// Windows): known values, and every file that must not give a checksum.
#include <gtest/gtest.h>

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
#include "recording_ui.h"

namespace tav {
namespace {

namespace fs = std::filesystem;

// A fresh folder, removed with everything in it when the test ends.
struct ScratchDir {
  ScratchDir() { fs::create_directories(path); }
  ~ScratchDir() {
    std::error_code ignored;  // never throw from here: a file may still be held open
    fs::remove_all(path, ignored);
  }
  fs::path Write(const fs::path& name, const std::string& bytes) const {
    fs::create_directories((path / name).parent_path());
    std::ofstream(path / name, std::ios::binary) << bytes;
    return path / name;
  }
  const fs::path path = fs::temp_directory_path() / ("tavrinel-" + std::to_string(std::random_device{}()));
};

std::u16string U16(const fs::path& p) {
  const std::u8string s = p.u8string();
  return Utf8ToUtf16(std::string(s.begin(), s.end()));
}

// The run's window operations over the real platform, for the file at `path`.
testing::RecordingUi RunOn(const std::u16string& path, ChecksumPlatform& platform = DefaultPlatform()) {
  AppState state;
  testing::RecordingUi ui;
  CopyText(state.selectedPath, kPathCapacity, path);
  RunChecksums(state, ui, platform);
  return ui;
}

std::u16string Values(testing::RecordingUi& ui) {
  std::u16string all;
  for (const SlotInfo& info : kSlots)
    all += (info.slot == Slot::Crc32 ? u"" : u" ") + ui.Text(ResultDisplay(info.slot));
  return all;
}

// Published vectors (RFC 1321, FIPS 180-4, the CRC-32 check value), and 300001 random bytes
// that end part-way through every read chunk, as gzip and coreutils sum them.
TEST(Platform, KnownValues) {
  std::string random(300001, '\0');
  std::mt19937 rng(20261206);
  for (char& c : random) c = static_cast<char>(rng());
  const std::pair<std::string, std::u16string> cases[] = {
      {"", u"0 d41d8cd98f00b204e9800998ecf8427e da39a3ee5e6b4b0d3255bfef95601890afd80709 "
           u"e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855 "
           u"cf83e1357eefb8bdf1542850d66d8007d620e4050b5715dc83f4a921d36ce9ce47d0d13c5d85f2b0ff8318d2877eec2f63b931bd47417a81a538327af927da3e"},
      {std::string(1000000, 'a'),
       u"dc25bfbc 7707d6ae4e027c70eea2a935c2296f21 34aa973cd4c4daa4f61eeb2bdbad27316534016f "
       u"cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0 "
       u"e718483d0ce769644e2e42c7bc15b4638e1f98b13b2044285632a803afa973ebde0ff244877ea60a4cb0432ce577c31beb009c5c2c49aa2e4eadb217ad8cc09b"},
      {random, u"79212423 3aa294abe6f3cc3ee30f7a08ad55df50 5e4917319a93c9dacaeb9c1b8e18272697f9e8f4 "
               u"dd197bb3ed8a81b4e7308aec017862098be89773b9aee21e3aef0d863d4c1a7e "
               u"bf19296a4605bca8c6e079f325b07ffd10d4ee3eb9cc3e598fa071c94dbaadd31931de53172504a7c7931046a08fecc244bd3290810408aa8fb47c2d3d6543fb"},
  };
  ScratchDir dir;
  for (const auto& [content, values] : cases) {
    testing::RecordingUi ui = RunOn(U16(dir.Write("v.bin", content)));
    EXPECT_EQ(Values(ui), values) << content.size();
    EXPECT_TRUE(ui.messages.empty());
  }
}

// Whatever cannot be opened as a file gets the warning: never a hang, never a value.
TEST(Platform, RefusesWhatIsNotAFile) {
  ScratchDir dir;
  const std::u16string unpaired = u"x" + std::u16string(1, u'\xD800');  // names no file on disk
  std::vector<std::u16string> paths = {U16(dir.path / "missing.bin"), U16(dir.path), u"", unpaired};
#ifdef _WIN32
  paths.push_back(u"NUL");
#else
  ASSERT_EQ(::mkfifo((dir.path / "fifo").c_str(), 0600), 0);
  paths.insert(paths.end(), {U16(dir.path / "fifo"), u"/dev/zero"});
  // With standard output readable, as a terminal is, a name that cannot be converted must not
  // be mistaken for an open descriptor and read.
  std::FILE* terminal = std::tmpfile();
  std::fflush(stdout);
  const int saved = ::dup(1);
  ::dup2(::fileno(terminal), 1);
  std::FILE* opened = DefaultPlatform().OpenStream(unpaired.c_str());
  ::dup2(saved, 1);
  ::close(saved);
  std::fclose(terminal);
  EXPECT_EQ(opened, nullptr);
#endif
  for (const auto& path : paths)
    EXPECT_EQ(RunOn(path).log, (std::vector<std::u16string>{u"pos 0", u"message"})) << path.size();
}

// A regular file whose reads fail (Linux refuses reads of the unmapped start of a process's
// memory): every pass shows nothing rather than the checksum of the bytes before the error.
TEST(Platform, ReadErrorsShowNoValue) {
#ifdef _WIN32
  if (!GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version")) GTEST_SKIP() << "Wine only";
  testing::RecordingUi ui = RunOn(u"Z:\\proc\\self\\mem");
#else
  testing::RecordingUi ui = RunOn(u"/proc/self/mem");
#endif
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(Values(ui), u"    ");
}

// A digest pass that cannot open the file any more (deleted on Linux, held for writing by
// another program on Windows) shows nothing, not the digest of no bytes.
TEST(Platform, DigestPassWhoseOpenFailsStaysEmpty) {
  struct Vanishing final : ChecksumPlatform {
    std::FILE* OpenStream(const char16_t* path) override {
      std::FILE* stream = DefaultPlatform().OpenStream(path);
#ifdef _WIN32
      writer = CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
#else
      fs::remove(file);  // the open stream still reads its bytes
#endif
      return stream;
    }
    bool DigestFile(Slot s, const char16_t* p, std::uint8_t* d, std::size_t* n) override {
      return DefaultPlatform().DigestFile(s, p, d, n);
    }
    fs::path file;
#ifdef _WIN32
    HANDLE writer = INVALID_HANDLE_VALUE;
    ~Vanishing() { CloseHandle(writer); }
#endif
  };
  ScratchDir dir;  // outlives the platform's writer
  Vanishing platform;
  platform.file = dir.Write("busy.txt", "123456789");
  testing::RecordingUi ui = RunOn(U16(platform.file), platform);
  EXPECT_EQ(Values(ui), u"cbf43926    ");
}

// Names outside ASCII and outside the Basic Multilingual Plane, and longer than 255 bytes once
// encoded: the open check and every pass read the same file.
TEST(Platform, NamesOutsideAsciiReachTheSameFile) {
  ScratchDir dir;
  for (const std::u16string& name : {std::u16string(u"해시 확인.txt"), std::u16string(u"\U0001F600 smile.bin"),
                                     std::u16string(70, u'해') + u"/파일.txt"}) {
    testing::RecordingUi ui = RunOn(U16(dir.Write(fs::path(name), "123456789")));
    EXPECT_EQ(Values(ui).substr(0, 50), u"cbf43926 25f9e794323b453885f5181f1b624d0b f7c3bc1d");
  }
}

}  // namespace
}  // namespace tav

// The Windows platform: CryptoAPI and CNG digests and the runtime stream, against coreutils.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "engine/checksums.h"
#include "engine/platform.h"
#include "tests/recording_ui.h"
#include "window/commands.h"
#include "win32_support.h"

namespace tav::win32::testing {
namespace {

const char16_t* U(const std::wstring& s) { return reinterpret_cast<const char16_t*>(s.c_str()); }

// A run through the real platform, recorded.
struct Checked {
  explicit Checked(const std::wstring& path) {
    AcceptDroppedPath(state, ui, U(path));
    RunChecksums(state, ui, DefaultPlatform());
  }
  std::wstring Shown(Slot s) {
    return reinterpret_cast<const wchar_t*>(ui.Text(ResultDisplay(s)).c_str());
  }
  AppState state;
  tav::testing::RecordingUi ui;
};

// Hangul names, an empty file and one larger than every read chunk: the five texts equal gzip's
// CRC-32 and coreutils' digests.
TEST(Win32Platform, RunShowsCoreutilsValues) {
  const auto fixture = LoadFixture();
  ASSERT_EQ(fixture.size(), 3u) << "make_fixture.sh has not run";
  for (const auto& file : fixture) {
    Checked run(file.second.path);
    EXPECT_TRUE(run.ui.messages.empty());
    for (const SlotInfo& info : kSlots)
      EXPECT_EQ(run.Shown(info.slot), file.second.sums[IndexOf(info.slot)]) << IndexOf(info.slot);
  }
}

// Whatever is not a file on disk is refused: the run warns instead of showing checksums of
// nothing (or hanging on a device).
TEST(Win32Platform, RefusesWhatIsNotAFile) {
  ScratchFolder folder;
  for (const std::wstring& path : {folder.path(), folder.path() + L"\\missing.bin",
                                   std::wstring(L"NUL"), std::wstring()}) {
    SCOPED_TRACE(std::string(path.begin(), path.end()));
    Checked run(path);
    EXPECT_EQ(run.ui.messages.size(), 1u);
    EXPECT_EQ(run.Shown(Slot::Crc32), L"");
  }
}

// A name outside every ANSI code page, and one whose narrow form would not fit 256 bytes: the
// existence check opens the very file the digest passes read.
TEST(Win32Platform, WideNamesReachTheSameFile) {
  const Expected abc = LoadFixture().at(L"abc.txt");
  ScratchFolder folder;
  std::wstring longName;
  while (longName.size() < 120) longName += L"해시";  // 240 units, over 700 bytes as UTF-8
  for (const std::wstring& name : {std::wstring(L"\U0001F600 emoji \u0B95.txt"), longName + L".txt"}) {
    Checked run(folder.Write(name, "abc"));
    EXPECT_TRUE(run.ui.messages.empty());
    for (const SlotInfo& info : kSlots) EXPECT_EQ(run.Shown(info.slot), abc.sums[IndexOf(info.slot)]);
  }
}

// Another program holds the file open for writing: the stream (which shares writing) opens, the
// digest passes (which do not) cannot, and their slots stay empty rather than showing the
// digest of no bytes.
TEST(Win32Platform, DigestPassWhoseOpenFailsStaysEmpty) {
  ScratchFolder folder;
  const std::wstring path = folder.Write(L"busy.txt", "123456789");
  const HANDLE writer = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  Checked run(path);
  CloseHandle(writer);
  EXPECT_TRUE(run.ui.messages.empty());
  EXPECT_EQ(run.Shown(Slot::Crc32), L"cbf43926");  // the standard check value
  for (Slot slot : {Slot::Md5, Slot::Sha1, Slot::Sha256, Slot::Sha512}) EXPECT_EQ(run.Shown(slot), L"");
}

// A regular file whose every read fails gives no value at all, never the checksum of the
// bytes before the failure (here: of no bytes). Under Wine, /proc/self/mem is such a file:
// Linux refuses reads of the unmapped page at address 0 of the process's memory with EIO.
TEST(Win32Platform, ReadErrorLeavesTheSlotEmpty) {
  if (!GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version"))
    GTEST_SKIP() << "needs Wine's view of /proc";
  Checked run(L"Z:\\proc\\self\\mem");
  EXPECT_TRUE(run.ui.messages.empty());
  for (const SlotInfo& info : kSlots) EXPECT_EQ(run.Shown(info.slot), L"") << IndexOf(info.slot);
}

}  // namespace
}  // namespace tav::win32::testing

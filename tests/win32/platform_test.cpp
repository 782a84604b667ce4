// The Windows platform: CryptoAPI and CNG digests and the runtime stream, against coreutils.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/checksums.h"
#include "engine/platform.h"
#include "tests/recording_ui.h"
#include "window/commands.h"
#include "win32_support.h"

namespace tav::win32::testing {
namespace {

const char16_t* U(const std::wstring& s) { return reinterpret_cast<const char16_t*>(s.c_str()); }

std::wstring Hex(const std::uint8_t* bytes, std::size_t n) {
  static const wchar_t digits[] = L"0123456789abcdef";
  std::wstring out;
  for (std::size_t i = 0; i < n; ++i) {
    out += digits[bytes[i] >> 4];
    out += digits[bytes[i] & 15];
  }
  return out;
}

constexpr Slot kDigestSlots[] = {Slot::Md5, Slot::Sha1, Slot::Sha256, Slot::Sha512};

// Hangul names, an empty file and a file larger than every chunk: each digest equals the
// one coreutils computed on the Linux side, and the CRC-32 equals gzip's.
TEST(Win32Platform, DigestsEqualCoreutils) {
  const auto fixture = LoadFixture();
  ASSERT_EQ(fixture.size(), 3u) << "make_fixture.sh has not run";
  ChecksumPlatform& platform = DefaultPlatform();
  for (const auto& [name, expected] : fixture) {
    SCOPED_TRACE(std::string(name.begin(), name.end()));
    for (Slot slot : kDigestSlots) {
      std::uint8_t digest[kMaxDigestBytes] = {};
      std::size_t length = 0;
      ASSERT_TRUE(platform.DigestFile(slot, U(expected.path), digest, &length));
      EXPECT_EQ(length, static_cast<std::size_t>(InfoOf(slot).digestBytes));
      EXPECT_EQ(Hex(digest, length), expected.sums[IndexOf(slot)]);
    }
    std::FILE* stream = platform.OpenStream(U(expected.path));
    ASSERT_NE(stream, nullptr);
    char16_t crc[kResultCapacity];
    EXPECT_TRUE(ComputeCrc32(stream, crc));
    std::fclose(stream);
    EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(crc)), expected.sums[0]);
  }
}

// The whole run over the same files shows the same five texts as coreutils.
TEST(Win32Platform, RunShowsCoreutilsValues) {
  for (const auto& [name, expected] : LoadFixture()) {
    AppState state;
    tav::testing::RecordingUi ui;
    AcceptDroppedPath(state, ui, U(expected.path));
    RunChecksums(state, ui, DefaultPlatform());
    ASSERT_TRUE(ui.messages.empty());
    for (const SlotInfo& info : kSlots) {
      EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(
                    ui.Text(ResultDisplay(info.slot)).c_str())),
                expected.sums[IndexOf(info.slot)]);
    }
    EXPECT_EQ(ui.progress, 100);
  }
}

// Whatever is not a file on disk is refused by both opens: a run then warns instead of
// showing checksums of nothing (or hanging on a console).
TEST(Win32Platform, RefusesWhatIsNotAFile) {
  ScratchFolder folder;
  const std::wstring refused[] = {
      folder.path(),                       // a folder
      folder.path() + L"\\missing.bin",    // nothing there
      L"NUL",                              // a device
      L"",                                 // no selection at all
  };
  ChecksumPlatform& platform = DefaultPlatform();
  for (const auto& path : refused) {
    SCOPED_TRACE(std::string(path.begin(), path.end()));
    std::FILE* stream = platform.OpenStream(U(path));
    EXPECT_EQ(stream, nullptr);
    if (stream) std::fclose(stream);
    for (Slot slot : kDigestSlots) {
      std::uint8_t digest[kMaxDigestBytes];
      std::size_t length = 0;
      EXPECT_FALSE(platform.DigestFile(slot, U(path), digest, &length));
    }
  }
}

// A name outside every ANSI code page, and one whose narrow form would not fit 256 bytes:
// the existence check opens the very file the digest passes read.
TEST(Win32Platform, WideNamesReachTheSameFile) {
  ScratchFolder folder;
  std::wstring longName;
  while (longName.size() < 120) longName += L"해시";  // 240 units, over 700 bytes as UTF-8
  const std::wstring names[] = {L"\U0001F600 emoji \u0B95.txt", longName + L".txt"};
  for (const auto& name : names) {
    const std::wstring path = folder.Write(name, "abc");
    ASSERT_LT(path.size(), 260u);
    AppState state;
    tav::testing::RecordingUi ui;
    AcceptDroppedPath(state, ui, U(path));
    RunChecksums(state, ui, DefaultPlatform());
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(ui.Text(ResultDisplay(Slot::Crc32)), u"352441c2");
    EXPECT_EQ(ui.Text(ResultDisplay(Slot::Md5)), u"900150983cd24fb0d6963f7d28e17f72");
  }
}

// Another program holds the file open for writing: the stream (which shares writing) opens,
// the digest passes (which do not) cannot, and those slots stay empty rather than showing
// the digest of no bytes.
TEST(Win32Platform, DigestPassWhoseOpenFailsStaysEmpty) {
  ScratchFolder folder;
  const std::wstring path = folder.Write(L"busy.txt", "123456789");
  const HANDLE writer = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  AppState state;
  tav::testing::RecordingUi ui;
  AcceptDroppedPath(state, ui, U(path));
  RunChecksums(state, ui, DefaultPlatform());
  CloseHandle(writer);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(ui.Text(ResultDisplay(Slot::Crc32)), u"cbf43926");
  for (Slot slot : kDigestSlots) EXPECT_EQ(ui.Text(ResultDisplay(slot)), u"");
  EXPECT_EQ(ui.progress, 100);
  EXPECT_TRUE(ui.Enabled(Control::CompareButton));
}

bool RunningOnWine() {
  return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

// Whether another handle's byte-range lock stops a read here (Windows: yes; Wine: no).
bool LocksStopReads(const std::wstring& path) {
  const HANDLE probe = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  std::string chunk(1000, '\0');
  DWORD got = 0;
  SetFilePointer(probe, 300000, nullptr, FILE_BEGIN);
  const BOOL read = ReadFile(probe, chunk.data(), 1000, &got, nullptr);
  CloseHandle(probe);
  return !read;
}

// A read that fails gives no value at all, never the checksum of the bytes before the
// failure (which for a failure at the start would be the checksum of no bytes).
TEST(Win32Platform, ReadErrorLeavesTheSlotEmpty) {
  ScratchFolder folder;
  const std::wstring locked = folder.Write(L"locked.bin", std::string(400000, 'x'));
  const HANDLE locker = CreateFileW(locked.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(locker, INVALID_HANDLE_VALUE);
  OVERLAPPED at = {};
  at.Offset = 300000;
  ASSERT_TRUE(LockFileEx(locker, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1000, 0,
                         &at));
  std::vector<std::wstring> unreadable;
  // Part-way: the first 300000 bytes read, then the locked region refuses.
  if (LocksStopReads(locked)) unreadable.push_back(locked);
  // Under Wine: a regular file whose every read fails (Linux refuses reads of the unmapped
  // page at address 0 of the process's memory with EIO).
  if (RunningOnWine()) unreadable.push_back(L"Z:\\proc\\self\\mem");
  ASSERT_FALSE(unreadable.empty());

  ChecksumPlatform& platform = DefaultPlatform();
  for (const auto& path : unreadable) {
    SCOPED_TRACE(std::string(path.begin(), path.end()));
    for (Slot slot : kDigestSlots) {
      std::uint8_t digest[kMaxDigestBytes];
      std::size_t length = 0;
      EXPECT_FALSE(platform.DigestFile(slot, U(path), digest, &length)) << IndexOf(slot);
    }
    std::FILE* stream = platform.OpenStream(U(path));
    ASSERT_NE(stream, nullptr);
    char16_t crc[kResultCapacity];
    EXPECT_FALSE(ComputeCrc32(stream, crc));
    EXPECT_EQ(crc[0], 0);
    std::fclose(stream);
  }
  UnlockFileEx(locker, 0, 1000, 0, &at);
  CloseHandle(locker);
}

}  // namespace
}  // namespace tav::win32::testing

// The checksum run end to end on real files: known vectors, other tools, the progress budget,
// the missing-file warning and the passes that must fail rather than show a wrong checksum.
#include <gtest/gtest.h>

#include <cstring>
#include <map>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "engine/checksums.h"
#include "recording_ui.h"
#include "test_files.h"

namespace tav {
namespace {

using testing::RecordingUi;
using testing::ScratchDir;
using testing::U16;

struct Session {
  AppState state;
  RecordingUi ui;
  void Select(const std::u16string& path) { CopyText(state.selectedPath, kPathCapacity, path); }
  std::u16string Shown(Slot s) const { return ui.Text(ResultDisplay(s)); }
};

// Published vectors: RFC 1321 (MD5), FIPS 180-4 examples (SHA), the CRC-32 check value.
TEST(ChecksumRun, KnownVectors) {
  struct Case {
    std::string content;
    const char16_t* expected[kSlotCount];
  };
  const Case cases[] = {
      {"", {u"0", u"d41d8cd98f00b204e9800998ecf8427e",
            u"da39a3ee5e6b4b0d3255bfef95601890afd80709",
            u"e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855",
            u"cf83e1357eefb8bdf1542850d66d8007d620e4050b5715dc83f4a921d36ce9ce47d0d13c5d85f2b0ff8318d2877eec2f63b931bd47417a81a538327af927da3e"}},
      {"abc", {u"352441c2", u"900150983cd24fb0d6963f7d28e17f72",
               u"a9993e364706816aba3e25717850c26c9cd0d89d",
               u"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad",
               u"ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a2192992a274fc1a836ba3c23a3feebbd454d4423643ce80e2a9ac94fa54ca49f"}},
      {"123456789", {u"cbf43926", u"25f9e794323b453885f5181f1b624d0b",
                     u"f7c3bc1d808e04732adf679965ccc34ca7ae3441",
                     u"15e2b0d3c33891ebb0f1ef609ec419420c20e320ce94c65fbc8c3312448eb225",
                     u"d9e6762dd1c8eaf6d61b3c6192fc408d4d6d5f1176d0c29169bc24e71c3f274ad27fcd5811b313d681f7e55ec02d73d499c95455b6b5bb503acf574fba8ffe85"}},
      {std::string(1000000, 'a'),
       {u"dc25bfbc", u"7707d6ae4e027c70eea2a935c2296f21",
        u"34aa973cd4c4daa4f61eeb2bdbad27316534016f",
        u"cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0",
        u"e718483d0ce769644e2e42c7bc15b4638e1f98b13b2044285632a803afa973ebde0ff244877ea60a4cb0432ce577c31beb009c5c2c49aa2e4eadb217ad8cc09b"}},
  };
  ScratchDir dir;
  for (const Case& c : cases) {
    Session run;
    run.Select(U16(dir.Write("v.bin", c.content)));
    RunChecksums(run.state, run.ui, DefaultPlatform());
    for (const SlotInfo& info : kSlots)
      EXPECT_EQ(run.Shown(info.slot), c.expected[IndexOf(info.slot)])
          << "size " << c.content.size() << " slot " << IndexOf(info.slot);
    EXPECT_TRUE(run.ui.messages.empty());
  }
}

#if defined(TAV_HAVE_ZLIB) && !defined(_WIN32)
// Sizes at and around every read chunk and the large reads under them.
TEST(ChecksumRun, AgreesWithZlibAndCoreutilsAroundEveryChunkSize) {
  const std::size_t sizes[] = {1,      1023,   1024,   1025,   4095,    4096,   4097,
                               32767,  32768,  32769,  65535,  65536,   65537,  262143,
                               262144, 262145, 1048577, 3000017};
  ScratchDir dir;
  unsigned seed = 1;
  for (std::size_t size : sizes) {
    const std::string bytes = testing::RandomBytes(size, seed++);
    const auto file = dir.Write("r.bin", bytes);
    Session run;
    run.Select(U16(file));
    RunChecksums(run.state, run.ui, DefaultPlatform());
    EXPECT_EQ(run.Shown(Slot::Crc32), testing::ZlibCrcText(bytes)) << size;
    EXPECT_EQ(run.Shown(Slot::Md5), testing::CoreutilsSum("md5sum", file)) << size;
    EXPECT_EQ(run.Shown(Slot::Sha1), testing::CoreutilsSum("sha1sum", file)) << size;
    EXPECT_EQ(run.Shown(Slot::Sha256), testing::CoreutilsSum("sha256sum", file)) << size;
    EXPECT_EQ(run.Shown(Slot::Sha512), testing::CoreutilsSum("sha512sum", file)) << size;
  }
}

// A CRC whose top nibbles are zero is shown without leading zeros, exactly as zlib's "%x".
TEST(ChecksumRun, CrcWithLeadingZeroNibblesIsShortened) {
  ScratchDir dir;
  std::string content;
  for (int i = 0;; ++i) {
    content = "leading-zero-" + std::to_string(i);
    if (testing::ZlibCrcText(content).size() < 7) break;
  }
  Session run;
  run.Select(U16(dir.Write("z.txt", content)));
  RunChecksums(run.state, run.ui, DefaultPlatform());
  EXPECT_EQ(run.Shown(Slot::Crc32), testing::ZlibCrcText(content));
  EXPECT_LT(run.Shown(Slot::Crc32).size(), 7u);
}
#endif

// A platform whose digests are scripted per slot, to drive the progress budget.
class ScriptedPlatform final : public ChecksumPlatform {
 public:
  explicit ScriptedPlatform(std::map<Slot, bool> fails) : fails_(std::move(fails)) {}
  std::FILE* OpenStream(const char16_t*) override { return std::tmpfile(); }
  bool DigestFile(Slot slot, const char16_t*, std::uint8_t* digest, std::size_t* length) override {
    if (fails_[slot]) return false;
    *length = static_cast<std::size_t>(InfoOf(slot).digestBytes);
    std::memset(digest, 0xAB, *length);
    return true;
  }

 private:
  std::map<Slot, bool> fails_;
};

// Steps taken before each display was set, then the fill, for failed passes anywhere.
TEST(ChecksumRun, ProgressBudgetAlwaysEndsAtOneHundred) {
  struct Case {
    std::map<Slot, bool> fails;
    int stepsAtDisplay[kSlotCount];  // cumulative steps when each display was set
    int fill;
  };
  const Case cases[] = {
      {{}, {20, 36, 56, 80, 100}, 0},
      {{{Slot::Md5, true}}, {20, 20, 40, 72, 100}, 0},
      {{{Slot::Sha256, true}}, {20, 36, 56, 56, 100}, 0},
      {{{Slot::Sha512, true}}, {20, 36, 56, 80, 80}, 20},
      {{{Slot::Md5, true}, {Slot::Sha1, true}, {Slot::Sha256, true}, {Slot::Sha512, true}},
       {20, 20, 20, 20, 20}, 80},
  };
  for (const Case& c : cases) {
    ScriptedPlatform platform(c.fails);
    Session run;
    run.Select(u"/any");
    RunChecksums(run.state, run.ui, platform);
    int steps = 0, slot = 0;
    for (const auto& entry : run.ui.log) {
      if (entry == u"step") ++steps;
      if (slot < kSlotCount && entry.rfind(u"set ", 0) == 0) {
        EXPECT_EQ(steps, c.stepsAtDisplay[slot]) << "display " << slot;
        ++slot;
      }
    }
    EXPECT_EQ(slot, kSlotCount);
    EXPECT_EQ(steps, 100);
    EXPECT_EQ(steps - c.stepsAtDisplay[4], c.fill);
    EXPECT_EQ(run.state.progressCounter, c.stepsAtDisplay[4]);  // the fill is not counted
    EXPECT_EQ(run.ui.progress, 100);
    for (const SlotInfo& info : kSlots)
      EXPECT_EQ(run.Shown(info.slot).empty(), c.fails.count(info.slot) > 0);
  }
}

// The whole sequence of window operations of a successful run, in order.
TEST(ChecksumRun, OperationsInOrder) {
  ScratchDir dir;
  Session run;
  run.Select(U16(dir.Write("abc.txt", "abc")));
  RunChecksums(run.state, run.ui, DefaultPlatform());

  std::vector<std::u16string> expected = {u"pos 0"};
  auto steps = [&](int n) { expected.insert(expected.end(), n, u"step"); };
  steps(20);
  expected.push_back(u"set crc32 352441c2");
  steps(16);
  expected.push_back(u"set md5 900150983cd24fb0d6963f7d28e17f72");
  steps(20);
  expected.push_back(u"set sha1 a9993e364706816aba3e25717850c26c9cd0d89d");
  steps(24);
  expected.push_back(u"set sha256 ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  steps(20);
  expected.push_back(u"set sha512 ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a2192992a274fc1a836ba3c23a3feebbd454d4423643ce80e2a9ac94fa54ca49f");
  for (const char16_t* e : {u"pos 100", u"enable copy-crc32", u"enable copy-md5", u"enable copy-sha1",
                            u"enable copy-sha256", u"enable copy-sha512", u"enable compare"})
    expected.push_back(e);
  EXPECT_EQ(run.ui.log, expected);
  // The working texts are cleared; what the user sees lives in the displays.
  for (const auto& text : run.state.results)
    for (char16_t c : text) ASSERT_EQ(c, 0);
}

TEST(ChecksumRun, RepeatedRunsShowTheSameTexts) {
  ScratchDir dir;
  Session run;
  run.Select(U16(dir.Write("twice.bin", testing::RandomBytes(70000, 7))));
  RunChecksums(run.state, run.ui, DefaultPlatform());
  std::u16string first[kSlotCount];
  for (const SlotInfo& info : kSlots) first[IndexOf(info.slot)] = run.Shown(info.slot);
  RunChecksums(run.state, run.ui, DefaultPlatform());
  for (const SlotInfo& info : kSlots) EXPECT_EQ(run.Shown(info.slot), first[IndexOf(info.slot)]);
  EXPECT_EQ(run.Shown(Slot::Sha512).size(), 128u);
}

// Whatever cannot be opened as a file gets the warning and changes nothing else.
TEST(ChecksumRun, WarnsAndChangesNothingWhenTheSelectionIsNotAFile) {
  ScratchDir dir;
  std::vector<std::u16string> selections = {
      U16(dir.path() / "missing.bin"),
      U16(dir.path()),                       // a folder
      u"",                                   // nothing chosen
      std::u16string(u"bad") + char16_t(0xD800) + u".bin",  // names no file on disk
  };
#ifndef _WIN32
  const auto fifo = dir.path() / "fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  selections.push_back(U16(fifo));          // would block a plain open for ever
  selections.push_back(u"/dev/zero");       // would never end
#endif
  for (const auto& selection : selections) {
    Session run;
    run.Select(selection);
    for (const SlotInfo& info : kSlots) run.ui.texts[static_cast<int>(ResultDisplay(info.slot))] = u"old";
    CopyText(run.state.fileTitle, kTitleCapacity, u"title");
    RunChecksums(run.state, run.ui, DefaultPlatform());
    ASSERT_EQ(run.ui.messages.size(), 1u);
    EXPECT_EQ(run.ui.messages[0].text, kMissingFileText);
    EXPECT_EQ(run.ui.messages[0].caption, u"경고");
    EXPECT_EQ(run.ui.messages[0].icon, MessageIcon::Warning);
    EXPECT_EQ(run.ui.log, (std::vector<std::u16string>{u"pos 0", u"message"}));
    EXPECT_EQ(run.ui.progress, 0);
    for (const SlotInfo& info : kSlots) EXPECT_EQ(run.Shown(info.slot), u"old");
    EXPECT_EQ(TextView(run.state.selectedPath, kPathCapacity), selection.substr(0, kPathCapacity - 1));
    EXPECT_EQ(TextView(run.state.fileTitle, kTitleCapacity), u"title");
  }
}

// A digest pass that cannot open the file any more shows nothing, not the digest of no bytes.
#ifndef _WIN32  // Windows refuses to delete an open file; its own suite has this case.
TEST(ChecksumRun, DigestPassWhoseOpenFailsStaysEmpty) {
  class VanishingPlatform final : public ChecksumPlatform {
   public:
    explicit VanishingPlatform(std::filesystem::path file) : file_(std::move(file)) {}
    std::FILE* OpenStream(const char16_t* path) override {
      std::FILE* f = DefaultPlatform().OpenStream(path);
      std::filesystem::remove(file_);  // the open stream still reads the bytes
      return f;
    }
    bool DigestFile(Slot s, const char16_t* p, std::uint8_t* d, std::size_t* n) override {
      return DefaultPlatform().DigestFile(s, p, d, n);
    }

   private:
    std::filesystem::path file_;
  };
  ScratchDir dir;
  const auto file = dir.Write("vanish.txt", "123456789");
  VanishingPlatform platform(file);
  Session run;
  run.Select(U16(file));
  RunChecksums(run.state, run.ui, platform);
  EXPECT_EQ(run.Shown(Slot::Crc32), u"cbf43926");
  for (Slot s : {Slot::Md5, Slot::Sha1, Slot::Sha256, Slot::Sha512}) EXPECT_EQ(run.Shown(s), u"");
  EXPECT_EQ(run.ui.progress, 100);
  EXPECT_TRUE(run.ui.Enabled(Control::CompareButton));
}
#endif

#ifndef _WIN32
// A stream that delivers some bytes and then fails, as a disk can part-way through a file.
std::FILE* FailingStream(std::size_t goodBytes) {
  struct Cookie { std::size_t left; };
  cookie_io_functions_t io = {};
  io.read = [](void* c, char* buf, std::size_t size) -> ssize_t {
    auto* k = static_cast<Cookie*>(c);
    if (k->left == 0) { errno = EIO; return -1; }
    const std::size_t n = size < k->left ? size : k->left;
    std::memset(buf, 'x', n);
    k->left -= n;
    return static_cast<ssize_t>(n);
  };
  io.close = [](void* c) { delete static_cast<Cookie*>(c); return 0; };
  return ::fopencookie(new Cookie{goodBytes}, "rb", io);
}

TEST(ComputeCrc32, ReadErrorPartWayLeavesTheTextEmpty) {
  for (std::size_t good : {0u, 100u, 40000u}) {
    std::FILE* f = FailingStream(good);
    char16_t out[kResultCapacity];
    CopyText(out, kResultCapacity, u"junk");
    EXPECT_FALSE(ComputeCrc32(f, out)) << good;
    EXPECT_EQ(TextView(out, kResultCapacity), u"") << good;
    std::fclose(f);
  }
}

// /proc/self/mem is a regular file whose reads fail: every pass must fail, none may show the
// checksum of the zero bytes it read.
TEST(ChecksumRun, UnreadableRegularFileShowsNoChecksum) {
  Session run;
  run.Select(u"/proc/self/mem");
  RunChecksums(run.state, run.ui, DefaultPlatform());
  EXPECT_TRUE(run.ui.messages.empty());
  for (const SlotInfo& info : kSlots) EXPECT_EQ(run.Shown(info.slot), u"") << IndexOf(info.slot);
  EXPECT_EQ(run.ui.progress, 100);
}

#endif

// Names outside ASCII, outside the BMP, and longer than 255 bytes once encoded: the open
// check and every pass must read the same file.
TEST(ChecksumRun, NonAsciiAndLongNamesReachTheSameFile) {
  ScratchDir dir;
  const std::u16string hangul(70, u'해');  // 210 bytes in UTF-8 per component
  const std::filesystem::path names[] = {
      std::filesystem::path(u"해시 확인.txt"),
      std::filesystem::path(u"\U0001F600 smile.bin"),
      std::filesystem::path(hangul) / std::filesystem::path(u"파일.txt"),
  };
  for (const auto& name : names) {
    std::filesystem::create_directories((dir.path() / name).parent_path());
    const auto file = dir.Write(name, "abc");
    Session run;
    run.Select(U16(file));
    ASSERT_LT(U16(file).size(), kPathCapacity);
    RunChecksums(run.state, run.ui, DefaultPlatform());
    EXPECT_TRUE(run.ui.messages.empty());
    EXPECT_EQ(run.Shown(Slot::Crc32), u"352441c2");
    EXPECT_EQ(run.Shown(Slot::Md5), u"900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(run.Shown(Slot::Sha256), u"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  }
}

}  // namespace
}  // namespace tav

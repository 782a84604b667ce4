// Compare, copy, file selection and routing against the recording double, and the whole use.
#include <gtest/gtest.h>

#include "compare/compare.h"
#include "engine/checksums.h"
#include "engine/platform.h"
#include "recording_ui.h"
#include "test_files.h"
#include "window/commands.h"

namespace tav {
namespace {

using testing::RecordingUi;

constexpr const char16_t* kShown[kSlotCount] = {
    u"12abcd", u"900150983cd24fb0d6963f7d28e17f72", u"a9993e364706816aba3e25717850c26c9cd0d89d",
    u"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad",
    u"ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a2192992a274fc1a836ba3c23a3feebbd454d4423643ce80e2a9ac94fa54ca49f"};

struct Shell {
  AppState state;
  RecordingUi ui;
  Shell() {
    for (int i = 0; i < kSlotCount; ++i) ui.texts[static_cast<int>(ResultDisplay(SlotAt(i)))] = kShown[i];
    CopyText(state.fileTitle, kTitleCapacity, u"report.pdf");
  }
  void Type(const std::u16string& value) { ui.texts[static_cast<int>(Control::CompareInput)] = value; }
};

TEST(CompareHashValue, ExactFirstMatchOrNone) {
  const std::u16string matchCaption = u"일치하는 해시 값이 있습니다";
  const std::u16string none = u"일치하는 해시값이 없습니다";
  struct Case {
    std::u16string input;
    std::u16string text, caption;
  };
  const Case cases[] = {
      {kShown[0], u"report.pdf 파일에 CRC32해시 값 12abcd 와 일치합니다", matchCaption},
      {kShown[1], u"report.pdf 파일에 MD5해시 값 900150983cd24fb0d6963f7d28e17f72 와 일치합니다", matchCaption},
      {kShown[2], u"report.pdf 파일에 SHA-1해시 값 a9993e364706816aba3e25717850c26c9cd0d89d 와 일치합니다", matchCaption},
      {kShown[3], std::u16string(u"report.pdf 파일에 SHA-256해시 값 ") + kShown[3] + u" 와 일치합니다", matchCaption},
      {kShown[4], std::u16string(u"report.pdf 파일에 SHA-512해시 값 ") + kShown[4] + u" 와 일치합니다", matchCaption},
      {u"900150983CD24FB0D6963F7D28E17F72", none, none},   // uppercase
      {u"0012abcd", none, none},                           // leading zeros on the CRC
      {u" 900150983cd24fb0d6963f7d28e17f72", none, none},  // leading blank
      {u"900150983cd24fb0d6963f7d28e17f72 ", none, none},  // trailing blank
      {u"", none, none},
      {u"12ABCD", none, none},
  };
  for (const Case& c : cases) {
    Shell shell;
    shell.Type(c.input);
    CompareHashValue(shell.state, shell.ui);
    ASSERT_EQ(shell.ui.messages.size(), 1u);
    EXPECT_EQ(shell.ui.messages[0].text, c.text);
    EXPECT_EQ(shell.ui.messages[0].caption, c.caption);
    EXPECT_EQ(shell.ui.messages[0].icon, MessageIcon::None);
    // The box keeps what the user typed; the working texts are cleared.
    EXPECT_EQ(shell.ui.Text(Control::CompareInput), c.input);
    EXPECT_EQ(TextLength(shell.state.compareInput, kCompareCapacity), 0u);
    for (const auto& r : shell.state.results) EXPECT_EQ(TextLength(r, kResultCapacity), 0u);
  }
}

TEST(CompareHashValue, FirstOfTwoEqualDisplaysWins) {
  Shell shell;
  shell.ui.texts[static_cast<int>(Control::ResultSha1)] = kShown[1];
  shell.Type(kShown[1]);
  CompareHashValue(shell.state, shell.ui);
  EXPECT_NE(shell.ui.messages.at(0).text.find(u"MD5해시"), std::u16string::npos);
}

// An empty display is a pass that failed: it is no value, so nothing "matches" it.
TEST(CompareHashValue, EmptyDisplayNeverMatches) {
  Shell shell;
  shell.ui.texts[static_cast<int>(Control::ResultMd5)].clear();
  shell.Type(u"");
  CompareHashValue(shell.state, shell.ui);
  EXPECT_EQ(shell.ui.messages.at(0).caption, kNoMatchText);
}

// More than the compare input holds: read cut to 255 units (no overflow), and no match even
// though the input starts with a shown value.
TEST(CompareHashValue, OverlongInputIsCutAndNeverMatches) {
  Shell shell;
  shell.Type(kShown[4] + std::u16string(300, u'0'));
  CompareHashValue(shell.state, shell.ui);
  EXPECT_EQ(shell.ui.messages.at(0).caption, kNoMatchText);
}

TEST(CompareHashValue, LongestMessageFitsWhole) {
  Shell shell;
  const std::u16string title(259, u'가');
  CopyText(shell.state.fileTitle, kTitleCapacity, title);
  shell.Type(kShown[4]);
  CompareHashValue(shell.state, shell.ui);
  const std::u16string& text = shell.ui.messages.at(0).text;
  EXPECT_EQ(text.size(), 412u);
  EXPECT_EQ(text, title + u" 파일에 SHA-512해시 값 " + kShown[4] + u" 와 일치합니다");
}

TEST(CopyResultText, CopiesTheDisplayAndSaysHowToPaste) {
  const char16_t* labels[kSlotCount] = {u"CRC32", u"MD5", u"SHA-1", u"SHA-256", u"SHA-512"};
  for (int i = 0; i < kSlotCount; ++i) {
    Shell shell;
    const Slot slot = SlotAt(i);
    ASSERT_TRUE(RouteCommand(shell.state, shell.ui, DefaultPlatform(), ID_COPY_CRC32 + i, 0));
    EXPECT_EQ(shell.ui.clipboard, kShown[i]);  // never widened with zeros
    ASSERT_EQ(shell.ui.messages.size(), 1u);
    EXPECT_EQ(shell.ui.messages[0].text,
              std::u16string(labels[i]) +
                  u" 해시 값이 클립보드에 복사되었습니다\n복사된 값을 붙여 넣으려면 Ctrl + V키를 "
                  u"누르거나 마우스 오른쪽으로 메뉴를 호출 한뒤에 '붙여넣기'로 값을 붙여넣기 할수 있습니다");
    EXPECT_EQ(shell.ui.messages[0].caption, u"알림");
    EXPECT_EQ(shell.ui.messages[0].icon, MessageIcon::None);
    const std::u16string name[kSlotCount] = {u"crc32", u"md5", u"sha1", u"sha256", u"sha512"};
    EXPECT_EQ(shell.ui.log, (std::vector<std::u16string>{u"select-all " + name[i],
                                                         u"copy " + name[i], u"message"}));
    EXPECT_EQ(shell.ui.selected, static_cast<int>(ResultDisplay(slot)));
  }
}

TEST(CopyResultText, EmptyDisplayStillShowsTheMessage) {
  Shell shell;
  shell.ui.texts[static_cast<int>(Control::ResultSha1)].clear();
  CopyResultText(shell.ui, Slot::Sha1);
  EXPECT_EQ(shell.ui.clipboard, u"");
  EXPECT_EQ(shell.ui.messages.size(), 1u);
}

TEST(FileTitleOf, NameAndExtensionWithoutDriveOrDirectory) {
  const std::pair<const char16_t*, const char16_t*> cases[] = {
      {u"/home/u/a.tar.gz", u"a.tar.gz"}, {u"noext", u"noext"}, {u"/dir/", u""},
      {u"/해시/파일.txt", u"파일.txt"},
#ifdef _WIN32
      {u"D:\\docs\\report.pdf", u"report.pdf"}, {u"C:report.txt", u"report.txt"},
      {u"\\\\server\\share\\f.bin", u"f.bin"}, {u"a/b\\c.txt", u"c.txt"},
#else
      {u"a\\b.txt", u"a\\b.txt"}, {u"C:report.txt", u"C:report.txt"},
#endif
  };
  for (const auto& [path, title] : cases) {
    char16_t out[kTitleCapacity];
    FileTitleOf(path, out, kTitleCapacity);
    EXPECT_EQ(TextView(out, kTitleCapacity), title) << TextView(path, 300).size();
  }
}

const std::vector<std::u16string> kSelectionOps = {
    u"disable copy-crc32", u"disable copy-md5", u"disable copy-sha1",
    u"disable copy-sha256", u"disable copy-sha512", u"disable compare"};

TEST(FileSelection, DropTakesThePathCutToCapacity) {
  Shell shell;
  const std::u16string longPath = u"/" + std::u16string(280, u'd') + u"/x.bin";
  AcceptDroppedPath(shell.state, shell.ui, longPath);
  EXPECT_EQ(TextLength(shell.state.selectedPath, kPathCapacity), 259u);
  // The title comes from the cut path: its last 258 units, all of the folder's name.
  EXPECT_EQ(TextView(shell.state.fileTitle, kTitleCapacity), std::u16string(258, u'd'));
  AcceptDroppedPath(shell.state, shell.ui, u"/docs/report.pdf");
  EXPECT_EQ(TextView(shell.state.fileTitle, kTitleCapacity), u"report.pdf");
  std::vector<std::u16string> expected = {u"set path /docs/report.pdf", u"enable run"};
  expected.insert(expected.end(), kSelectionOps.begin(), kSelectionOps.end());
  EXPECT_EQ(std::vector<std::u16string>(shell.ui.log.end() - 8, shell.ui.log.end()), expected);
  // The old values stay visible until the next run.
  EXPECT_EQ(shell.ui.Text(Control::ResultMd5), kShown[1]);
}

TEST(FileSelection, DialogStartsAtThePreviousPathAndCancelChangesNothing) {
  Shell shell;
  CopyText(shell.state.selectedPath, kPathCapacity, u"/old/one.bin");
  ASSERT_TRUE(RouteCommand(shell.state, shell.ui, DefaultPlatform(), ID_BROWSE, 0));
  EXPECT_EQ(shell.ui.dialogStartedAt, u"/old/one.bin");
  EXPECT_EQ(shell.ui.log, std::vector<std::u16string>{u"dialog"});
  EXPECT_EQ(TextView(shell.state.selectedPath, kPathCapacity), u"/old/one.bin");

  shell.ui.nextChoice = {{u"/new/two.iso", u"two.iso"}};
  RouteCommand(shell.state, shell.ui, DefaultPlatform(), ID_BROWSE, 0);
  EXPECT_EQ(TextView(shell.state.selectedPath, kPathCapacity), u"/new/two.iso");
  EXPECT_EQ(TextView(shell.state.fileTitle, kTitleCapacity), u"two.iso");
  EXPECT_EQ(shell.ui.Text(Control::PathDisplay), u"/new/two.iso");
  EXPECT_TRUE(shell.ui.Enabled(Control::RunButton));
}

TEST(RouteCommand, OnlyClicksOnTheEightButtonsAct) {
  for (int id : {100, 101, 102, 103, 104, 105, 106, 107, 108, 109, 0, 0xFFFF, -1}) {
    for (int code : {0, 1, 0x100 /* EN_SETFOCUS */, 0x300 /* EN_CHANGE */}) {
      Shell shell;
      const bool acted = RouteCommand(shell.state, shell.ui, DefaultPlatform(), id, code);
      const bool expected = code == 0 && id >= ID_BROWSE && id <= ID_COMPARE;
      EXPECT_EQ(acted, expected) << id << " " << code;
      EXPECT_EQ(shell.ui.log.empty(), !expected) << id << " " << code;
    }
  }
}

// fresh -> file chosen -> results shown -> file chosen, and a failed run in between.
TEST(ButtonStates, FollowSelectionAndRuns) {
  testing::ScratchDir dir;
  AppState state;
  RecordingUi ui;
  auto expectStates = [&](bool run, bool rest, const char* when) {
    EXPECT_EQ(ui.Enabled(Control::RunButton), run) << when;
    for (const SlotInfo& info : kSlots) EXPECT_EQ(ui.Enabled(CopyButton(info.slot)), rest) << when;
    EXPECT_EQ(ui.Enabled(Control::CompareButton), rest) << when;
  };
  expectStates(false, false, "fresh");
  AcceptDroppedPath(state, ui, testing::U16(dir.Write("a.txt", "abc")));
  expectStates(true, false, "chosen");
  RouteCommand(state, ui, DefaultPlatform(), ID_RUN, 0);
  expectStates(true, true, "results");
  const std::u16string shown = ui.Text(Control::ResultSha1);
  AcceptDroppedPath(state, ui, testing::U16(dir.path() / "missing"));
  expectStates(true, false, "chosen again");
  EXPECT_EQ(ui.Text(Control::ResultSha1), shown);
  RouteCommand(state, ui, DefaultPlatform(), ID_RUN, 0);  // the warning; nothing changes
  expectStates(true, false, "after the warning");
  EXPECT_EQ(ui.Text(Control::ResultSha1), shown);
}

// The whole use without a window: drop, run, copy, paste into the compare box, compare.
TEST(EndToEnd, DropRunCopyCompare) {
  testing::ScratchDir dir;
  const auto file = dir.Write(u8"데이터.bin", testing::RandomBytes(100000, 42));
  AppState state;
  RecordingUi ui;
  AcceptDroppedPath(state, ui, testing::U16(file));
  RouteCommand(state, ui, DefaultPlatform(), ID_RUN, 0);
  RouteCommand(state, ui, DefaultPlatform(), ID_COPY_SHA256, 0);
#ifndef _WIN32
  EXPECT_EQ(ui.clipboard, testing::CoreutilsSum("sha256sum", file));
#endif
  EXPECT_EQ(ui.clipboard.size(), 64u);
  ui.texts[static_cast<int>(Control::CompareInput)] = ui.clipboard;
  RouteCommand(state, ui, DefaultPlatform(), ID_COMPARE, 0);
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.messages[1].text, u"데이터.bin 파일에 SHA-256해시 값 " + ui.clipboard + u" 와 일치합니다");
  EXPECT_EQ(ui.messages[1].caption, kMatchCaption);
}

}  // namespace
}  // namespace tav

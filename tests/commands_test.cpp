// The commands against the recording double: compare, copy, file titles, drop and dialog. Which
// clicks act is checked through the Windows window procedure, whose controls also send other
// notifications.
#include <gtest/gtest.h>


#include "doubles.h"
#include "window/commands.h"

namespace tav {
namespace {

const std::u16string kShown[kSlotCount] = {u"12abcd", std::u16string(32, u'd'), std::u16string(40, u'e'),
                                           std::u16string(64, u'f'), std::u16string(128, u'9')};
const std::u16string kLabels[kSlotCount] = {u"CRC32", u"MD5", u"SHA-1", u"SHA-256", u"SHA-512"};
const std::u16string kNoMatch = u"일치하는 해시값이 없습니다";

// A window after a run of report.pdf: five values shown, nothing logged yet.
struct Shell {
  Shell() {
    for (int i = 0; i < kSlotCount; ++i) ui.Text(ResultDisplay(SlotAt(i))) = kShown[i];
    CopyText(state.fileTitle, kTitleCapacity, u"report.pdf");
  }
  bool Route(int id, int code = 0) { return RouteCommand(state, ui, platform, id, code); }
  AppState state;
  testing::RecordingUi ui;
  testing::FakePlatform platform;
};

TEST(CompareHashValue, ExactFirstMatchInSlotOrder) {
  const std::u16string longest(259, u'가');  // gives the longest message, 412 units, whole
  struct Case {  // the slot named (-1: none); a display showing another value; the file title
    std::u16string input;
    int match, changed = -1;
    std::u16string changedTo = {}, title = u"report.pdf";
  };
  std::vector<Case> cases = {
      {kShown[4], 4, -1, u"", longest}, {kShown[1], 1, 2, kShown[1]},  // the first of two equal
      {u"", -1, 1, u""},  // a failed pass's empty display is no value
      {std::u16string(32, u'D'), -1}, {u"0012abcd", -1}, {u" 12abcd", -1},
      {u"12abcd ", -1},
      // The most the input holds, 255 units, against a display showing as much; one unit more
      // is read cut and matches nothing.
      {std::u16string(255, u'a'), 4, 4, std::u16string(255, u'a')},
      {std::u16string(256, u'a'), -1, 4, std::u16string(255, u'a')}};
  for (int i = 0; i < kSlotCount; ++i) cases.push_back({kShown[i], i});
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.input));
    Shell shell;
    CopyText(shell.state.fileTitle, kTitleCapacity, c.title);
    if (c.changed >= 0) shell.ui.Text(ResultDisplay(SlotAt(c.changed))) = c.changedTo;
    shell.ui.Text(Control::CompareInput) = c.input;
    EXPECT_TRUE(shell.Route(ID_COMPARE));
    const testing::Shown& box = shell.ui.messages.at(0);
    const std::u16string value = c.match == c.changed ? c.changedTo : c.match < 0 ? u"" : kShown[c.match];
    EXPECT_EQ(std::tie(box.text, box.caption, box.icon),
              std::tuple(c.match < 0 ? kNoMatch
                                     : c.title + u" 파일에 " + kLabels[c.match] + u"해시 값 " + value + u" 와 일치합니다",
                         c.match < 0 ? kNoMatch : u"일치하는 해시 값이 있습니다", MessageIcon::None));
    // The box keeps what was typed; the working texts are cleared.
    EXPECT_EQ(shell.ui.Text(Control::CompareInput), c.input);
    EXPECT_EQ(shell.state.compareInput[0], 0);
    for (const auto& text : shell.state.results) EXPECT_EQ(text[0], 0);
  }
}

// The display's whole text, exactly as shown, then how to paste it. (A copy button is offered
// only beside a value: the run's test.)
TEST(CopyResultText, SelectsCopiesAndSaysHowToPaste) {
  for (int slot = 0; slot < kSlotCount; ++slot) {
    SCOPED_TRACE(slot);
    Shell shell;
    EXPECT_TRUE(shell.Route(ID_COPY_CRC32 + slot));
    EXPECT_EQ(shell.ui.clipboard, kShown[slot]);
    const std::u16string display = shell.ui.names[int(ResultDisplay(SlotAt(slot)))];
    EXPECT_EQ(shell.ui.log, (std::vector<std::u16string>{u"select-all " + display, u"copy " + display, u"message"}));
    const testing::Shown& box = shell.ui.messages.at(0);
    EXPECT_EQ(std::tie(box.text, box.caption, box.icon),
              std::tuple(kLabels[slot] + u" 해시 값이 클립보드에 복사되었습니다\n복사된 값을 붙여 넣으려면 Ctrl + V키를 누르거나 "
                         u"마우스 오른쪽으로 메뉴를 호출 한뒤에 '붙여넣기'로 값을 붙여넣기 할수 있습니다", u"알림", MessageIcon::None));
  }
}

TEST(FileTitleOf, NameAndExtensionByThePlatformsRule) {
  const std::pair<std::u16string, std::u16string> cases[] = {
      {u"/home/u/a.tar.gz", u"a.tar.gz"}, {u"noext", u"noext"}, {u"/dir/", u""}, {u"/해시/파일.txt", u"파일.txt"},
#ifdef _WIN32
      {u"D:\\docs\\report.pdf", u"report.pdf"}, {u"\\\\server\\share\\f.bin", u"f.bin"},
      {u"a/b\\c.txt", u"c.txt"}, {u"C:", u""}, {u"z:rel.txt", u"rel.txt"}, {u"C:\\x", u"x"},
#else
      {u"a\\b.txt", u"a\\b.txt"}, {u"/x/C:y", u"C:y"},  // a backslash and a colon are name characters
#endif
  };
  for (const auto& [path, title] : cases) {
    char16_t out[kTitleCapacity];
    std::fill_n(out, kTitleCapacity, u'#');
    FileTitleOf(path, out, kTitleCapacity);
    EXPECT_EQ(TextView(out, kTitleCapacity), title) << ::testing::PrintToString(path);
  }
}

// Dropped or chosen, a file becomes the selection only whole: a path of 259 units is taken, one
// of 260 keeps the previous selection to the last unit and gets the run's warning, and so does
// anything but a choice in the dialog (which starts from the previous path), whatever it left
// in its buffers. A drop that names no file (a link from a browser) keeps it silently. The old
// values stay until the next run.
TEST(FileSelection, OnlyAWholePathReplacesTheSelection) {
  const std::u16string folder = u"/" + std::u16string(250, u'd') + u"/";  // 252 units
  // How the file comes (a drop, or the dialog's answer), its path, the title when taken.
  const std::tuple<const char*, bool, Choice, std::u16string, std::u16string, bool, bool> cases[] = {
      {"drop of 259 units", true, Choice::Chosen, folder + u"1234567", u"1234567", true, false},
      {"drop of 260 units", true, Choice::Chosen, folder + u"12345678", u"", false, true},
      {"drop naming no file", true, Choice::Chosen, u"", u"", false, false},
      {"dialog choice", false, Choice::Chosen, u"/new/two.iso", u"two.iso", true, false},
      {"dialog cancelled", false, Choice::Cancelled, u"/new/two.iso", u"", false, false},
      {"dialog name too long", false, Choice::TooLong, u"/new/two.iso", u"", false, true},
      {"dialog name of two files", false, Choice::Ambiguous, u"/new/two.iso", u"", false, true}};
  for (const auto& [what, drop, choice, path, title, taken, warned] : cases) {
    SCOPED_TRACE(what);
    Shell shell;
    AcceptDroppedPath(shell.state, shell.ui, u"/old/one.bin");
    const AppState before = shell.state;
    shell.ui.log.clear();
    std::vector<std::u16string> expected;
    if (drop) {
      AcceptDroppedPath(shell.state, shell.ui, path);
    } else {
      shell.ui.choice = choice;
      shell.ui.choicePath = path;
      shell.ui.choiceTitle = u"two.iso";
      EXPECT_TRUE(shell.Route(ID_BROWSE));
      expected.push_back(u"dialog from /old/one.bin");
    }
    if (warned) expected.push_back(u"message");
    if (taken)  // the path shown, the run offered, copy and compare withdrawn
      expected.insert(expected.end(), {u"set pathDisplay " + path, u"enable runButton", u"disable crc32CopyButton",
                                       u"disable md5CopyButton", u"disable sha1CopyButton", u"disable sha256CopyButton",
                                       u"disable sha512CopyButton", u"disable compareButton"});
    EXPECT_EQ(shell.ui.log, expected);
    EXPECT_EQ(shell.state == before, !taken);
    EXPECT_EQ(TextView(shell.state.fileTitle, kTitleCapacity), taken ? title : u"one.bin");
    for (const auto& shown : shell.ui.messages) EXPECT_EQ(shown.caption, u"경고");
    EXPECT_EQ(shell.ui.Text(Control::ResultMd5), kShown[1]);
  }
}

}  // namespace
}  // namespace tav

// The main window in use: drop or dialog, run, copy to the clipboard, compare, warnings.
#include <windows.h>
#include <commctrl.h>
#include <gdiplus.h>

#include <gtest/gtest.h>

#include <cwctype>
#include <string>

#include "shell_window.h"
#include "win32_support.h"

namespace tav::win32::testing {
namespace {

using tav::Control;

const wchar_t* const kLabels[5] = {L"CRC32", L"MD5", L"SHA-1", L"SHA-256", L"SHA-512"};
const Control kDisplays[5] = {Control::ResultCrc32, Control::ResultMd5, Control::ResultSha1,
                              Control::ResultSha256, Control::ResultSha512};
const Control kCopies[5] = {Control::CopyCrc32, Control::CopyMd5, Control::CopySha1,
                            Control::CopySha256, Control::CopySha512};

std::wstring CopyNotice(const wchar_t* label) {
  return std::wstring(label) +
         L" 해시 값이 클립보드에 복사되었습니다\n복사된 값을 붙여 넣으려면 Ctrl + V키를 누르거나 "
         L"마우스 오른쪽으로 메뉴를 호출 한뒤에 '붙여넣기'로 값을 붙여넣기 할수 있습니다";
}

const wchar_t kMissing[] =
    L"지정된 파일이 없습니다. 파일을 선택 한후에 해시섬 확인을 진행해 주세요";

std::wstring Title(const std::wstring& path) { return path.substr(path.find_last_of(L'\\') + 1); }

class Flow : public ::testing::Test {
 protected:
  std::wstring Shown(Control c) const { return WindowText(main.Control(c)); }
  bool Enabled(Control c) const { return IsWindowEnabled(main.Control(c)) != FALSE; }
  void ExpectChosen(const std::wstring& path) {
    EXPECT_EQ(Shown(Control::PathDisplay), path);
    EXPECT_EQ(std::wstring(Wide(SharedState().selectedPath)), path);
    EXPECT_EQ(std::wstring(Wide(SharedState().fileTitle)), Title(path));
    EXPECT_TRUE(Enabled(Control::RunButton));
    for (Control c : kCopies) EXPECT_FALSE(Enabled(c));
    EXPECT_FALSE(Enabled(Control::CompareButton));
  }

  MainWindowFixture main;
  DialogCatcher dialogs;
  std::map<std::wstring, Expected> files = LoadFixture();
};

TEST_F(Flow, DropRunCopyCompare) {
  ASSERT_EQ(files.size(), 3u) << "make_fixture.sh has not run";
  const Expected& hangul = files.at(L"해시 검사 파일.bin");
  // Three files dropped at once: the first is taken.
  DropFiles(main.window, {hangul.path, files.at(L"abc.txt").path, files.at(L"빈 파일.txt").path});
  ExpectChosen(hangul.path);

  main.Command(ID_RUN);
  EXPECT_TRUE(dialogs.boxes.empty());
  for (int i = 0; i < 5; ++i) EXPECT_EQ(Shown(kDisplays[i]), hangul.sums[i]) << "slot " << i;
  EXPECT_EQ(main.ProgressPos(), 100);
  for (Control c : kCopies) EXPECT_TRUE(Enabled(c));
  EXPECT_TRUE(Enabled(Control::CompareButton));
  EXPECT_TRUE(Enabled(Control::RunButton));

  for (int i = 0; i < 5; ++i) {
    SetClipboardText(L"before the copy");
    main.Command(ID_COPY_CRC32 + i);
    ASSERT_EQ(dialogs.boxes.size(), static_cast<std::size_t>(i + 1));
    const SeenBox& box = dialogs.boxes.back();
    EXPECT_EQ(box.caption, L"알림");
    EXPECT_EQ(box.text, CopyNotice(kLabels[i]));
    EXPECT_FALSE(box.warningIcon);
    EXPECT_EQ(ClipboardText(), hangul.sums[i]);
  }

  // Paste the SHA-256 value into the compare box: found, named by file title.
  SetWindowTextW(main.Control(Control::CompareInput), hangul.sums[3].c_str());
  main.Command(ID_COMPARE);
  ASSERT_EQ(dialogs.boxes.size(), 6u);
  EXPECT_EQ(dialogs.boxes.back().caption, L"일치하는 해시 값이 있습니다");
  EXPECT_EQ(dialogs.boxes.back().text,
            L"해시 검사 파일.bin 파일에 SHA-256해시 값 " + hangul.sums[3] + L" 와 일치합니다");
  EXPECT_FALSE(dialogs.boxes.back().warningIcon);
  // The box keeps what was typed, so it can be compared again.
  EXPECT_EQ(Shown(Control::CompareInput), hangul.sums[3]);

  // Case matters: the uppercase value matches nothing.
  std::wstring upper = hangul.sums[3];
  for (auto& c : upper) c = static_cast<wchar_t>(towupper(c));
  SetWindowTextW(main.Control(Control::CompareInput), upper.c_str());
  main.Command(ID_COMPARE);
  ASSERT_EQ(dialogs.boxes.size(), 7u);
  EXPECT_EQ(dialogs.boxes.back().caption, L"일치하는 해시값이 없습니다");
  EXPECT_EQ(dialogs.boxes.back().text, L"일치하는 해시값이 없습니다");

  // A new selection disables copy and compare at once; the old values stay visible.
  DropFiles(main.window, {files.at(L"abc.txt").path});
  ExpectChosen(files.at(L"abc.txt").path);
  EXPECT_EQ(Shown(Control::ResultSha512), hangul.sums[4]);
}

TEST_F(Flow, DialogChoosesAFileAndCancelKeepsTheSelection) {
  const Expected& abc = files.at(L"abc.txt");
  const Expected& hangul = files.at(L"해시 검사 파일.bin");
  DropFiles(main.window, {abc.path});

  std::wstring filterShown, nameShown;
  int filterCount = 0;
  dialogs.onFileDialog = [&](HWND dialog) {
    const HWND filter = GetDlgItem(dialog, 0x470);  // the file-type list
    filterCount = static_cast<int>(SendMessageW(filter, CB_GETCOUNT, 0, 0));
    wchar_t item[256] = {};
    SendMessageW(filter, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(item));
    filterShown = item;
    HWND name = GetDlgItem(dialog, 0x47c);  // the file-name box (cmb13)
    if (!name) name = GetDlgItem(dialog, 0x480);  // (edt1) in older layouts
    nameShown = WindowText(name);
    SetWindowTextW(name, hangul.path.c_str());
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  };
  main.Command(ID_BROWSE);
  EXPECT_EQ(dialogs.fileDialogs, 1);
  // One filter, shown by its name.
  EXPECT_EQ(filterCount, 1);
  EXPECT_EQ(filterShown, L"모든 파일");
  // The dialog opens on the previous selection.
  EXPECT_NE(nameShown.find(L"abc.txt"), std::wstring::npos);
  ExpectChosen(hangul.path);

  // Cancelled: nothing changes.
  dialogs.onFileDialog = [](HWND dialog) { PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0); };
  main.Command(ID_RUN);
  ASSERT_TRUE(Enabled(Control::CompareButton));
  main.Command(ID_BROWSE);
  EXPECT_EQ(dialogs.fileDialogs, 2);
  EXPECT_EQ(Shown(Control::PathDisplay), hangul.path);
  EXPECT_TRUE(Enabled(Control::CompareButton));
  EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(Flow, MissingFileWarnsAndChangesNothing) {
  ScratchFolder folder;
  const std::wstring gone = folder.Write(L"곧 사라질 파일.txt", "abc");
  DropFiles(main.window, {gone});
  DeleteFileW(gone.c_str());
  main.Command(ID_RUN);
  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_EQ(dialogs.boxes[0].caption, L"경고");
  EXPECT_EQ(dialogs.boxes[0].text, kMissing);
  EXPECT_TRUE(dialogs.boxes[0].warningIcon);
  EXPECT_EQ(main.ProgressPos(), 0);
  for (Control c : kDisplays) EXPECT_EQ(Shown(c), L"");
  for (Control c : kCopies) EXPECT_FALSE(Enabled(c));

  // A dropped folder is accepted as a selection and then refused the same way.
  DropFiles(main.window, {folder.path()});
  ExpectChosen(folder.path());
  main.Command(ID_RUN);
  ASSERT_EQ(dialogs.boxes.size(), 2u);
  EXPECT_EQ(dialogs.boxes[1].text, kMissing);
}

TEST_F(Flow, OnlyClicksAct) {
  DropFiles(main.window, {files.at(L"abc.txt").path});
  for (int id = ID_BROWSE; id <= ID_COMPARE; ++id) {
    main.Command(id, BN_DOUBLECLICKED);
    main.Command(id, BN_SETFOCUS);
  }
  EXPECT_EQ(dialogs.fileDialogs, 0);
  EXPECT_TRUE(dialogs.boxes.empty());
  EXPECT_EQ(Shown(Control::ResultCrc32), L"");
  EXPECT_EQ(main.ProgressPos(), 0);
}

TEST_F(Flow, LongDroppedPathIsCutToTheSelectionCapacity) {
  std::wstring path = L"C:\\";
  while (path.size() < 300) path += L"긴폴더이름\\";
  path += L"report.pdf";
  DropFiles(main.window, {path});
  const std::wstring cut = path.substr(0, 259);
  EXPECT_EQ(std::wstring(Wide(SharedState().selectedPath)), cut);
  EXPECT_EQ(Shown(Control::PathDisplay), cut);
  EXPECT_EQ(std::wstring(Wide(SharedState().fileTitle)), Title(cut));

  DropFiles(main.window, {L"D:\\docs\\report.pdf"});
  EXPECT_EQ(std::wstring(Wide(SharedState().fileTitle)), L"report.pdf");
}

// bg.png from the current folder is drawn scaled over the client area; without it the
// window shows its white class background.
COLORREF PixelAfterPaint(HWND window, int x, int y) {
  InvalidateRect(window, nullptr, TRUE);
  UpdateWindow(window);
  const HDC dc = GetDC(window);
  const COLORREF c = GetPixel(dc, x, y);
  ReleaseDC(window, dc);
  return c;
}

bool SavePng(const std::wstring& path, Gdiplus::ARGB colour) {
  namespace gdip = Gdiplus::DllExports;
  Gdiplus::GpBitmap* bitmap = nullptr;
  if (gdip::GdipCreateBitmapFromScan0(64, 36, 0, PixelFormat32bppARGB, nullptr, &bitmap) != Gdiplus::Ok)
    return false;
  for (int y = 0; y < 36; ++y)
    for (int x = 0; x < 64; ++x) gdip::GdipBitmapSetPixel(bitmap, x, y, colour);
  // The PNG encoder's class id.
  const CLSID png = {0x557cf406, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
  const bool ok = gdip::GdipSaveImageToFile(bitmap, path.c_str(), &png, nullptr) == Gdiplus::Ok;
  gdip::GdipDisposeImage(bitmap);
  return ok;
}

TEST(Background, DrawnFromTheCurrentFolderOrWhite) {
  ScratchFolder folder;
  wchar_t previous[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, previous);
  ASSERT_TRUE(SetCurrentDirectoryW(folder.path().c_str()));
  COLORREF without, with;
  {
    MainWindowFixture main;
    without = PixelAfterPaint(main.window, 600, 80);
  }
  ASSERT_TRUE(SavePng(folder.path() + L"\\bg.png", 0xFFC83214));
  {
    MainWindowFixture main;
    with = PixelAfterPaint(main.window, 600, 80);
  }
  SetCurrentDirectoryW(previous);
  EXPECT_EQ(without, RGB(255, 255, 255));
  EXPECT_EQ(with, RGB(0xC8, 0x32, 0x14));
}

}  // namespace
}  // namespace tav::win32::testing

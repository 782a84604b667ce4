// The main window in use: drop or dialog, run, copy to the clipboard, compare, warnings, bg.png.
#include <windows.h>
#include <commctrl.h>
#include <gdiplus.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell_window.h"
#include "win32_support.h"

namespace tav::win32::testing {
namespace {

using tav::Control;

const Control kDisplays[5] = {Control::ResultCrc32, Control::ResultMd5, Control::ResultSha1,
                              Control::ResultSha256, Control::ResultSha512};

class Flow : public ::testing::Test {
 protected:
  std::wstring Shown(Control c) const { return WindowText(main.Control(c)); }
  bool Enabled(Control c) const { return IsWindowEnabled(main.Control(c)) != FALSE; }
  // The path shown, its title kept for the messages, and the run offered.
  void ExpectChosen(const std::wstring& path) {
    EXPECT_EQ(Shown(Control::PathDisplay), path);
    EXPECT_EQ(std::wstring(Wide(SharedState().fileTitle)), path.substr(path.find_last_of(L'\\') + 1));
    EXPECT_TRUE(Enabled(Control::RunButton));
  }

  MainWindowFixture main;
  WindowWatch dialogs;
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
  EXPECT_EQ(main.ProgressPos(), 100);
  // Each value is gzip's or coreutils', and its copy puts exactly that on the clipboard.
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(Shown(kDisplays[i]), hangul.sums[i]);
    ClearClipboard();
    main.Command(ID_COPY_CRC32 + i);
    EXPECT_EQ(ClipboardText(), hangul.sums[i]);
    ASSERT_EQ(dialogs.boxes.size(), i + 1u);
    EXPECT_EQ(dialogs.boxes.back().caption, L"알림");
    EXPECT_FALSE(dialogs.boxes.back().warningIcon);
  }

  // The SHA-256 value typed into the compare box is found, named by the file's title.
  SetWindowTextW(main.Control(Control::CompareInput), hangul.sums[3].c_str());
  main.Command(ID_COMPARE);
  ASSERT_EQ(dialogs.boxes.size(), 6u);
  EXPECT_EQ(dialogs.boxes.back().caption, L"일치하는 해시 값이 있습니다");
  EXPECT_EQ(dialogs.boxes.back().text,
            L"해시 검사 파일.bin 파일에 SHA-256해시 값 " + hangul.sums[3] + L" 와 일치합니다");
}

// The dialog shows one filter by its name and opens on the previous selection; Cancel keeps
// the selection and the results.
TEST_F(Flow, DialogChoosesAFileAndCancelKeepsTheSelection) {
  const std::wstring chosen = files.at(L"해시 검사 파일.bin").path;
  DropFiles(main.window, {files.at(L"abc.txt").path});
  std::wstring filterShown, nameShown;
  LRESULT filterCount = 0;
  dialogs.onFileDialog = [&](HWND dialog) {
    const HWND filter = GetDlgItem(dialog, 0x470);  // the file-type list (cmb1)
    filterCount = SendMessageW(filter, CB_GETCOUNT, 0, 0);
    wchar_t item[256] = {};
    SendMessageW(filter, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(item));
    filterShown = item;
    HWND name = GetDlgItem(dialog, 0x47c);  // the file-name box (cmb13)
    if (!name) name = GetDlgItem(dialog, 0x480);  // (edt1) in older layouts
    nameShown = WindowText(name);
    SetWindowTextW(name, chosen.c_str());
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  };
  main.Command(ID_BROWSE);
  EXPECT_EQ(filterCount, 1);
  EXPECT_EQ(filterShown, L"모든 파일");
  EXPECT_NE(nameShown.find(L"abc.txt"), std::wstring::npos);
  ExpectChosen(chosen);

  dialogs.onFileDialog = nullptr;  // Cancel
  main.Command(ID_RUN);
  main.Command(ID_BROWSE);
  EXPECT_EQ(dialogs.fileDialogs, 2);
  ExpectChosen(chosen);
  EXPECT_TRUE(Enabled(Control::CompareButton));
  EXPECT_TRUE(dialogs.boxes.empty());
}

// A file gone since it was dropped, or a folder, gets the warning (icon included) and no values.
TEST_F(Flow, MissingFileOrFolderWarnsAndChangesNothing) {
  ScratchFolder folder;
  for (const std::wstring& path : {folder.path() + L"\\사라진 파일.txt", folder.path()}) {
    dialogs.boxes.clear();
    DropFiles(main.window, {path});
    ExpectChosen(path);
    main.Command(ID_RUN);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].caption, L"경고");
    EXPECT_EQ(dialogs.boxes[0].text, L"지정된 파일이 없습니다. 파일을 선택 한후에 해시섬 확인을 진행해 주세요");
    EXPECT_TRUE(dialogs.boxes[0].warningIcon);
    EXPECT_EQ(main.ProgressPos(), 0);
    EXPECT_EQ(Shown(Control::ResultCrc32), L"");
  }
}

// A dropped path longer than the selection holds is cut to it, never written past it.
TEST_F(Flow, LongDroppedPathIsCutToTheSelectionCapacity) {
  std::wstring path = L"C:\\";
  while (path.size() < 300) path += L"긴폴더이름\\";
  DropFiles(main.window, {path + L"report.pdf"});
  ExpectChosen(path.substr(0, 259));
}

bool SavePng(const wchar_t* path, Gdiplus::ARGB colour) {
  namespace gdip = Gdiplus::DllExports;
  std::vector<Gdiplus::ARGB> pixels(64 * 36, colour);
  Gdiplus::GpBitmap* bitmap = nullptr;
  if (gdip::GdipCreateBitmapFromScan0(64, 36, 64 * 4, PixelFormat32bppARGB,
                                      reinterpret_cast<BYTE*>(pixels.data()), &bitmap) != Gdiplus::Ok)
    return false;
  const CLSID png = {0x557cf406, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
  const bool ok = gdip::GdipSaveImageToFile(bitmap, path, &png, nullptr) == Gdiplus::Ok;
  gdip::GdipDisposeImage(bitmap);
  return ok;
}

// bg.png from the current folder is drawn over the client area; without it the window shows
// its white class background.
TEST(Background, DrawnFromTheCurrentFolderOrWhite) {
  ScratchFolder folder;
  wchar_t previous[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, previous);
  ASSERT_TRUE(SetCurrentDirectoryW(folder.path().c_str()));
  COLORREF seen[2] = {};
  for (int picture : {0, 1}) {
    if (picture) {
      EXPECT_TRUE(SavePng(L"bg.png", 0xFFC83214));
    }
    MainWindowFixture main;
    InvalidateRect(main.window, nullptr, TRUE);
    UpdateWindow(main.window);
    const HDC dc = GetDC(main.window);
    seen[picture] = GetPixel(dc, 600, 80);
    ReleaseDC(main.window, dc);
  }
  SetCurrentDirectoryW(previous);
  EXPECT_EQ(seen[0], RGB(255, 255, 255));
  EXPECT_EQ(seen[1], RGB(0xC8, 0x32, 0x14));
}

}  // namespace
}  // namespace tav::win32::testing

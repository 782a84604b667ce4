// The main window in use: a walk from drop to warning, the open-file dialog, the picture.
#include "shell.h"
#include "window/commands.h"

#include <gdiplus.h>

namespace tav::win32::testing {
namespace {

// Three files dropped (the first is taken), a run, a copy through the real clipboard pasted
// into the compare box, a compare; the compare box holds 255 units, one more matches nothing. A drop of 263 units whose first 259 name another file that
// exists: refused with the run's warning, and the next run still reads abc.txt; those 259
// units dropped alone are taken whole, and once that file is gone the run warns. Each box as
// the user sees it. Then, with the missing file selected, only clicks on buttons act: every
// control also sends other notifications, and the edits and labels report id -1 as 0xFFFF.
TEST(MainWindow, DropRunCopyCompareAndOnlyClicksAct) {
  WindowWatch watch;
  MainWindow main;
  DropFiles(main.window, Abc() + L"\0D:\\둘째.bin\0E:\\셋째\0"s);
  int steps = 0;  // sent to the bar while the file is read
  SetWindowSubclass(main.Control(Control::ProgressBar), [](HWND w, UINT m, WPARAM wp, LPARAM lp,
                                                          UINT_PTR, DWORD_PTR steps) -> LRESULT {
    return *reinterpret_cast<int*>(steps) += m == PBM_STEPIT, DefSubclassProc(w, m, wp, lp);
  }, 1, reinterpret_cast<DWORD_PTR>(&steps));
  main.Command(ID_RUN);
  EXPECT_EQ(steps, 100);
  ASSERT_TRUE(OpenClipboard(nullptr) && EmptyClipboard() && CloseClipboard());
  main.Command(ID_COPY_CRC32);
  SendMessageW(main.Control(Control::CompareInput), WM_PASTE, 0, 0);
  main.Command(ID_COMPARE);
  SetWindowTextW(main.Control(Control::ResultSha512), std::wstring(255, L'a').c_str());
  for (const std::size_t length : {255u, 256u}) {  // what the compare box holds, and one more
    SetWindowTextW(main.Control(Control::CompareInput), std::wstring(length, L'a').c_str());
    main.Command(ID_COMPARE);
  }
  const std::wstring folder = Abc().substr(0, Abc().size() - 7);
  const std::wstring other = folder + std::wstring(259 - folder.size(), L'a');
  std::ofstream(std::filesystem::path(other)) << "other";
  DropFiles(main.window, other + L".bak\0"s);
  EXPECT_EQ(main.Shown(Control::PathDisplay), Abc());
  main.Command(ID_RUN);
  EXPECT_EQ(main.Shown(Control::ResultCrc32), L"352441c2");
  DropFiles(main.window, other + L'\0');
  EXPECT_EQ(main.Shown(Control::PathDisplay), other);
  std::filesystem::remove(std::filesystem::path(other));
  main.Command(ID_RUN);
  EXPECT_EQ(SendMessageW(main.Control(Control::ProgressBar), PBM_GETPOS, 0, 0), 0);
  EXPECT_EQ(watch.boxes, (std::vector<SeenBox>{
      {L"알림", Wide(CopyMessage(Slot::Crc32).data()), nullptr},
      {L"일치하는 해시 값이 있습니다", L"abc.txt 파일에 CRC32해시 값 352441c2 와 일치합니다", nullptr},
      {L"일치하는 해시 값이 있습니다", L"abc.txt 파일에 SHA-512해시 값 " + std::wstring(255, L'a') + L" 와 일치합니다", nullptr},
      {L"일치하는 해시값이 없습니다", L"일치하는 해시값이 없습니다", nullptr},
      kMissingFileWarning, kMissingFileWarning}));
  const auto answered = [&] { return watch.boxes.size() + watch.fileDialogs; };
  const std::size_t before = answered();
  for (int code : {EN_SETFOCUS, EN_CHANGE, EN_KILLFOCUS, BN_CLICKED}) {
    for (const ControlSpec& control : kControlLayout) main.Command(LOWORD(control.id), code);
    EXPECT_EQ(answered() - before, code == BN_CLICKED ? 8u : 0u) << "code " << code;  // 8 buttons
  }
}

// The dialog opens on the selection with its one filter. Cancel, or a name too long for the
// 260-unit path (the dialog fails and writes the size it needed into the path), leaves the
// selection exactly as it was, and the run still reads that file; the name too long gets the
// missing-file warning at once. A typed name of a file not there yet that fits, up to 259
// units, becomes the selection, and the run warns about it.
TEST(OpenFileDialog, KeepsTheSelectionUnlessTheChosenNameFits) {
  // The suite's folder, "abc.txt" (7 units) taken off its file's path.
  const std::wstring folder = Abc().substr(0, Abc().size() - 7);
  const auto units = [&](std::size_t n) { return folder + std::wstring(n - folder.size(), L'a'); };
  const std::tuple<const char*, std::wstring, std::wstring> cases[] = {  // name, typed, title taken
      {"cancelled", L"", L""}, {"a new file", folder + L"새 파일.txt", L"새 파일.txt"},
      {"259 units", units(259), std::wstring(259 - folder.size(), L'a')},
      {"260 units", units(260), L""}};
  for (const auto& [name, typed, title] : cases) {
    SCOPED_TRACE(name);
    WindowWatch watch;
    MainWindow main;
    DropFiles(main.window, Abc() + L'\0');
    const AppState before = SharedState();
    std::wstring opened;  // the number of filters, the one shown and the name box, as it opened
    watch.onFileDialog = [&, &typed = typed](HWND dialog) {
      const HWND box = GetDlgItem(dialog, GetDlgItem(dialog, cmb13) ? cmb13 : edt1);
      opened = std::to_wstring(SendDlgItemMessageW(dialog, cmb1, CB_GETCOUNT, 0, 0)) + L" " +
               TextOf(GetDlgItem(dialog, cmb1)) + L" " + TextOf(box);
      SetWindowTextW(box, typed.c_str());
      PostMessageW(dialog, WM_COMMAND, typed.empty() ? IDCANCEL : IDOK, 0);
    };
    main.Command(ID_BROWSE);
    EXPECT_EQ(opened, L"1 모든 파일 abc.txt");
    const bool taken = !title.empty();
    EXPECT_EQ(SharedState() == before, !taken);
    EXPECT_EQ(Wide(SharedState().fileTitle), taken ? title : L"abc.txt");
    EXPECT_EQ(main.Shown(Control::PathDisplay), taken ? typed : Abc());
    main.Command(ID_RUN);
    EXPECT_EQ(main.Shown(Control::ResultCrc32), taken ? L"" : L"352441c2");
    EXPECT_EQ(watch.boxes, std::vector<SeenBox>(!typed.empty(), kMissingFileWarning));
  }
}

// bg.png from the current folder, scaled once to the 1280 x 720 the paint covers, is what every
// paint draws; without it, or where it is transparent, the window shows white. A picture whose
// decoded pixels would take more than the bound is never decoded and leaves the window white:
// GDI+ writes the pictures, each of one colour (8192 x 4097 pixels are 4 KB on disk).
TEST(MainWindow, BackgroundScaledOnceOrWhiteOverTheBound) {
  namespace gdip = Gdiplus::DllExports;
  const CLSID kPngEncoder = {0x557cf406, 0x1a04, 0x11d3, {0x9a, 0x73, 0, 0, 0xf8, 0x1e, 0xf3, 0x2e}};
  const COLORREF white = RGB(255, 255, 255), colour = RGB(0xC8, 0x32, 0x14);
  const std::tuple<const char*, int, int, Gdiplus::ARGB, COLORREF, SIZE> cases[] = {
      {"none", 0, 0, 0, white, {0, 0}},
      {"one row over the bound", 8192, 4097, 0xFFC83214, white, {0, 0}},
      {"at the bound", 8192, 4096, 0xFFC83214, colour, {1280, 720}},
      {"transparent", 16, 9, 0x00C83214, white, {1280, 720}},
  };
  static_assert(kMaxBackgroundBytes == 8192 * 4096 * 4);
  for (const auto& [name, width, height, argb, want, kept] : cases) {
    SCOPED_TRACE(name);
    if (width) {
      Gdiplus::GpBitmap* picture = nullptr;
      ASSERT_EQ(gdip::GdipCreateBitmapFromScan0(width, height, 0, PixelFormat1bppIndexed,
                                                nullptr, &picture), Gdiplus::Ok);
      const Gdiplus::ColorPalette palette = {0, 1, {argb}};
      gdip::GdipSetImagePalette(picture, &palette);
      EXPECT_EQ(gdip::GdipSaveImageToFile(picture, L"bg.png", &kPngEncoder, nullptr), Gdiplus::Ok);
      gdip::GdipDisposeImage(picture);
    }
    MainWindow main;
    const HDC dc = GetDC(main.window);
    EXPECT_EQ(GetPixel(dc, 600, 80), want);
    ReleaseDC(main.window, dc);
    EXPECT_EQ(std::pair(BackgroundSize().cx, BackgroundSize().cy), std::pair(kept.cx, kept.cy));
  }
  std::filesystem::remove("bg.png");
}

}  // namespace
}  // namespace tav::win32::testing

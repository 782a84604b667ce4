// The main window in use: a walk from drop to warning, the open-file dialog, the picture.
#include "shell.h"
#include "window/commands.h"
#include "window/win32/picture_size.h"

#include <gdiplus.h>

namespace tav::win32::testing {
namespace {

// Three files dropped (the first is taken), a run, a copy through the real clipboard pasted
// into the compare box, a compare; the compare box holds 255 units, one more matches nothing. A
// drop of 263 units whose first 259 name another file that exists: refused with the run's
// warning, and a drop naming no file (a browser's link) silently; the next run still reads
// abc.txt. Those 259 units dropped alone are taken whole, and the run warns of the file gone.
// Each box as the user sees it. Then, with the missing file selected, only clicks on
// buttons act: every control also sends other notifications, and the edits and labels report
// id -1 as 0xFFFF.
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
  DropFiles(main.window, L"");
  EXPECT_EQ(main.Shown(Control::PathDisplay), Abc());
  main.Command(ID_RUN);
  EXPECT_EQ(main.Shown(Control::ResultCrc32), L"352441c2");
  std::filesystem::remove(std::filesystem::path(other));
  DropFiles(main.window, other + L'\0');  // 259 units, taken whole: the run finds it gone
  EXPECT_EQ(main.Shown(Control::PathDisplay), other);
  main.Command(ID_RUN);
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

// The dialog opens on the selection with its one filter; a file dropped on the window while it
// is open is refused, as Windows refuses it on a window disabled behind the dialog. Cancel, or
// a name too long for the 260-unit path (the dialog fails and writes the size it needed into
// the path), leaves the selection exactly as it was, and the run still reads that file; the
// name too long gets the missing-file warning at once. A typed name of a file not there yet
// that fits, up to 259 units, becomes the selection, and the run warns about it.
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
      DropFiles(main.window, L"D:\\둘째.bin\0"s);
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
// paint draws, whichever format GDI+ decodes it from; without it, or where it is transparent,
// the window shows white. A picture whose decoded pixels would take more than the bound, at
// their real bytes a pixel (sized from its header: Picture.SizedFromItsHeadersAlone), is never
// decoded and leaves the window white. GDI+ writes the pictures, each of one colour (8192 x 4097
// pixels are 4 KB as a PNG).
TEST(MainWindow, BackgroundScaledOnceOrWhiteOverTheBound) {
  namespace gdip = Gdiplus::DllExports;
  enum Codec { kBmp = 0, kJpeg = 1, kGif = 2, kPng = 6 };  // GDI+'s encoders
  const COLORREF white = RGB(255, 255, 255), colour = RGB(0xC8, 0x32, 0x14);
  const std::tuple<const char*, int, int, int, Gdiplus::ARGB, COLORREF, SIZE> cases[] = {
      {"none", kPng, 0, 0, 0, white, {0, 0}},
      {"one row over the bound", kPng, 8192, 4097, 0xFFC83214, white, {0, 0}},
      {"at the bound", kPng, 8192, 4096, 0xFFC83214, colour, {1280, 720}},
      {"transparent", kPng, 16, 9, 0x00C83214, white, {1280, 720}},
      {"a BMP", kBmp, 16, 9, 0xFFC83214, colour, {1280, 720}},
      {"a GIF", kGif, 16, 9, 0xFFC83214, colour, {1280, 720}},
      {"a JPEG, black (it shifts colours)", kJpeg, 16, 9, 0xFF000000, RGB(0, 0, 0), {1280, 720}},
  };
  static_assert(kMaxBackgroundBytes == 8192 * 4096 * 4);
  for (const auto& [name, codec, width, height, argb, want, kept] : cases) {
    SCOPED_TRACE(name);
    if (width) {
      Gdiplus::GpBitmap* picture = nullptr;
      // GDI+ writes a GIF from 8 bits a pixel only, a JPEG from 1 or 4.
      ASSERT_EQ(gdip::GdipCreateBitmapFromScan0(width, height, 0, codec == kGif ?
          PixelFormat8bppIndexed : PixelFormat1bppIndexed, nullptr, &picture), Gdiplus::Ok);
      const Gdiplus::ColorPalette palette = {0, 1, {argb}};
      gdip::GdipSetImagePalette(picture, &palette);
      const CLSID encoder = {0x557cf400u + codec, 0x1a04, 0x11d3,
                             {0x9a, 0x73, 0, 0, 0xf8, 0x1e, 0xf3, 0x2e}};
      EXPECT_EQ(gdip::GdipSaveImageToFile(picture, L"bg.png", &encoder, nullptr), Gdiplus::Ok);
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

// The decoded size from the headers alone, each file cut short after them: read by hand from
// a PNG, a GIF and a JPEG (Wine's decoders of these would decode the whole picture first, and
// fail here), from BMP and TIFF by the Windows Imaging Component. 16 bits a channel take 8
// bytes a pixel; a GIF's largest frame or screen 4, all its frames together one.
TEST(Picture, SizedFromItsHeadersAlone) {
  const auto gif = [](int frames, char heightBelow4096) {
    std::string file = "GIF89a\x0a\0\x0a\0\x80\0\0" "\0\0\0\0\0\0" "\x21\xf9\x04\0\0\0\0\0"s;
    while (frames--)
      file += "\x2c\0\0\0\0\0\x20"s + heightBelow4096 + "\x10\x80\0\0\0\0\0\0\x02\x01\0\0"s;
    return file + "\x3b";
  };
  const std::tuple<const char*, std::string, std::uint64_t> cases[] = {
      {"PNG, 16 bits a channel",
       "\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\x20\0\0\0\x08\x01\x10\x06\0\0\0"s, 8192ull * 2049 * 8},
      {"JPEG, its frame after another segment and a fill byte",
       "\xff\xd8\xff\xe0\0\x10JFIF\0\x01\x01\0\0\x01\0\x01\0\0"
       "\xff\xff\xc2\0\x11\x08\x10\x01\x20\0\x03"s, 8192ull * 4097 * 4},
      {"GIF, a frame larger than its screen", gif(1, 1), 8192ull * 4097 * 4},
      {"GIF, five frames", gif(5, 0), 8192ull * 4096 * 5},
      {"BMP", "BM\0\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0\0\x20\0\0\x01\x10\0\0\x01\0\x20\0"s +
       std::string(24, '\0'), 8192ull * 4097 * 4},
      {"TIFF, 16 bits a channel", "II*\0\x08\0\0\0\x08\0"
       "\0\x01\x03\0\x01\0\0\0\0\x20\0\0" "\x01\x01\x03\0\x01\0\0\0\x01\x08\0\0"
       "\x02\x01\x03\0\x03\0\0\0\x6e\0\0\0" "\x03\x01\x03\0\x01\0\0\0\x01\0\0\0"
       "\x06\x01\x03\0\x01\0\0\0\x02\0\0\0" "\x11\x01\x04\0\x01\0\0\0\x74\0\0\0"
       "\x15\x01\x03\0\x01\0\0\0\x03\0\0\0" "\x17\x01\x04\0\x01\0\0\0\0\0\0\x06"
       "\0\0\0\0\x10\0\x10\0\x10\0"s, 8192ull * 2049 * 8},
      {"none of these", "plain text"s, UINT64_MAX},
  };
  for (const auto& [name, file, bytes] : cases) {
    SCOPED_TRACE(name);
    const auto* start = reinterpret_cast<const unsigned char*>(file.data());
    EXPECT_EQ(DecodedPictureBytes(start, file.size()), bytes);
  }
}

}  // namespace
}  // namespace tav::win32::testing

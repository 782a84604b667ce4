// The main window procedure: control creation, painting bg.png, command routing and drops.
#include "window/win32/main_window.h"

#include <commctrl.h>
#include <gdiplus.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "engine/owned.h"
#include "engine/platform.h"
#include "window/commands.h"
#include "window/layout.h"
#include "window/win32/picture_size.h"

namespace tav::win32 {

namespace gdip = Gdiplus::DllExports;

namespace {

void DisposeImage(Gdiplus::GpImage* image) { gdip::GdipDisposeImage(image); }
void DeleteGraphics(Gdiplus::GpGraphics* graphics) { gdip::GdipDeleteGraphics(graphics); }
void CloseFileHandle(HANDLE file) { CloseHandle(file); }
void FreeGlobal(HGLOBAL memory) { GlobalFree(memory); }
void ReleaseStream(IStream* stream) { stream->Release(); }
using Image = Owned<Gdiplus::GpImage*, DisposeImage>;
using Graphics = Owned<Gdiplus::GpGraphics*, DeleteGraphics>;
using File = Owned<HANDLE, CloseFileHandle>;
using GlobalMemory = Owned<HGLOBAL, FreeGlobal>;
using Stream = Owned<IStream*, ReleaseStream>;

HINSTANCE g_instance = nullptr;
// The background picture as the paint draws it: created with the main window, deleted when it
// is destroyed (GDI+ is still running then; it is shut down only after the message loop).
Image g_background;

constexpr int kPictureWidth = 1280;
constexpr int kPictureHeight = 720;

bool ReadExactly(HANDLE file, BYTE* into, std::uint64_t size) {
  while (size > 0) {
    DWORD got = 0;
    const DWORD ask = static_cast<DWORD>(std::min<std::uint64_t>(size, 1u << 20));
    if (!ReadFile(file, into, ask, &got, nullptr) || got == 0) return false;
    into += got, size -= got;
  }
  return true;
}

// The picture file's bytes, in a memory stream GDI+ decodes from: read through the handle the
// checks were made on, and sized from those very bytes, so what is decoded is what was checked.
// Only a picture on disk whose headers say its decoded pixels fit the bound, and whose file
// does too; anything else holds nothing. A FIFO or device named bg.png is never read, so it
// cannot hold up the window's start.
Stream ReadPicture(const wchar_t* name, GlobalMemory& memory) {
  const HANDLE opened = CreateFileW(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  const File file(opened == INVALID_HANDLE_VALUE ? nullptr : opened);
  LARGE_INTEGER size = {};
  if (!file || GetFileType(file.get()) != FILE_TYPE_DISK || !GetFileSizeEx(file.get(), &size) ||
      size.QuadPart <= 0 || static_cast<std::uint64_t>(size.QuadPart) > kMaxBackgroundBytes)
    return Stream();
  const auto bytesOnDisk = static_cast<std::size_t>(size.QuadPart);
  memory.reset(GlobalAlloc(GMEM_MOVEABLE, bytesOnDisk));
  auto* bytes = memory ? static_cast<BYTE*>(GlobalLock(memory.get())) : nullptr;
  if (!bytes) return Stream();
  const bool fits = ReadExactly(file.get(), bytes, bytesOnDisk) &&
                    DecodedPictureBytes(bytes, bytesOnDisk) <= kMaxBackgroundBytes;
  GlobalUnlock(memory.get());
  Stream stream;
  if (!fits || FAILED(CreateStreamOnHGlobal(memory.get(), FALSE, stream.put()))) return Stream();
  return stream;
}

// The picture scaled once to the 1280 x 720 the paint covers; the decoded picture goes as soon
// as it is scaled. Every paint then copies those pixels one to one, whatever size the file had.
Image LoadBackground(const wchar_t* name) {
  GlobalMemory memory;  // outlives the stream and the picture decoded from it
  const Stream stream = ReadPicture(name, memory);
  Image picture, kept;
  Gdiplus::GpBitmap* bitmap = nullptr;
  if (!stream || gdip::GdipLoadImageFromStream(stream.get(), picture.put()) != Gdiplus::Ok ||
      gdip::GdipCreateBitmapFromScan0(kPictureWidth, kPictureHeight, 0, PixelFormat32bppRGB,
                                      nullptr, &bitmap) != Gdiplus::Ok)
    return Image();
  kept.reset(bitmap);
  // Without alpha, which GDI+ (Wine's most of all) draws by far the fastest. A transparent
  // part is laid over white once here, as the paint used to lay it over the white class
  // background each time.
  Graphics graphics;
  if (gdip::GdipGetImageGraphicsContext(kept.get(), graphics.put()) != Gdiplus::Ok ||
      gdip::GdipGraphicsClear(graphics.get(), 0xFFFFFFFF) != Gdiplus::Ok ||
      gdip::GdipDrawImageRectI(graphics.get(), picture.get(), 0, 0, kPictureWidth,
                               kPictureHeight) != Gdiplus::Ok)
    return Image();
  return kept;
}

void PaintBackground(HWND window) {
  PAINTSTRUCT paint;
  const HDC dc = BeginPaint(window, &paint);
  Graphics graphics;
  gdip::GdipCreateFromHDC(dc, graphics.put());
  // Drawn even without a picture: the call then fails harmlessly and the class's white
  // background stays. The drawing surface outlives the paint and goes after EndPaint.
  gdip::GdipDrawImageRectI(graphics.get(), g_background.get(), 0, 0, kPictureWidth,
                           kPictureHeight);
  EndPaint(window, &paint);
}

}  // namespace

void SetInstance(HINSTANCE instance) { g_instance = instance; }

HINSTANCE Instance() { return g_instance; }

SIZE BackgroundSize() {
  UINT width = 0, height = 0;
  if (g_background) {
    gdip::GdipGetImageWidth(g_background.get(), &width);
    gdip::GdipGetImageHeight(g_background.get(), &height);
  }
  return {static_cast<LONG>(width), static_cast<LONG>(height)};
}

AppState& SharedState() {
  static AppState state;
  return state;
}

Win32Ui& SharedUi() {
  static Win32Ui ui;
  return ui;
}

const wchar_t* WindowTitle() { return Wide(kWindowTitle); }

const wchar_t* ClassOf(int kind) {
  switch (static_cast<ControlKind>(kind)) {
    case ControlKind::Static: return L"STATIC";
    case ControlKind::Edit: return L"EDIT";
    case ControlKind::Button: return L"BUTTON";
    case ControlKind::Progress: return PROGRESS_CLASSW;
  }
  return L"STATIC";
}

void CreateControls(HWND window) {
  AppState& state = SharedState();
  Win32Ui& ui = SharedUi();
  ui.SetMainWindow(window);

  DragAcceptFiles(window, TRUE);

  // The record is ready for the dialog from the window's start: its owner is this window and
  // its buffers are the selection. The browse command fills it afresh before each use anyway.
  FillOpenFileRecord(OpenFileRecord(), window, Wide(state.selectedPath), kPathCapacity,
                     Wide(state.fileTitle), kTitleCapacity);

  g_background = LoadBackground(L"bg.png");

  INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&classes);

  for (const ControlSpec& entry : kControlLayout) {
    const HWND control = CreateWindowExW(
        entry.exStyle, ClassOf(static_cast<int>(entry.kind)),
        entry.text ? Wide(entry.text) : nullptr, entry.style, entry.x, entry.y, entry.width,
        entry.height, window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(entry.id)),
        g_instance, nullptr);
    if (entry.role != kNoRole) ui.SetControl(static_cast<Control>(entry.role), control);
  }

  const HWND progress = ui.ControlWindow(Control::ProgressBar);
  SendMessageW(progress, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
  SendMessageW(progress, PBM_SETPOS, 0, 0);
  SendMessageW(progress, PBM_SETSTEP, 1, 0);
}

void AcceptDroppedFile(HWND window, HDROP drop) {
  // A window disabled behind a modal dialog or message box takes no drop on Windows; Wine
  // delivers it all the same. Taken while the open-file dialog runs, it would show a path that
  // the dialog's Cancel then takes back, and the box would name a file the run does not read.
  const bool enabled = IsWindowEnabled(window);
  // A drop may name no file at all (a browser's link): then there is no first file to ask for.
  if (enabled && DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0) > 0) {
    // Only the first file of a drop is taken, whole: its length is asked first, so a path
    // longer than the selection holds is refused rather than cut into another file's name.
    const UINT length = DragQueryFileW(drop, 0, nullptr, 0);
    std::wstring path(length, L'\0');
    DragQueryFileW(drop, 0, path.data(), length + 1);
    AcceptDroppedPath(SharedState(), SharedUi(),
                      {reinterpret_cast<const char16_t*>(path.data()), path.size()});
  }
  DragFinish(drop);
  if (enabled) SetForegroundWindow(window);
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      CreateControls(window);
      return 0;
    case WM_DESTROY:
      g_background.reset();
      PostQuitMessage(0);
      return 0;
    case WM_PAINT:
      PaintBackground(window);
      return 0;
    case WM_COMMAND:
      RouteCommand(SharedState(), SharedUi(), DefaultPlatform(), LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_DROPFILES:
      AcceptDroppedFile(window, reinterpret_cast<HDROP>(wParam));
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace tav::win32

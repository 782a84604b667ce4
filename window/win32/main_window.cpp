// The main window procedure: control creation, painting bg.png, command routing and drops.
#include "window/win32/main_window.h"

#include <commctrl.h>
#include <gdiplus.h>

#include <string>

#include "engine/owned.h"
#include "engine/platform.h"
#include "window/commands.h"
#include "window/layout.h"

namespace tav::win32 {

namespace gdip = Gdiplus::DllExports;

namespace {

void DisposeImage(Gdiplus::GpImage* image) { gdip::GdipDisposeImage(image); }
void DeleteGraphics(Gdiplus::GpGraphics* graphics) { gdip::GdipDeleteGraphics(graphics); }
using Image = Owned<Gdiplus::GpImage*, DisposeImage>;
using Graphics = Owned<Gdiplus::GpGraphics*, DeleteGraphics>;

HINSTANCE g_instance = nullptr;
// The background picture: created with the main window, deleted when it is destroyed (GDI+
// is still running then; it is shut down only after the message loop).
Image g_background;

constexpr int kPictureWidth = 1280;
constexpr int kPictureHeight = 720;

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

  if (gdip::GdipLoadImageFromFile(L"bg.png", g_background.put()) != Gdiplus::Ok)
    g_background.reset();

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
  // Only the first file of a drop is taken, whole: its length is asked first, so a path
  // longer than the selection holds is refused rather than cut into another file's name.
  const UINT length = DragQueryFileW(drop, 0, nullptr, 0);
  std::wstring path(length, L'\0');
  DragQueryFileW(drop, 0, path.data(), length + 1);
  AcceptDroppedPath(SharedState(), SharedUi(),
                    {reinterpret_cast<const char16_t*>(path.data()), path.size()});
  DragFinish(drop);
  SetForegroundWindow(window);
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

// The main window procedure: control creation, painting bg.png, command routing and drops.
#include "window/win32/main_window.h"

#include <commctrl.h>
#include <gdiplus.h>

#include "engine/platform.h"
#include "window/commands.h"
#include "window/layout.h"

namespace tav::win32 {

namespace gdip = Gdiplus::DllExports;

namespace {

HINSTANCE g_instance = nullptr;
// The background picture: created with the main window, deleted when it is destroyed.
Gdiplus::GpImage* g_background = nullptr;

constexpr int kPictureWidth = 1280;
constexpr int kPictureHeight = 720;

void PaintBackground(HWND window) {
  PAINTSTRUCT paint;
  const HDC dc = BeginPaint(window, &paint);
  Gdiplus::GpGraphics* graphics = nullptr;
  gdip::GdipCreateFromHDC(dc, &graphics);
  // Drawn even without a picture: the call then fails harmlessly and the class's white
  // background stays.
  gdip::GdipDrawImageRectI(graphics, g_background, 0, 0, kPictureWidth, kPictureHeight);
  EndPaint(window, &paint);
  if (graphics) gdip::GdipDeleteGraphics(graphics);
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

  // Kept although the browse command fills the record afresh before every use: creating the
  // window pre-fills it, and the window has always done so.
  FillOpenFileRecord(OpenFileRecord(), window, Wide(state.selectedPath), kPathCapacity,
                     Wide(state.fileTitle), kTitleCapacity);

  g_background = nullptr;
  if (gdip::GdipLoadImageFromFile(L"bg.png", &g_background) != Gdiplus::Ok) g_background = nullptr;

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
  // Only the first file of a drop is taken, cut to the selected path's capacity.
  wchar_t path[kPathCapacity] = {};
  DragQueryFileW(drop, 0, path, kPathCapacity);
  AcceptDroppedPath(SharedState(), SharedUi(), reinterpret_cast<const char16_t*>(path));
  DragFinish(drop);
  SetForegroundWindow(window);
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      CreateControls(window);
      return 0;
    case WM_DESTROY:
      if (g_background) {
        gdip::GdipDisposeImage(g_background);
        g_background = nullptr;
      }
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

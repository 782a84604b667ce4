// Program start for Windows: GDI+, the window class, the main window and the message loop.
#include "app/win32/entry.h"

#include <gdiplus.h>
#include <shellapi.h>

#include <string>

#include "engine/owned.h"
#include "window/commands.h"
#include "window/layout.h"
#include "window/win32/main_window.h"

namespace tav::win32 {

ATOM RegisterMainClass(HINSTANCE instance) {
  WNDCLASSEXW windowClass = {};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = MainWindowProc;
  windowClass.hInstance = instance;
  // No icon of the program's own: LoadIconW with no instance and no name loads nothing, so
  // the window shows the system's default icon wherever one is drawn.
  windowClass.hIcon = LoadIconW(nullptr, nullptr);
  windowClass.hIconSm = LoadIconW(nullptr, nullptr);
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  windowClass.lpszClassName = WindowTitle();
  return RegisterClassExW(&windowClass);
}

HWND CreateMainWindow(HINSTANCE instance) {
  // A caption with the system menu and close box only: no sizing border, no minimise or
  // maximise box, so the 1280 x 720 layout is never squeezed.
  return CreateWindowExW(WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE, WindowTitle(), WindowTitle(),
                         WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT, CW_USEDEFAULT, kWindowWidth,
                         kWindowHeight, nullptr, nullptr, instance, nullptr);
}

int RunMessageLoop() {
  MSG message = {};
  for (;;) {
    if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) break;
      TranslateMessage(&message);
      DispatchMessageW(&message);
    } else {
      WaitMessage();
    }
  }
  return static_cast<int>(message.wParam);
}

namespace {
void FreeArguments(wchar_t** arguments) { LocalFree(arguments); }
using Arguments = Owned<wchar_t**, FreeArguments>;
}  // namespace

void ShowMainWindow(HWND window, int showCommand, const wchar_t* commandLine) {
  ShowWindow(window, showCommand);
  UpdateWindow(window);
  int count = 0;
  const Arguments arguments(CommandLineToArgvW(commandLine, &count));
  // An empty name names no file: nothing is selected, as for a drop that names none.
  if (!arguments || count < 2 || arguments.get()[1][0] == L'\0') return;
  // A drop always names a full path; a name relative to the current folder is made full now,
  // before the open-file dialog may move that folder.
  const wchar_t* const named = arguments.get()[1];
  std::wstring path(GetFullPathNameW(named, 0, nullptr, nullptr), L'\0');
  const DWORD length =
      GetFullPathNameW(named, static_cast<DWORD>(path.size()), path.data(), nullptr);
  if (length == 0 || length >= path.size()) {
    // A name the system cannot make full names no file it could read.
    RefuseDroppedFile(SharedUi());
    return;
  }
  AcceptDroppedPath(SharedState(), SharedUi(),
                    {reinterpret_cast<const char16_t*>(path.data()), length});
}

namespace {
void ShutDownGdiPlus(ULONG_PTR token) { Gdiplus::GdiplusShutdown(token); }
// GDI+ runs while its start-up token is held: shut down last, after the window is gone.
using GdiPlus = Owned<ULONG_PTR, ShutDownGdiPlus>;
}  // namespace

int RunApplication(HINSTANCE instance, int showCommand, const wchar_t* commandLine) {
  const Gdiplus::GdiplusStartupInput input(nullptr, FALSE, FALSE);
  GdiPlus gdiplus;
  Gdiplus::GdiplusStartup(gdiplus.put(), &input, nullptr);

  SetInstance(instance);
  RegisterMainClass(instance);
  const HWND window = CreateMainWindow(instance);
  if (!window) return 1;
  ShowMainWindow(window, showCommand, commandLine);
  return RunMessageLoop();
}

}  // namespace tav::win32

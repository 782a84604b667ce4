// For the release check (tools/test-release.sh builds it alone): what the running
// tavrinel.exe's window shows, read from outside it, as tools/drive-desktop.py reads the Qt
// window. Prints the path box's text, then whether the run button can be pressed; with
// `close`, closes the window as its close box does. Exits 1 without the window.
#include <windows.h>

#include <cstdio>
#include <cwchar>

#include "window/layout.h"

int wmain(int argc, wchar_t** argv) {
  using namespace tav;
  // The window's class is named like its title.
  const HWND window = FindWindowW(reinterpret_cast<const wchar_t*>(kWindowTitle), nullptr);
  if (!window) return 1;
  if (argc > 1 && std::wcscmp(argv[1], L"close") == 0)
    return !PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  const ControlSpec& box = kControlLayout[1];
  static_assert(kControlLayout[1].role == RoleOf(Control::PathDisplay));
  wchar_t text[1024] = {};
  SendMessageW(ChildWindowFromPoint(window, {box.x + 1, box.y + 1}), WM_GETTEXT, 1024,
               reinterpret_cast<LPARAM>(text));
  char utf8[4096] = {};
  WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, nullptr, nullptr);
  std::printf("%s\n%s\n", utf8,
              IsWindowEnabled(GetDlgItem(window, ID_RUN)) ? "run enabled" : "run disabled");
  return 0;
}

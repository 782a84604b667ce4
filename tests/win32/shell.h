// What the window suites drive the real main window with: boxes and dialogs, clipboard, drops.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <dlgs.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>

#include "app/win32/entry.h"
#include "window/layout.h"
#include "window/win32/main_window.h"

namespace tav::win32::testing {

using namespace std::string_literals;

inline std::wstring TextOf(HWND window) {
  wchar_t text[1024] = {};
  GetWindowTextW(window, text, 1024);
  return text;
}

// A message box as the user saw it: caption, text, and the icon it showed (or none).
using SeenBox = std::tuple<std::wstring, std::wstring, HICON>;
// A window as CreateWindowExW was asked for it, before the control adjusted anything: class,
// text, style, extended style, x, y, width, height, and the id (or menu).
using Asked = std::tuple<std::wstring, std::wstring, LONG, DWORD, int, int, int, int, HMENU>;
struct Created { HWND window, parent; Asked asked; };

// While alive, a CBT hook on this thread records every window created, reads every message box
// and answers it with OK, and hands the open-file dialog to `onFileDialog` (Cancel if unset):
// no test ever waits on a modal window.
class WindowWatch {
 public:
  WindowWatch() { current_ = this; }
  ~WindowWatch() { UnhookWindowsHookEx(hook_), current_ = nullptr; }
  std::vector<Created> created;
  std::vector<SeenBox> boxes;
  int fileDialogs = 0;
  std::function<void(HWND dialog)> onFileDialog = [](HWND dialog) {
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  };

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
    const HWND window = reinterpret_cast<HWND>(wParam);
    if (code == HCBT_CREATEWND) {
      const CREATESTRUCTW& c = *reinterpret_cast<CBT_CREATEWNDW*>(lParam)->lpcs;
      const wchar_t* className = IS_INTRESOURCE(c.lpszClass) ? L"" : c.lpszClass;
      current_->created.push_back({window, c.hwndParent, {className, c.lpszName ? c.lpszName : L"",
                                   c.style, c.dwExStyle, c.x, c.y, c.cx, c.cy, c.hMenu}});
    } else if (code == HCBT_ACTIVATE && GetClassWord(window, GCW_ATOM) == 0x8002) {  // a dialog
      current_->Answer(window);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }

  void Answer(HWND dialog) {
    if (GetDlgItem(dialog, cmb1)) {  // the file-type list: the open-file dialog
      ++fileDialogs, fileDialog_ = dialog;
      // It fills its lists once its own loop runs.
      SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR timer, DWORD) {
        KillTimer(nullptr, timer), current_->onFileDialog(current_->fileDialog_);
      });
      return;
    }
    // The icon static is stc1 in Wine's box, 20 in Windows'; the text static is 0xFFFF in both.
    const int iconId = GetDlgItem(dialog, stc1) ? stc1 : 20;
    boxes.emplace_back(TextOf(dialog), TextOf(GetDlgItem(dialog, 0xFFFF)),
                       (HICON)SendDlgItemMessageW(dialog, iconId, STM_GETICON, 0, 0));
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    // A box of the open-file dialog's own (it refused the name): end the dialog as well.
    if (IsWindow(fileDialog_)) PostMessageW(fileDialog_, WM_COMMAND, IDCANCEL, 0);
  }

  static inline WindowWatch* current_ = nullptr;
  HHOOK hook_ = SetWindowsHookExW(WH_CBT, Hook, nullptr, GetCurrentThreadId());
  HWND fileDialog_ = nullptr;
};

// WM_DROPFILES as the shell sends it: each name ended by a NUL, the list by one more.
inline void DropFiles(HWND window, const std::wstring& names) {
  const std::size_t bytes = (names.size() + 1) * sizeof(wchar_t);
  // Fixed memory: the handle is the block's address.
  auto* drop = static_cast<DROPFILES*>(GlobalAlloc(GPTR, sizeof(DROPFILES) + bytes));
  *drop = {sizeof(DROPFILES), {}, FALSE, TRUE};
  std::memcpy(drop + 1, names.c_str(), bytes);
  SendMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
}

// The file holding "abc" that the suite's start writes into its working folder.
inline std::wstring Abc() { return std::filesystem::absolute("abc.txt").wstring(); }

inline const SeenBox kMissingFileWarning = {L"경고", L"지정된 파일이 없습니다. 파일을 선택 한후에 해시섬 확인을 진행해 주세요",
                                            LoadIconW(nullptr, IDI_WARNING)};

// The main window created and shown as tavrinel.exe started with `line` does it, with fresh
// state; destroyed afterwards.
struct MainWindow {
  explicit MainWindow(const wchar_t* line = L"tavrinel.exe") {
    ShowMainWindow(window, SW_SHOWNORMAL, line);
  }
  ~MainWindow() {
    DestroyWindow(window);
    // Its WM_QUIT must not end the next test's modal boxes at once.
    for (MSG message; PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);) continue;
  }
  HWND Control(tav::Control control) const { return SharedUi().ControlWindow(control); }
  std::wstring Shown(tav::Control control) const { return TextOf(Control(control)); }
  // WM_COMMAND as control `id` sends it; a click is code 0 (BN_CLICKED).
  void Command(int id, int code = BN_CLICKED) const {
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(id, code), (LPARAM)GetDlgItem(window, id));
  }
  const HWND window = (SharedState() = AppState{}, CreateMainWindow(Instance()));
};

}  // namespace tav::win32::testing

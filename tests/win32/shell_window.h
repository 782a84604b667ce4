// A main window for one test: created like tavrinel.exe creates it, destroyed afterwards.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "app/win32/entry.h"
#include "window/win32/main_window.h"

namespace tav::win32::testing {

class MainWindowFixture {
 public:
  MainWindowFixture() {
    SharedState() = AppState{};
    window = CreateMainWindow(Instance());
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
  }
  ~MainWindowFixture() {
    if (IsWindow(window)) DestroyWindow(window);
    // The destroy handler posts WM_QUIT; take it off this thread's queue, or the next modal
    // box would end at once.
    for (MSG msg; PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);) continue;
    SharedUi().Forget();
  }
  HWND Control(tav::Control c) const { return SharedUi().ControlWindow(c); }
  // A click on the button `id`, as the button reports it.
  void Command(int id) const {
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
  }
  int ProgressPos() const {
    return static_cast<int>(SendMessageW(Control(tav::Control::ProgressBar), PBM_GETPOS, 0, 0));
  }

  HWND window = nullptr;
};

}  // namespace tav::win32::testing

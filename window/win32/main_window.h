// The main window: its procedure, child controls, background picture and dropped files.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include "engine/slots.h"
#include "app/win32/win32_ui.h"

namespace tav::win32 {

// Process-wide: the instance every window is created with, the shared texts, and the window
// operations bound to the main window's controls.
void SetInstance(HINSTANCE instance);
HINSTANCE Instance();
AppState& SharedState();
Win32Ui& SharedUi();

// The size of the picture every paint draws: 0 x 0 without one.
SIZE BackgroundSize();

// Window class name and title.
const wchar_t* WindowTitle();

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// WM_CREATE: drop target, the open-file record, "bg.png", the 23 controls, the progress bar.
void CreateControls(HWND window);

// WM_DROPFILES: the first dropped file becomes the selection, unless a modal window is up.
void AcceptDroppedFile(HWND window, HDROP drop);

// The class name each kind of control is created with.
const wchar_t* ClassOf(int kind);

}  // namespace tav::win32

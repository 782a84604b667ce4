// Program start for Windows: GDI+, the window class, the main window and the message loop.
#pragma once

#include <windows.h>

namespace tav::win32 {

// Registers the main window's class (named like its title) for `instance`.
ATOM RegisterMainClass(HINSTANCE instance);

// Creates the fixed-size 1280 x 720 main window; its controls exist when this returns.
HWND CreateMainWindow(HINSTANCE instance);

// Runs until WM_QUIT, waiting while the queue is empty; returns the quit message's code.
int RunMessageLoop();

// The whole program: start GDI+, register, create and show, loop, shut GDI+ down.
int RunApplication(HINSTANCE instance, int showCommand);

}  // namespace tav::win32

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

// Shows the main window; then the file named first on `commandLine` after the program's own
// name (as Send To starts it) becomes the selection exactly as a drop of it would, made full
// against the current folder. Nothing after it is read; without it nothing is selected.
void ShowMainWindow(HWND window, int showCommand, const wchar_t* commandLine);

// The whole program: start GDI+, register, create and show, loop, shut GDI+ down.
// `commandLine` is the process's whole command line (GetCommandLineW).
int RunApplication(HINSTANCE instance, int showCommand, const wchar_t* commandLine);

}  // namespace tav::win32

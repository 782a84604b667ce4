// tavrinel.exe: the Windows entry point.
#include <windows.h>

#include "app/win32/entry.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  // The whole line, program name included: wWinMain's own drops the name, and only
  // CommandLineToArgvW's rules for the name (quotes, no escapes) tell where it ends.
  return tav::win32::RunApplication(instance, showCommand, GetCommandLineW());
}

// tavrinel.exe: the Windows entry point.
#include <windows.h>

#include "app/win32/entry.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  return tav::win32::RunApplication(instance, showCommand);
}

// Start of the window suites: GDI+ and the main window's class, as tavrinel.exe sets them up.
#include <windows.h>
#include <gdiplus.h>

#include <gtest/gtest.h>

#include "app/win32/entry.h"
#include "window/win32/main_window.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  Gdiplus::GdiplusStartupInput input;
  ULONG_PTR token = 0;
  Gdiplus::GdiplusStartup(&token, &input, nullptr);
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  tav::win32::SetInstance(instance);
  if (!tav::win32::RegisterMainClass(instance)) {
    std::fprintf(stderr, "RegisterClassExW failed: %lu\n", GetLastError());
    return 1;
  }
  const int result = RUN_ALL_TESTS();
  Gdiplus::GdiplusShutdown(token);
  return result;
}

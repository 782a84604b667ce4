// The main window as the program creates it and the code it exits with; tavrinel.exe's resources.
#include "shell.h"

#include <gdiplus.h>

namespace tav::win32::testing {
namespace {

// The window class each kind of control is created with, by ControlKind.
const wchar_t* const kClassOfKind[] = {L"STATIC", L"EDIT", L"BUTTON", L"msctls_progress32"};

// The window tavrinel.exe's start creates, as it was asked for, then ended by its WM_QUIT.
TEST(MainWindow, CreatedAsLaidOutAndEndedByItsQuitMessage) {
  WindowWatch watch;
  PostQuitMessage(7);  // the message loop ends as soon as it runs, with this code
  EXPECT_EQ(RunApplication(Instance(), SW_SHOWNORMAL, L"tavrinel.exe"), 7);
  const HWND window = watch.created.at(0).window;
  Asked frame = watch.created[0].asked;  // the class is named like the title
  std::get<4>(frame) = std::get<5>(frame) = 0;  // wherever the system places it
  EXPECT_EQ(frame, Asked(Wide(kWindowTitle), Wide(kWindowTitle), WS_CAPTION | WS_SYSMENU,
                         WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE, 0, 0, 1280, 720, nullptr));
  EXPECT_TRUE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
  std::size_t made = 0;
  for (const Created& c : watch.created) {
    if (c.parent != window) continue;
    const ControlSpec& want = kControlLayout.at(made++);
    EXPECT_EQ(c.asked, Asked(kClassOfKind[int(want.kind)], want.text ? Wide(want.text) : L"",
                             want.style, want.exStyle, want.x, want.y, want.width, want.height,
                             HMENU(INT_PTR(want.id))));
    EXPECT_EQ(SendMessageW(c.window, WM_GETFONT, 0, 0), 0) << "a font of its own";
  }
  EXPECT_EQ(made, kControlLayout.size());
  // The bar counts 0 to 100 in steps of one.
  const HWND bar = SharedUi().ControlWindow(Control::ProgressBar);
  SendMessageW(bar, PBM_STEPIT, 0, 0);
  EXPECT_EQ(std::tuple(SendMessageW(bar, PBM_GETRANGE, TRUE, 0), SendMessageW(bar, PBM_GETRANGE, FALSE, 0),
                       SendMessageW(bar, PBM_GETPOS, 0, 0)), std::tuple(0, 100, 1));
  // Closing the window asks the message loop to end with 0.
  DestroyWindow(window);
  MSG quit = {};
  EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) && quit.wParam == 0);
}

// tavrinel.exe's one resource is its manifest: run as the invoker, the classic controls; no
// icon, no version resource.
TEST(Executable, ManifestOnly) {
  // Found from the suite's own file: the open-file dialog may change the current folder.
  wchar_t suite[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, suite, MAX_PATH);
  const std::wstring path = std::filesystem::path(suite).replace_filename(TAV_APP_FROM_TESTS);
  const HMODULE data = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  const HRSRC found = FindResourceW(data, MAKEINTRESOURCEW(1), RT_MANIFEST);
  const std::string manifest(static_cast<const char*>(LockResource(LoadResource(data, found))),
                             SizeofResource(data, found));
  FreeLibrary(data);
  EXPECT_NE(manifest.find("level=\"asInvoker\" uiAccess=\"false\""), std::string::npos);
  EXPECT_EQ(manifest.find("Common-Controls"), std::string::npos);
  EXPECT_EQ(ExtractIconExW(path.c_str(), -1, nullptr, nullptr, 0), 0u);
  EXPECT_EQ(GetFileVersionInfoSizeW(path.c_str(), nullptr), 0u);
}

}  // namespace
}  // namespace tav::win32::testing

// GDI+ and the main window's class as tavrinel.exe sets them up, and the file holding "abc" in
// the suite's working folder.
int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  const Gdiplus::GdiplusStartupInput input;
  ULONG_PTR token = 0;
  Gdiplus::GdiplusStartup(&token, &input, nullptr);
  tav::win32::SetInstance(GetModuleHandleW(nullptr));
  tav::win32::RegisterMainClass(tav::win32::Instance());
  std::ofstream("abc.txt", std::ios::binary) << "abc";
  return RUN_ALL_TESTS();
}

// tavrinel.exe itself: its one resource, starting up and the exit code it returns.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "win32_support.h"

namespace tav::win32::testing {
namespace {

std::wstring AppPath() { return ProgramFolder() + L"\\" + TAV_APP_FROM_TESTS; }

TEST(Executable, ManifestAsInvokerAndNothingElse) {
  const HMODULE app = LoadLibraryExW(AppPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_TRUE(app) << GetLastError();
  std::vector<ULONG_PTR> types;
  EnumResourceTypesW(app, [](HMODULE, LPWSTR type, LONG_PTR list) -> BOOL {
    reinterpret_cast<std::vector<ULONG_PTR>*>(list)->push_back(reinterpret_cast<ULONG_PTR>(type));
    return TRUE;
  }, reinterpret_cast<LONG_PTR>(&types));
  // Only a manifest: no icon, no version resource.
  EXPECT_EQ(types, std::vector<ULONG_PTR>{reinterpret_cast<ULONG_PTR>(RT_MANIFEST)});
  const HRSRC found = FindResourceW(app, MAKEINTRESOURCEW(1), RT_MANIFEST);
  ASSERT_TRUE(found);
  const std::string manifest(static_cast<const char*>(LockResource(LoadResource(app, found))),
                             SizeofResource(app, found));
  EXPECT_NE(manifest.find("<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>"),
            std::string::npos) << manifest;
  EXPECT_EQ(manifest.find("Common-Controls"), std::string::npos) << manifest;
  FreeLibrary(app);
}

struct Running {
  PROCESS_INFORMATION process = {};
  HWND window = nullptr;
  ~Running() {
    if (!process.hProcess) return;
    if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process.hProcess, 99);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
  }
};

// Started in an empty folder (so without bg.png), the program shows its window and ends with
// the quit message's code: 0 when the window is closed, whatever a posted WM_QUIT carries.
TEST(Executable, ExitCodeComesFromTheQuitMessage) {
  for (int code : {0, 7}) {
    SCOPED_TRACE(code);
    ScratchFolder folder;
    Running app;
    std::wstring command = L"\"" + AppPath() + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               folder.path().c_str(), &startup, &app.process)) << GetLastError();
    // The main window's class is named like its title.
    for (int i = 0; i < 300 && !app.window; ++i, Sleep(100))
      app.window = FindWindowW(L"Tavrinel Ver 2.0 - 공식배포처 https://tavrinel.example/download", nullptr);
    ASSERT_TRUE(app.window) << "no window within 30 s";
    DWORD pid = 0;
    GetWindowThreadProcessId(app.window, &pid);
    EXPECT_EQ(pid, app.process.dwProcessId);
    if (code == 0)
      PostMessageW(app.window, WM_CLOSE, 0, 0);
    else
      PostThreadMessageW(GetWindowThreadProcessId(app.window, nullptr), WM_QUIT, code, 0);
    EXPECT_EQ(WaitForSingleObject(app.process.hProcess, 30000), WAIT_OBJECT_0);
    DWORD exit = 12345;
    GetExitCodeProcess(app.process.hProcess, &exit);
    EXPECT_EQ(exit, static_cast<DWORD>(code));
  }
}

}  // namespace
}  // namespace tav::win32::testing

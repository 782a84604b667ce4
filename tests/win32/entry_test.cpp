// tavrinel.exe itself: its resources, its imports, starting up and the exit code it returns.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "win32_support.h"

namespace tav::win32::testing {
namespace {

std::wstring AppPath() { return ProgramFolder() + L"\\" + TAV_APP_FROM_TESTS; }

struct Module {
  explicit Module(DWORD flags) : handle(LoadLibraryExW(AppPath().c_str(), nullptr, flags)) {}
  ~Module() {
    if (handle) FreeLibrary(handle);
  }
  HMODULE handle;
};

BOOL CALLBACK CollectType(HMODULE, LPWSTR type, LONG_PTR list) {
  reinterpret_cast<std::vector<ULONG_PTR>*>(list)->push_back(
      IS_INTRESOURCE(type) ? reinterpret_cast<ULONG_PTR>(type) : ~ULONG_PTR{0});
  return TRUE;
}

TEST(Executable, ManifestAsInvokerAndNothingElse) {
  Module app(LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_TRUE(app.handle) << GetLastError();
  std::vector<ULONG_PTR> types;
  EnumResourceTypesW(app.handle, CollectType, reinterpret_cast<LONG_PTR>(&types));
  // Only a manifest: no icon, no version resource.
  EXPECT_EQ(types, std::vector<ULONG_PTR>{reinterpret_cast<ULONG_PTR>(RT_MANIFEST)});

  const HRSRC found = FindResourceW(app.handle, MAKEINTRESOURCEW(1), RT_MANIFEST);
  ASSERT_TRUE(found);
  const auto* bytes = static_cast<const char*>(LockResource(LoadResource(app.handle, found)));
  const std::string manifest(bytes, SizeofResource(app.handle, found));
  EXPECT_NE(manifest.find("<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>"),
            std::string::npos)
      << manifest;
  EXPECT_EQ(manifest.find("Common-Controls"), std::string::npos) << manifest;
}

// Linked statically: the program needs nothing but DLLs every Windows has.
TEST(Executable, ImportsOnlySystemLibraries) {
  Module app(LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_TRUE(app.handle) << GetLastError();
  const auto* base = reinterpret_cast<const BYTE*>(reinterpret_cast<ULONG_PTR>(app.handle) & ~ULONG_PTR{3});
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  ASSERT_NE(dir.VirtualAddress, 0u);
  const std::vector<std::string> system = {"advapi32.dll", "bcrypt.dll",   "comctl32.dll",
                                           "comdlg32.dll", "gdi32.dll",    "gdiplus.dll",
                                           "kernel32.dll", "msvcrt.dll",   "shell32.dll",
                                           "user32.dll"};
  std::vector<std::string> imported;
  for (auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
       d->Name; ++d) {
    std::string name = reinterpret_cast<const char*>(base + d->Name);
    std::transform(name.begin(), name.end(), name.begin(), ::tolower);
    imported.push_back(name);
    EXPECT_NE(std::find(system.begin(), system.end(), name), system.end()) << name;
  }
  for (const char* needed : {"bcrypt.dll", "advapi32.dll", "gdiplus.dll", "comdlg32.dll"})
    EXPECT_NE(std::find(imported.begin(), imported.end(), needed), imported.end()) << needed;
}

struct Running {
  PROCESS_INFORMATION process = {};
  HWND window = nullptr;
  ~Running() {
    if (process.hProcess) {
      if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT)
        TerminateProcess(process.hProcess, 99);
      CloseHandle(process.hProcess);
      CloseHandle(process.hThread);
    }
  }
};

BOOL CALLBACK FindTopWindow(HWND window, LPARAM param) {
  auto* running = reinterpret_cast<Running*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid == running->process.dwProcessId && IsWindowVisible(window)) {
    running->window = window;
    return FALSE;
  }
  return TRUE;
}

// Starts tavrinel.exe in `folder` and waits (bounded) for its main window to show.
void Start(Running& running, const std::wstring& folder) {
  std::wstring command = L"\"" + AppPath() + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                             folder.c_str(), &startup, &running.process))
      << GetLastError();
  for (int i = 0; i < 300 && !running.window; ++i) {
    Sleep(100);
    EnumWindows(FindTopWindow, reinterpret_cast<LPARAM>(&running));
  }
  ASSERT_TRUE(running.window) << "no window within 30 s";
}

DWORD ExitCode(Running& running) {
  EXPECT_EQ(WaitForSingleObject(running.process.hProcess, 30000), WAIT_OBJECT_0);
  DWORD code = 12345;
  GetExitCodeProcess(running.process.hProcess, &code);
  return code;
}

TEST(Executable, ClosingTheWindowEndsWithZero) {
  ScratchFolder folder;
  Running app;
  ASSERT_NO_FATAL_FAILURE(Start(app, folder.path()));
  EXPECT_EQ(ClassName(app.window),
            L"Tavrinel Ver 2.0 - 공식배포처 https://tavrinel.example/download");
  RECT outer;
  GetWindowRect(app.window, &outer);
  EXPECT_EQ(outer.right - outer.left, 1280);
  EXPECT_EQ(outer.bottom - outer.top, 720);
  PostMessageW(app.window, WM_CLOSE, 0, 0);
  EXPECT_EQ(ExitCode(app), 0u);
}

TEST(Executable, ExitCodeComesFromTheQuitMessage) {
  ScratchFolder folder;
  Running app;
  ASSERT_NO_FATAL_FAILURE(Start(app, folder.path()));
  PostThreadMessageW(GetWindowThreadProcessId(app.window, nullptr), WM_QUIT, 7, 0);
  EXPECT_EQ(ExitCode(app), 7u);
}

}  // namespace
}  // namespace tav::win32::testing

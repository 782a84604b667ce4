// The main window as the program creates it and the code it exits with; tavrinel.exe's resources.
#include "shell.h"

#include <gdiplus.h>

#include "engine/owned.h"

namespace tav::win32::testing {
namespace {

// The window class each kind of control is created with, by ControlKind.
const wchar_t* const kClassOfKind[] = {L"STATIC", L"EDIT", L"BUTTON", L"msctls_progress32"};

// The window tavrinel.exe's start creates, as it was asked for, then ended by its WM_QUIT.
TEST(MainWindow, CreatedAsLaidOutAndEndedByItsQuitMessage) {
  WindowWatch watch;
  PostQuitMessage(7);  // the message loop ends as soon as it runs, with this code
  EXPECT_EQ(RunApplication(Instance(), SW_SHOWNORMAL), 7);
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
  EXPECT_EQ(std::tuple(SendMessageW(bar, PBM_GETRANGE, TRUE, 0),
                       SendMessageW(bar, PBM_GETRANGE, FALSE, 0),
                       SendMessageW(bar, PBM_GETPOS, 0, 0)),
            std::tuple(0, 100, 1));
  // Closing the window asks the message loop to end with 0.
  DestroyWindow(window);
  MSG quit = {};
  EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) && quit.wParam == 0);
}

// A file named from the suite's own folder: the open-file dialog may change the current one.
std::filesystem::path Beside(const wchar_t* name) {
  wchar_t suite[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, suite, MAX_PATH);
  return std::filesystem::path(suite).replace_filename(name);
}

// tavrinel.exe's one resource is its manifest: run as the invoker, the classic controls; no
// icon, no version resource.
TEST(Executable, ManifestOnly) {
  const std::wstring path = Beside(TAV_APP_FROM_TESTS);
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

// Another program's visible top-level windows.
std::vector<HWND> WindowsOf(DWORD process) {
  std::pair<DWORD, std::vector<HWND>> found = {process, {}};
  EnumWindows([](HWND window, LPARAM data) -> BOOL {
    auto& [id, windows] = *reinterpret_cast<std::pair<DWORD, std::vector<HWND>>*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == id && IsWindowVisible(window)) windows.push_back(window);
    return TRUE;
  }, reinterpret_cast<LPARAM>(&found));
  return found.second;
}

// Does `action` until `effect` is seen, waiting ten seconds each time, three times at most.
bool Until(const std::function<void()>& action, const std::function<bool()>& effect) {
  for (int tries = 0; tries < 3; ++tries) {
    action();
    for (const ULONGLONG end = GetTickCount64() + 10000; GetTickCount64() < end; Sleep(50))
      if (effect()) return true;
  }
  return false;
}

void EndProcess(HANDLE process) { TerminateProcess(process, 1), CloseHandle(process); }
// A program still running when its test ends is ended with it.
using Process = Owned<HANDLE, EndProcess>;

// A value copied stays on the clipboard once the program has closed, for whatever is pasted
// into next: the real tavrinel.exe copies the value its CRC32 box shows, its box is answered
// and it is closed; this suite, another program, then reads the clipboard.
TEST(Executable, CopiedValueOutlivesIt) {
  ASSERT_TRUE(OpenClipboard(nullptr) && EmptyClipboard() && CloseClipboard());
  STARTUPINFOW start = {};
  start.cb = sizeof start;
  PROCESS_INFORMATION started = {};
  ASSERT_TRUE(CreateProcessW(Beside(TAV_APP_FROM_TESTS).c_str(), nullptr, nullptr, nullptr,
                             FALSE, 0, nullptr, nullptr, &start, &started));
  CloseHandle(started.hThread);
  const Process app(started.hProcess);
  // Its main window's class is named like the title; a message box is a dialog.
  const auto find = [&](const std::wstring& className) -> HWND {
    for (const HWND window : WindowsOf(started.dwProcessId)) {
      wchar_t name[256] = {};
      GetClassNameW(window, name, 256);
      if (name == className) return window;
    }
    return nullptr;
  };
  // What a step whose effect did not come saw: each window's text and its controls' (asked
  // with WM_GETTEXT: GetWindowTextW reads only captions in another program).
  const auto seen = [&] {
    const auto ask = [](HWND w) {
      wchar_t text[1024] = {};
      SendMessageW(w, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text));
      return std::wstring(text);
    };
    std::wstring texts = L"seen:";
    for (const HWND window : WindowsOf(started.dwProcessId)) {
      texts += L" [" + ask(window) + L"]";
      for (HWND c = GetWindow(window, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) texts += L" '" + ask(c) + L"'";
    }
    return texts;
  };
  HWND main = nullptr, box = nullptr;
  ASSERT_TRUE(Until([] {}, [&] { return (main = find(Wide(kWindowTitle))) != nullptr; })) << seen();
  const ControlSpec& crc = *std::find_if(kControlLayout.begin(), kControlLayout.end(),
      [](const ControlSpec& c) { return c.role == RoleOf(Control::ResultCrc32); });
  SendMessageW(ChildWindowFromPoint(main, {crc.x + 2, crc.y + 2}), WM_SETTEXT, 0,
               reinterpret_cast<LPARAM>(L"352441c2"));  // as a run shows it
  ASSERT_TRUE(Until([&] { if (!find(L"#32770")) PostMessageW(main, WM_COMMAND, ID_COPY_CRC32, 0); },
                    [&] { return (box = find(L"#32770")) != nullptr; })) << seen();
  ASSERT_TRUE(Until([&] { PostMessageW(box, WM_COMMAND, IDOK, 0); }, [&] { return !IsWindow(box); }))
      << seen();
  ASSERT_TRUE(Until([&] { PostMessageW(main, WM_CLOSE, 0, 0); },
                    [&] { return WaitForSingleObject(app.get(), 0) == WAIT_OBJECT_0; })) << seen();
  std::wstring pasted = L"(the clipboard could not be opened)";
  if (Until([] {}, [] { return OpenClipboard(nullptr) != FALSE; })) {
    const HANDLE text = GetClipboardData(CF_UNICODETEXT);
    pasted = text ? static_cast<const wchar_t*>(GlobalLock(text)) : L"(no text)";
    if (text) GlobalUnlock(text);
    CloseClipboard();
  }
  EXPECT_EQ(pasted, L"352441c2");
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

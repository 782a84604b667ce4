// Helpers for the Windows suites: a CBT hook that records windows and catches dialogs,
// clipboard, drops, test files.
#include "win32_support.h"

#include <shlobj.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <utility>

namespace tav::win32::testing {

namespace {
thread_local WindowWatch* t_watch = nullptr;

// The open-file dialog carries the file-type combo box; a message box does not.
constexpr int kFileTypeCombo = 0x470;  // cmb1

std::wstring FromUtf8(const std::string& text) {
  return std::filesystem::path(std::u8string(text.begin(), text.end())).wstring();
}

bool OpenClipboardSoon() {
  for (int attempt = 0; attempt < 50; ++attempt, Sleep(20))
    if (OpenClipboard(nullptr)) return true;
  return false;
}
}  // namespace

std::wstring WindowText(HWND window) {
  wchar_t buffer[1024] = {};
  GetWindowTextW(window, buffer, 1024);
  return buffer;
}

std::wstring ClassName(HWND window) {
  wchar_t buffer[256] = {};
  GetClassNameW(window, buffer, 256);
  return buffer;
}

WindowWatch::WindowWatch() {
  t_watch = this;
  hook_ = SetWindowsHookExW(WH_CBT, Hook, nullptr, GetCurrentThreadId());
}

WindowWatch::~WindowWatch() {
  if (hook_) UnhookWindowsHookEx(hook_);
  t_watch = nullptr;
}

LRESULT CALLBACK WindowWatch::Hook(int code, WPARAM wParam, LPARAM lParam) {
  const HWND window = reinterpret_cast<HWND>(wParam);
  if (t_watch && code == HCBT_CREATEWND) {
    const CREATESTRUCTW* cs = reinterpret_cast<CBT_CREATEWNDW*>(lParam)->lpcs;
    t_watch->created.push_back({window, cs->hwndParent,
                                IS_INTRESOURCE(cs->lpszClass) ? L"#atom" : cs->lpszClass,
                                cs->lpszName ? cs->lpszName : L"", static_cast<DWORD>(cs->style),
                                cs->dwExStyle, cs->x, cs->y, cs->cx, cs->cy,
                                reinterpret_cast<INT_PTR>(cs->hMenu)});
  }
  if (t_watch && code == HCBT_ACTIVATE && ClassName(window) == L"#32770") t_watch->Handle(window);
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

void WindowWatch::Handle(HWND dialog) {
  if (!handled_.insert(dialog).second) return;
  if (GetDlgItem(dialog, kFileTypeCombo)) {
    ++fileDialogs;
    // The dialog fills its lists after it is activated: act once its loop runs.
    pendingFileDialog_ = dialog;
    SetTimer(nullptr, 0, 50, DeferredFileDialog);
    return;
  }
  SeenBox box;
  box.caption = WindowText(dialog);
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (_wcsicmp(ClassName(child).c_str(), L"Static") != 0) continue;
    const LONG style = GetWindowLongW(child, GWL_STYLE);
    if ((style & SS_TYPEMASK) == SS_ICON) {
      if ((style & WS_VISIBLE) && SendMessageW(child, STM_GETICON, 0, 0)) box.warningIcon = true;
    } else if (!WindowText(child).empty()) {
      box.text = WindowText(child);
    }
  }
  boxes.push_back(box);
  PostMessageW(dialog, WM_COMMAND, IDOK, 0);
}

void CALLBACK WindowWatch::DeferredFileDialog(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  WindowWatch* self = t_watch;
  if (!self || !self->pendingFileDialog_) return;
  const HWND dialog = std::exchange(self->pendingFileDialog_, nullptr);
  if (self->onFileDialog)
    self->onFileDialog(dialog);
  else
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
}

std::wstring ClipboardText() {
  std::wstring text = L"<none>";
  OpenClipboardSoon();
  if (const HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* p = static_cast<const wchar_t*>(GlobalLock(data))) text = p;
    GlobalUnlock(data);
  }
  CloseClipboard();
  return text;
}

void ClearClipboard() {
  OpenClipboardSoon();
  EmptyClipboard();
  CloseClipboard();
}

void DropFiles(HWND window, const std::vector<std::wstring>& files) {
  std::wstring list;
  for (const auto& f : files) list += f + L'\0';
  list += L'\0';
  const HGLOBAL block = GlobalAlloc(GHND, sizeof(DROPFILES) + list.size() * sizeof(wchar_t));
  auto* drop = static_cast<DROPFILES*>(GlobalLock(block));
  drop->pFiles = sizeof(DROPFILES);
  drop->fWide = TRUE;
  std::memcpy(drop + 1, list.data(), list.size() * sizeof(wchar_t));
  GlobalUnlock(block);
  SendMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(block), 0);
}

std::wstring ProgramFolder() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return std::filesystem::path(path).parent_path().wstring();
}

std::map<std::wstring, Expected> LoadFixture() {
  const std::wstring root = ProgramFolder() + L"\\win32-data";
  std::map<std::wstring, Expected> out;
  std::ifstream in(std::filesystem::path(root + L"\\expected.tsv"));
  std::string line, field;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::getline(fields, field, '\t');
    Expected& e = out[FromUtf8(field)];
    e.path = root + L"\\files\\" + FromUtf8(field);
    for (auto& sum : e.sums) {
      std::getline(fields, field, '\t');
      sum = FromUtf8(field);
    }
  }
  return out;
}

ScratchFolder::ScratchFolder() {
  path_ = (std::filesystem::temp_directory_path() /
           (L"tavrinel-win32-" + std::to_wstring(std::random_device{}()))).wstring();
  std::filesystem::create_directories(path_);
}

ScratchFolder::~ScratchFolder() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::wstring ScratchFolder::Write(const std::wstring& name, const std::string& bytes) const {
  const std::wstring file = path_ + L"\\" + name;
  std::ofstream(std::filesystem::path(file), std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return file;
}

}  // namespace tav::win32::testing

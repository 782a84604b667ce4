// Helpers for the Windows suites: catching dialogs with a CBT hook, clipboard, test files.
#include "win32_support.h"

#include <shlobj.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace tav::win32::testing {

namespace {
thread_local DialogCatcher* t_catcher = nullptr;
thread_local CreationRecorder* t_recorder = nullptr;

// The open-file dialog carries the file-type combo box; a message box does not.
constexpr int kFileTypeCombo = 0x470;  // cmb1
}  // namespace

std::wstring FromUtf8(const std::string& text) {
  if (text.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                    nullptr, 0);
  std::wstring out(n, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

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

DialogCatcher::DialogCatcher() {
  t_catcher = this;
  hook_ = SetWindowsHookExW(WH_CBT, Hook, nullptr, GetCurrentThreadId());
}

DialogCatcher::~DialogCatcher() {
  if (hook_) UnhookWindowsHookEx(hook_);
  t_catcher = nullptr;
}

LRESULT CALLBACK DialogCatcher::Hook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE && t_catcher) {
    const HWND window = reinterpret_cast<HWND>(wParam);
    if (ClassName(window) == L"#32770") t_catcher->Handle(window);
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

void DialogCatcher::Handle(HWND dialog) {
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

void CALLBACK DialogCatcher::DeferredFileDialog(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  DialogCatcher* self = t_catcher;
  if (!self || !self->pendingFileDialog_) return;
  const HWND dialog = self->pendingFileDialog_;
  self->pendingFileDialog_ = nullptr;
  if (self->onFileDialog) {
    self->onFileDialog(dialog);
  } else {
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  }
}

CreationRecorder::CreationRecorder() {
  t_recorder = this;
  hook_ = SetWindowsHookExW(WH_CBT, Hook, nullptr, GetCurrentThreadId());
}

CreationRecorder::~CreationRecorder() {
  if (hook_) UnhookWindowsHookEx(hook_);
  t_recorder = nullptr;
}

LRESULT CALLBACK CreationRecorder::Hook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND && t_recorder) {
    const CREATESTRUCTW* cs = reinterpret_cast<CBT_CREATEWNDW*>(lParam)->lpcs;
    CreatedWindow w;
    w.window = reinterpret_cast<HWND>(wParam);
    w.className = IS_INTRESOURCE(cs->lpszClass) ? L"#atom" : cs->lpszClass;
    w.hasText = cs->lpszName != nullptr;
    w.text = cs->lpszName ? cs->lpszName : L"";
    w.style = static_cast<DWORD>(cs->style);
    w.exStyle = cs->dwExStyle;
    w.x = cs->x;
    w.y = cs->y;
    w.width = cs->cx;
    w.height = cs->cy;
    w.id = reinterpret_cast<INT_PTR>(cs->hMenu);
    w.parent = cs->hwndParent;
    t_recorder->created.push_back(w);
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

std::wstring ClipboardText() {
  std::wstring text = L"<none>";
  for (int attempt = 0; attempt < 50 && !OpenClipboard(nullptr); ++attempt) Sleep(20);
  if (const HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* p = static_cast<const wchar_t*>(GlobalLock(data))) {
      text = p;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

void SetClipboardText(const std::wstring& text) {
  for (int attempt = 0; attempt < 50 && !OpenClipboard(nullptr); ++attempt) Sleep(20);
  EmptyClipboard();
  const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  if (const HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
    std::memcpy(GlobalLock(block), text.c_str(), bytes);
    GlobalUnlock(block);
    SetClipboardData(CF_UNICODETEXT, block);
  }
  CloseClipboard();
}

void DropFiles(HWND window, const std::vector<std::wstring>& files) {
  std::wstring list;
  for (const auto& f : files) list += f + L'\0';
  list += L'\0';
  const std::size_t bytes = sizeof(DROPFILES) + list.size() * sizeof(wchar_t);
  const HGLOBAL block = GlobalAlloc(GHND, bytes);
  auto* drop = static_cast<DROPFILES*>(GlobalLock(block));
  drop->pFiles = sizeof(DROPFILES);
  drop->fWide = TRUE;
  std::memcpy(reinterpret_cast<BYTE*>(drop) + sizeof(DROPFILES), list.data(),
              list.size() * sizeof(wchar_t));
  GlobalUnlock(block);
  SendMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(block), 0);
}

std::wstring ProgramFolder() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder = path;
  return folder.substr(0, folder.find_last_of(L"\\/"));
}

std::map<std::wstring, Expected> LoadFixture() {
  const std::wstring root = ProgramFolder() + L"\\win32-data";
  std::map<std::wstring, Expected> out;
  std::ifstream in(std::filesystem::path(root + L"\\expected.tsv"));
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string name, value;
    std::getline(fields, name, '\t');
    Expected e;
    e.path = root + L"\\files\\" + FromUtf8(name);
    for (auto& sum : e.sums) {
      std::getline(fields, value, '\t');
      sum = FromUtf8(value);
    }
    out[FromUtf8(name)] = e;
  }
  return out;
}

ScratchFolder::ScratchFolder() {
  std::random_device rd;
  path_ = (std::filesystem::temp_directory_path() /
           (L"tavrinel-win32-" + std::to_wstring(rd()) + std::to_wstring(rd())))
              .wstring();
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

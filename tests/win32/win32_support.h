// Helpers for the Windows suites: a CBT hook that records windows and catches dialogs,
// clipboard, drops, test files.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace tav::win32::testing {

// A message box as the user saw it.
struct SeenBox { std::wstring caption, text; bool warningIcon = false; };

// A window as CreateWindowExW was asked for it (before the control adjusts itself).
struct CreatedWindow {
  HWND window, parent;
  std::wstring className, text;
  DWORD style, exStyle;
  int x, y, width, height;
  INT_PTR id;
};

// While alive, a CBT hook on this thread records every window created, reads and closes every
// message box with OK, and hands the open-file dialog to `onFileDialog`, which must close it
// (Cancel if unset): tests never block on a modal window.
class WindowWatch {
 public:
  WindowWatch();
  ~WindowWatch();
  WindowWatch(const WindowWatch&) = delete;
  WindowWatch& operator=(const WindowWatch&) = delete;

  std::vector<CreatedWindow> created;
  std::vector<SeenBox> boxes;
  std::function<void(HWND dialog)> onFileDialog;
  int fileDialogs = 0;

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
  static void CALLBACK DeferredFileDialog(HWND, UINT, UINT_PTR timer, DWORD);
  void Handle(HWND dialog);
  HHOOK hook_ = nullptr;
  HWND pendingFileDialog_ = nullptr;
  std::set<HWND> handled_;
};

std::wstring WindowText(HWND window);
std::wstring ClassName(HWND window);
// Plain text on the clipboard (CF_UNICODETEXT), or "<none>" if there is none.
std::wstring ClipboardText();
void ClearClipboard();

// Sends WM_DROPFILES to `window` with the files in a DROPFILES block of wide names, as the
// shell does; the receiver frees the block with DragFinish.
void DropFiles(HWND window, const std::vector<std::wstring>& files);

// The folder that holds the running test program.
std::wstring ProgramFolder();

// Test files prepared by make_fixture.sh beside the program, and their checksums computed
// by gzip and coreutils: name -> {crc32, md5, sha1, sha256, sha512}.
struct Expected { std::wstring path, sums[5]; };
std::map<std::wstring, Expected> LoadFixture();

// A scratch folder removed with its contents when the test ends.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  const std::wstring& path() const { return path_; }
  std::wstring Write(const std::wstring& name, const std::string& bytes) const;

 private:
  std::wstring path_;
};

}  // namespace tav::win32::testing

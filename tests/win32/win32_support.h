// Helpers for the Windows suites: catching dialogs with a CBT hook, clipboard, test files.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace tav::win32::testing {

// A message box as the user saw it.
struct SeenBox {
  std::wstring caption;
  std::wstring text;
  bool warningIcon = false;
};

// While alive, every dialog (#32770) this thread activates is caught: message boxes are
// read and closed with OK, and the open-file dialog is handed to `onFileDialog`, which must
// close it (tests never block on a modal window).
class DialogCatcher {
 public:
  DialogCatcher();
  ~DialogCatcher();
  DialogCatcher(const DialogCatcher&) = delete;
  DialogCatcher& operator=(const DialogCatcher&) = delete;

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

// Every child window the calling thread creates while alive, with the arguments it was
// created with (read from the CBT hook's CREATESTRUCT before the control adjusts itself).
struct CreatedWindow {
  HWND window;
  std::wstring className;
  std::wstring text;
  bool hasText;
  DWORD style;
  DWORD exStyle;
  int x, y, width, height;
  INT_PTR id;
  HWND parent;
};
class CreationRecorder {
 public:
  CreationRecorder();
  ~CreationRecorder();
  CreationRecorder(const CreationRecorder&) = delete;
  CreationRecorder& operator=(const CreationRecorder&) = delete;
  std::vector<CreatedWindow> created;

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
  HHOOK hook_ = nullptr;
};

std::wstring WindowText(HWND window);
std::wstring ClassName(HWND window);
// Plain text on the clipboard (CF_UNICODETEXT), or "<none>" if there is none.
std::wstring ClipboardText();
void SetClipboardText(const std::wstring& text);

// Sends WM_DROPFILES to `window` with the files in a DROPFILES block of wide names, as the
// shell does; the receiver frees the block with DragFinish.
void DropFiles(HWND window, const std::vector<std::wstring>& files);

// The folder that holds the running test program.
std::wstring ProgramFolder();

// Test files prepared by make_fixture.sh beside the program, and their checksums computed
// by coreutils and gzip: name -> {crc32, md5, sha1, sha256, sha512}.
struct Expected {
  std::wstring path;
  std::wstring sums[5];
};
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

std::wstring FromUtf8(const std::string& text);

}  // namespace tav::win32::testing

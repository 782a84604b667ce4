// The window operations every command calls, carried out on the main window's Win32 controls.
#pragma once

#include <windows.h>
#include <commdlg.h>

#include "app/ui_ops.h"

namespace tav::win32 {

// Holds the main window (owner of every message box) and the handles of the controls that
// commands act on; labels and the browse button are never touched after creation.
class Win32Ui final : public UiOps {
 public:
  void SetMainWindow(HWND window) { main_ = window; }
  void SetControl(Control control, HWND window) { controls_[static_cast<int>(control)] = window; }
  HWND ControlWindow(Control control) const { return controls_[static_cast<int>(control)]; }

  void SetText(Control control, const char16_t* text) override;
  std::size_t ReadText(Control control, char16_t* dest, std::size_t capacity) override;
  void Enable(Control control, bool on) override;
  void SetProgressPos(int position) override;
  void StepProgress() override;
  void SelectAll(Control control) override;
  void CopySelection(Control control) override;
  void ShowMessage(const char16_t* text, const char16_t* caption, MessageIcon icon) override;
  Choice ChooseFile(char16_t* path, std::size_t pathCapacity, char16_t* title,
                    std::size_t titleCapacity) override;

 private:
  HWND main_ = nullptr;
  HWND controls_[kControlCount] = {};
};

// The one open-file record of the process, filled afresh before each use of the dialog.
OPENFILENAMEW& OpenFileRecord();

// The open-file dialog's record: all zero but its size, owner, the one "모든 파일" (*.*)
// filter, and the two buffers with their capacities.
void FillOpenFileRecord(OPENFILENAMEW& record, HWND owner, wchar_t* path, DWORD pathCapacity,
                        wchar_t* title, DWORD titleCapacity);

// The shared texts are char16_t; on Windows wchar_t is the same 16-bit UTF-16 unit.
inline const wchar_t* Wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
inline wchar_t* Wide(char16_t* text) { return reinterpret_cast<wchar_t*>(text); }

}  // namespace tav::win32

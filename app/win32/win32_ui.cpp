// Win32 window operations: window texts, enabling, the progress bar, selection copy, boxes.
#include "app/win32/win32_ui.h"

#include <cderr.h>
#include <commctrl.h>
#include <commdlg.h>

#include <cstring>

namespace tav::win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 texts are shared with the core");
// The record Windows' 64-bit open-file dialog expects (lStructSize 152).
static_assert(sizeof(OPENFILENAMEW) == 152 || sizeof(void*) != 8, "unexpected OPENFILENAMEW");

namespace {
// One filter pair, "모든 파일" showing every file; the literal's own terminator ends the list.
constexpr wchar_t kFilter[] = L"모든 파일\0*.*\0";
}  // namespace

void Win32Ui::SetText(Control control, const char16_t* text) {
  SetWindowTextW(ControlWindow(control), Wide(text));
}

std::size_t Win32Ui::ReadText(Control control, char16_t* dest, std::size_t capacity) {
  if (capacity == 0) return 0;
  dest[0] = 0;
  const HWND window = ControlWindow(control);
  // Length first, then the text, bounded by the destination's capacity: the length tells the
  // caller whether the whole text fitted.
  const int length = GetWindowTextLengthW(window);
  const int got = GetWindowTextW(window, Wide(dest), static_cast<int>(capacity));
  // Always terminated, even if a control misreports its length.
  const std::size_t stored = got > 0 ? static_cast<std::size_t>(got) : 0;
  dest[stored < capacity ? stored : capacity - 1] = 0;
  return length > got ? static_cast<std::size_t>(length) : stored;
}

void Win32Ui::Enable(Control control, bool on) { EnableWindow(ControlWindow(control), on); }

void Win32Ui::SetProgressPos(int position) {
  SendMessageW(ControlWindow(Control::ProgressBar), PBM_SETPOS, position, 0);
}

void Win32Ui::StepProgress() { SendMessageW(ControlWindow(Control::ProgressBar), PBM_STEPIT, 0, 0); }

void Win32Ui::SelectAll(Control control) {
  SendMessageW(ControlWindow(control), EM_SETSEL, 0, -1);
}

void Win32Ui::CopySelection(Control control) { SendMessageW(ControlWindow(control), WM_COPY, 0, 0); }

void Win32Ui::ShowMessage(const char16_t* text, const char16_t* caption, MessageIcon icon) {
  MessageBoxW(main_, Wide(text), Wide(caption), icon == MessageIcon::Warning ? MB_ICONWARNING : 0);
}

OPENFILENAMEW& OpenFileRecord() {
  static OPENFILENAMEW record;
  return record;
}

void FillOpenFileRecord(OPENFILENAMEW& record, HWND owner, wchar_t* path, DWORD pathCapacity,
                        wchar_t* title, DWORD titleCapacity) {
  std::memset(&record, 0, sizeof record);
  record.lStructSize = sizeof record;
  record.hwndOwner = owner;
  record.lpstrFilter = kFilter;
  record.lpstrFile = path;
  record.nMaxFile = pathCapacity;
  record.lpstrFileTitle = title;
  record.nMaxFileTitle = titleCapacity;
}

// The dialog writes straight into the selected path and file title, so it opens with the
// previous path as its file name. When the picked name does not fit, it fails with
// FNERR_BUFFERTOOSMALL and leaves the size it needed in the path's first unit; the caller
// puts the previous selection back.
Choice Win32Ui::ChooseFile(char16_t* path, std::size_t pathCapacity, char16_t* title,
                           std::size_t titleCapacity) {
  OPENFILENAMEW& record = OpenFileRecord();
  FillOpenFileRecord(record, main_, Wide(path), static_cast<DWORD>(pathCapacity), Wide(title),
                     static_cast<DWORD>(titleCapacity));
  if (GetOpenFileNameW(&record)) return Choice::Chosen;
  return CommDlgExtendedError() == FNERR_BUFFERTOOSMALL ? Choice::TooLong : Choice::Cancelled;
}

}  // namespace tav::win32

// The few window operations through which every command reaches the screen, clipboard and user.
#pragma once

#include <cstddef>

#include "engine/slots.h"

namespace tav {

// Controls named by role. The shells map each to their own widget or window handle.
enum class Control : int {
  PathDisplay,
  CompareInput,
  ResultCrc32, ResultMd5, ResultSha1, ResultSha256, ResultSha512,
  CopyCrc32, CopyMd5, CopySha1, CopySha256, CopySha512,
  CompareButton,
  RunButton,
  ProgressBar,
};
inline constexpr int kControlCount = 15;

inline constexpr Control ResultDisplay(Slot s) {
  return static_cast<Control>(static_cast<int>(Control::ResultCrc32) + IndexOf(s));
}
inline constexpr Control CopyButton(Slot s) {
  return static_cast<Control>(static_cast<int>(Control::CopyCrc32) + IndexOf(s));
}

enum class MessageIcon { None, Warning };

// How the open-file dialog ended.
enum class Choice {
  Chosen,     // a file was picked: its full path and title were written
  Cancelled,  // closed without a choice (or the dialog failed)
  TooLong,    // the picked name does not fit the selected path's capacity
  Ambiguous,  // the picked name, as the dialog shows it, is that of more than one file
};

class UiOps {
 public:
  virtual ~UiOps() = default;

  // The control shows `text` (terminated UTF-16) from now on.
  virtual void SetText(Control control, const char16_t* text) = 0;
  // Copies the control's current text into `dest`, cut to capacity - 1 code units and always
  // terminated; returns the length of the whole text as the control holds it, so a caller can
  // tell that the text did not fit.
  virtual std::size_t ReadText(Control control, char16_t* dest, std::size_t capacity) = 0;
  // A disabled button delivers no command.
  virtual void Enable(Control control, bool on) = 0;
  // Progress bar range is 0..100 with a step of 1.
  virtual void SetProgressPos(int position) = 0;
  virtual void StepProgress() = 0;
  // Selects the whole text of an edit control, then copies the selection as plain text.
  virtual void SelectAll(Control control) = 0;
  virtual void CopySelection(Control control) = 0;
  // Modal, owned by the main window, OK button only; returns when the user closed it.
  virtual void ShowMessage(const char16_t* text, const char16_t* caption, MessageIcon icon) = 0;
  // The open-file dialog: one filter "모든 파일" (*.*), starting from `path` as it stands.
  // On Chosen, `path` holds the full path and `title` the name with extension (both
  // terminated). Otherwise either may hold anything the dialog left there: the caller keeps
  // its own copy of the previous selection.
  virtual Choice ChooseFile(char16_t* path, std::size_t pathCapacity, char16_t* title,
                            std::size_t titleCapacity) = 0;
};

}  // namespace tav

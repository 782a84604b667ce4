// A console provider of the window operations: keeps control texts, can trace every call.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "app/ui_ops.h"

namespace tav {

const char* ControlName(Control control);
std::string ToUtf8(const char16_t* text);
// A file name as the checker prints it, so that no byte of it acts on the terminal or starts a
// line of its own: in single quotes when it is printable UTF-8 without quotes, otherwise as a
// shell's $'...' string with every control character, quote, backslash, direction override and
// byte that is not UTF-8 escaped. Either form pasted into a shell names the same file.
std::string QuotedName(std::string_view name);

class ConsoleUi final : public UiOps {
 public:
  explicit ConsoleUi(std::FILE* trace) : trace_(trace) {}

  void SetText(Control control, const char16_t* text) override;
  std::size_t ReadText(Control control, char16_t* dest, std::size_t capacity) override;
  void Enable(Control control, bool on) override;
  void SetProgressPos(int position) override;
  void StepProgress() override;
  void SelectAll(Control control) override;
  void CopySelection(Control control) override;
  void ShowMessage(const char16_t* text, const char16_t* caption, MessageIcon icon) override;
  Choice ChooseFile(char16_t*, std::size_t, char16_t*, std::size_t) override {
    return Choice::Cancelled;
  }

  const std::u16string& Text(Control c) const { return texts_[static_cast<int>(c)]; }

 private:
  std::FILE* trace_;
  std::u16string texts_[kControlCount];
};

}  // namespace tav

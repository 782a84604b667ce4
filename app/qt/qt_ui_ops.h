// The window operations over Qt widgets: texts, enabling, progress, clipboard, messages, dialog.
#pragma once

#include <QString>
#include <array>

#include "app/ui_ops.h"

class QFileDialog;
class QWidget;

namespace tav::qt {

// The open-file dialog's one filter as the user sees it.
extern const QString kFileFilterName;  // "모든 파일 (*.*)"

// Sets up `dialog` as the browse button's chooser: open mode, the one filter "모든 파일" with
// the pattern *.* (matching every file, with or without a dot in its name, as *.* does on
// Windows), a typed name of a missing file accepted, and `startPath` as the initial choice.
void ConfigureFileDialog(QFileDialog& dialog, const QString& startPath);

class QtUiOps final : public UiOps {
 public:
  explicit QtUiOps(QWidget* owner) : owner_(owner) {}

  // Ties a control role to its widget (a QLineEdit, QPushButton or QProgressBar).
  void Bind(Control control, QWidget* widget) { widgets_[static_cast<int>(control)] = widget; }
  QWidget* Widget(Control control) const { return widgets_[static_cast<int>(control)]; }

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
  QWidget* owner_;
  std::array<QWidget*, kControlCount> widgets_{};
};

}  // namespace tav::qt

// Qt provider of the window operations: every command reaches the widgets through these.
#include "app/qt/qt_ui_ops.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include "engine/text.h"
#include "window/commands.h"
#include "app/qt/seams.h"

namespace tav::qt {

const QString kFileFilterName = QStringLiteral("모든 파일 (*.*)");

namespace {

// As the user sees a text: a byte of a file name that is not UTF-8 shows as U+FFFD.
QString FromText(const char16_t* text) {
  const std::u16string shown = ForDisplay(text);
  return QString::fromUtf16(shown.data(), static_cast<qsizetype>(shown.size()));
}

std::u16string_view ViewOf(const QString& s) {
  return {reinterpret_cast<const char16_t*>(s.utf16()), static_cast<std::size_t>(s.size())};
}

// The dialog names files as Qt decodes them, each byte that is not UTF-8 shown as U+FFFD, so a
// chosen path holding U+FFFD may stand for a name on disk that differs from its UTF-8. Each
// such part is looked up among its folder's entries by their bytes: the one entry that shows
// as that part is taken; two that show alike leave no way to tell which was meant (nullopt);
// none, and the part is taken as typed.
std::optional<std::u16string> OnDiskPath(const QString& chosen) {
  if (!chosen.contains(QChar::ReplacementCharacter)) return std::u16string(ViewOf(chosen));
  std::string bytes;
  const QStringList parts = chosen.split(QLatin1Char('/'));
  for (qsizetype i = 0; i < parts.size(); ++i) {
    const QString& part = parts[i];
    std::optional<std::string> found;
    if (part.contains(QChar::ReplacementCharacter)) {
      std::error_code error;
      for (const auto& entry : std::filesystem::directory_iterator(bytes.empty() ? "/" : bytes, error)) {
        const std::string name = entry.path().filename().native();
        if (QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())) != part) continue;
        if (found) return std::nullopt;
        found = name;
      }
    }
    bytes += found ? *found : part.toStdString();
    if (i + 1 < parts.size()) bytes += '/';
  }
  return Utf8ToUtf16(bytes);
}

}  // namespace

void ConfigureFileDialog(QFileDialog& dialog, const QString& startPath) {
  // Qt's own dialog on every desktop, so the filter below behaves the same everywhere.
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  // A typed name need not exist: it becomes the selection and the run reports it missing.
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilter(kFileFilterName);
  // On Windows *.* matches every file; here the same pattern would hide every name without a
  // dot (README, Makefile, most executables). Keep the label, match everything, and again
  // whenever the user picks the filter in the file-type box, which applies *.* afresh.
  if (auto* model = dialog.findChild<QFileSystemModel*>()) {
    const auto matchAll = [model] { model->setNameFilters({QStringLiteral("*")}); };
    matchAll();
    QObject::connect(&dialog, &QFileDialog::filterSelected, model, matchAll);
  } else {
    dialog.setNameFilter(QStringLiteral("모든 파일 (*)"));
  }
  if (!startPath.isEmpty()) {
    const QFileInfo start(startPath);
    dialog.setDirectory(start.absolutePath());
    dialog.selectFile(start.fileName());
  }
}

// Texts are set and read only on the edits: the path display, the compare box, the results.
void QtUiOps::SetText(Control control, const char16_t* text) {
  auto* edit = qobject_cast<QLineEdit*>(Widget(control));
  if (!edit) return;
  edit->setText(FromText(text));
  // Show the start of a long path, as an edit control does after its text is set.
  edit->setCursorPosition(0);
  // The run sets each display from inside one click; without this the user would see all
  // five values appear together only when the run is over.
  edit->repaint();
}

std::size_t QtUiOps::ReadText(Control control, char16_t* dest, std::size_t capacity) {
  if (capacity == 0) return 0;
  const auto* edit = qobject_cast<QLineEdit*>(Widget(control));
  const QString text = edit ? edit->text() : QString();
  CopyText(dest, capacity, ViewOf(text));
  return static_cast<std::size_t>(text.size());
}

void QtUiOps::Enable(Control control, bool on) {
  if (QWidget* w = Widget(control)) w->setEnabled(on);
}

void QtUiOps::SetProgressPos(int position) {
  if (auto* bar = qobject_cast<QProgressBar*>(Widget(Control::ProgressBar)))
    bar->setValue(position);
}

void QtUiOps::StepProgress() {
  // The bar repaints itself on a change of a pixel or more; one step is about 13 pixels.
  if (auto* bar = qobject_cast<QProgressBar*>(Widget(Control::ProgressBar)))
    bar->setValue(bar->value() + 1);
}

void QtUiOps::SelectAll(Control control) {
  if (auto* edit = qobject_cast<QLineEdit*>(Widget(control))) edit->selectAll();
}

void QtUiOps::CopySelection(Control control) {
  if (auto* edit = qobject_cast<QLineEdit*>(Widget(control))) edit->copy();
}

void QtUiOps::ShowMessage(const char16_t* text, const char16_t* caption, MessageIcon icon) {
  const QString body = FromText(text);
  const QString title = FromText(caption);
  if (const MessageHook& hook = MessageSeam::Hook()) {
    hook(title, body, icon);
    return;
  }
  QMessageBox box(icon == MessageIcon::Warning ? QMessageBox::Warning : QMessageBox::NoIcon,
                  title, body, QMessageBox::Ok, owner_);
  // File titles appear in the texts; a name such as "<b>x</b>" must show as typed.
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

Choice QtUiOps::ChooseFile(char16_t* path, std::size_t pathCapacity, char16_t* title,
                           std::size_t titleCapacity) {
  const QString start = FromText(std::u16string(TextView(path, pathCapacity)).c_str());
  QString chosen;
  if (FileChooserSeam::HasNext()) {
    chosen = FileChooserSeam::TakeNext(start);
  } else {
    QFileDialog dialog(owner_);
    ConfigureFileDialog(dialog, start);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
      chosen = dialog.selectedFiles().constFirst();
  }
  if (chosen.isEmpty()) return Choice::Cancelled;
  const std::optional<std::u16string> full = OnDiskPath(chosen);
  if (!full) return Choice::Ambiguous;
  // Cut, the path would name some other file or folder.
  if (full->size() >= pathCapacity) return Choice::TooLong;
  CopyText(path, pathCapacity, *full);
  FileTitleOf(*full, title, titleCapacity);
  return Choice::Chosen;
}

}  // namespace tav::qt

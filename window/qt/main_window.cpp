// The main window's controls, painting and drops; every click goes to the shared command router.
#include "window/qt/main_window.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QSysInfo>
#include <QUrl>
#include <QValidator>
#include <optional>
#include <string>

#include "engine/text.h"
#include "window/commands.h"
#include "window/layout.h"

namespace tav::qt {

namespace {

// The first dropped entry that names a file, if any: its path as the file system names it, the
// URL's own bytes, so a name that is not UTF-8 still names that file (its stray bytes held as
// U+DC80..U+DCFF); and whether the file is on this machine. A file URL may name a host
// (file://fileserver/srv/x.iso): the path is then that host's, and this machine's file of the
// same path is some other file.
struct DroppedFile {
  std::u16string path;
  bool here;
};
std::optional<DroppedFile> FirstDroppedFile(const QMimeData* data) {
  if (!data || !data->hasUrls()) return std::nullopt;
  for (const QUrl& url : data->urls()) {
    if (!url.isLocalFile()) continue;
    const QByteArray bytes = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    if (bytes.isEmpty()) return std::nullopt;
    const QString host = url.host();
    const bool here = host.isEmpty() || host.compare(u"localhost", Qt::CaseInsensitive) == 0 ||
                      host.compare(QSysInfo::machineHostName(), Qt::CaseInsensitive) == 0;
    const std::string_view name(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    return DroppedFile{Utf8ToUtf16(name), here};
  }
  return std::nullopt;
}

// A single-line box as the native edit control takes a paste: up to the pasted text's first
// line break, and a text handed over with a NUL in it ends there. What the box then shows is
// exactly what a command reads from it. Typing cannot insert these characters; a paste (or a
// drop of text) is what brings them, ending at the cursor.
class SingleLine final : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& text, int& cursor) const override {
    static const QRegularExpression kBreak(QStringLiteral("[\\r\\n\\x{0}]"));
    const qsizetype cut = text.indexOf(kBreak);
    if (cut < 0) return Acceptable;
    // The box held no break before, so the first one is the inserted text's: drop from it
    // to the end of the insertion, keep what followed the cursor.
    const qsizetype end = std::max<qsizetype>(cursor, cut);
    text = text.left(cut) + text.mid(end).remove(kBreak);
    cursor = static_cast<int>(cut);
    return Acceptable;
  }
};

// What a screen reader says for the progress bar; the bar itself shows no text.
constexpr const char16_t* kProgressName = u"해시 계산 진행률";

}  // namespace

MainWindow::MainWindow(ChecksumPlatform& platform, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      ui_(this),
      platform_(platform) {
  setWindowTitle(QString::fromUtf16(kWindowTitle));
  // The outer size is fitted once the frame is known (FitOuterSize); until then, and with no
  // window manager at all, the client area is the full size.
  setFixedSize(kWindowWidth, kWindowHeight);
  setAcceptDrops(true);
  background_.Start(platform_);
  CreateControls();
}

void MainWindow::CreateControls() {
  // Each edit follows its label in the table: a screen reader names the edit by that caption
  // (as Windows names an edit by the label before it), not just "edit".
  QLabel* lastLabel = nullptr;
  for (const ControlSpec& entry : kControlLayout) {
    const QString text = entry.text ? QString::fromUtf16(entry.text) : QString();
    QWidget* w = nullptr;
    switch (entry.kind) {
      case ControlKind::Static: {
        auto* label = new QLabel(text, this);
        label->setAlignment(Qt::AlignVCenter |
                            (IsCentered(entry) ? Qt::AlignHCenter : Qt::AlignLeft));
        label->setTextFormat(Qt::PlainText);
        lastLabel = label;
        w = label;
        break;
      }
      case ControlKind::Edit: {
        auto* edit = new QLineEdit(text, this);
        edit->setReadOnly(IsReadOnly(entry));
        if (IsCentered(entry)) edit->setAlignment(Qt::AlignCenter);
        edit->setCursorPosition(0);
        // Clicks may focus and type, but Tab does not walk through the controls.
        edit->setFocusPolicy(Qt::ClickFocus);
        if (!edit->isReadOnly()) edit->setValidator(new SingleLine(edit));
        if (lastLabel) {
          lastLabel->setBuddy(edit);
          edit->setAccessibleName(lastLabel->text());
        }
        // The path edit's first text is the drag-and-drop hint, gone once a file is chosen;
        // a screen reader keeps it as the description.
        if (!text.isEmpty()) edit->setAccessibleDescription(text);
        w = edit;
        break;
      }
      case ControlKind::Button: {
        auto* button = new QPushButton(text, this);
        button->setFocusPolicy(Qt::ClickFocus);
        if (entry.style & style::kDefPushButton) button->setDefault(true);
        const int id = entry.id;
        connect(button, &QPushButton::clicked, this,
                [this, id] { RouteCommand(state_, ui_, platform_, id, 0); });
        w = button;
        break;
      }
      case ControlKind::Progress: {
        auto* bar = new QProgressBar(this);
        bar->setRange(0, 100);
        bar->setValue(0);
        bar->setTextVisible(false);
        bar->setAccessibleName(QString::fromUtf16(kProgressName));
        w = bar;
        break;
      }
    }
    w->setObjectName(QString::fromLatin1(entry.objectName));
    w->setGeometry(entry.x, entry.y, entry.width, entry.height);
    w->setEnabled(StartsEnabled(entry));
    // Files dropped on any control are the window's: an editable line would otherwise take
    // a drop that also carries text.
    w->setAcceptDrops(false);
    if (entry.role != kNoRole) ui_.Bind(static_cast<Control>(entry.role), w);
  }
}

void MainWindow::FitOuterSize() {
  const QSize frame = frameGeometry().size() - size();
  setFixedSize(QSize(kWindowWidth, kWindowHeight) - frame);
}

void MainWindow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::white);
  // Scaled to the full outer size when loaded; what falls outside the client area is not seen.
  if (!background_.Image().isNull()) painter.drawImage(0, 0, background_.Image());
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (FirstDroppedFile(event->mimeData())) event->acceptProposedAction();
}

void MainWindow::dragMoveEvent(QDragMoveEvent* event) {
  if (FirstDroppedFile(event->mimeData())) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  const std::optional<DroppedFile> file = FirstDroppedFile(event->mimeData());
  if (!file) return;
  event->acceptProposedAction();
  // Another host's file is taken (so the user hears why nothing changed) but not read.
  if (file->here)
    AcceptDroppedPath(state_, ui_, file->path);
  else
    RefuseDroppedFile(ui_);
  activateWindow();
  raise();
}

}  // namespace tav::qt

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
#include <QUrl>
#include <string_view>

#include "window/commands.h"
#include "window/layout.h"

namespace tav::qt {

namespace {

// The first dropped entry that is a local file, as the file system names it; empty if none.
QString FirstDroppedFile(const QMimeData* data) {
  if (!data || !data->hasUrls()) return {};
  for (const QUrl& url : data->urls())
    if (url.isLocalFile()) return url.toLocalFile();
  return {};
}

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
  // A missing or unreadable picture leaves a null image: the window paints white.
  background_.load(QString::fromLatin1(kBackgroundFile));
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
  // Always scaled to the full outer size; what falls outside the client area is not seen.
  if (!background_.isNull())
    painter.drawImage(QRect(0, 0, kWindowWidth, kWindowHeight), background_);
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (!FirstDroppedFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void MainWindow::dragMoveEvent(QDragMoveEvent* event) {
  if (!FirstDroppedFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  const QString path = FirstDroppedFile(event->mimeData());
  if (path.isEmpty()) return;
  event->acceptProposedAction();
  AcceptDroppedPath(state_, ui_,
                    std::u16string_view(reinterpret_cast<const char16_t*>(path.utf16()),
                                        static_cast<std::size_t>(path.size())));
  activateWindow();
  raise();
}

}  // namespace tav::qt

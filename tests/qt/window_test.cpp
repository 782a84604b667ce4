// The real Qt window under the offscreen platform: what only this shell can get wrong.
#include <gtest/gtest.h>

#include <QtTest>
#include <QtWidgets>
#include <memory>

#include "engine/platform.h"
#include "window/layout.h"
#include "window/qt/main_window.h"
#include "app/qt/seams.h"

namespace tav::qt {
namespace {

// A window in a scratch current folder (where bg.png is looked for), its boxes caught.
class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QDir::setCurrent(scratch_.path());
    MessageSeam::SetHook([this](const QString& caption, const QString&, MessageIcon) { captions_ << caption; });
  }
  void TearDown() override {
    window_.reset();
    MessageSeam::Clear();
    FileChooserSeam::Clear();
  }
  MainWindow& Open() {
    window_ = std::make_unique<MainWindow>(DefaultPlatform());
    window_->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    return *window_;
  }
  template <class T = QLineEdit>
  T* Find(const char* name) { return window_->findChild<T*>(name); }
  QString WriteFile(const QString& name, const QByteArray& bytes) {
    QFile f(scratch_.filePath(name));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
    return f.fileName();
  }
  void Click(const char* button) { QTest::mouseClick(Find<QPushButton>(button), Qt::LeftButton); }

  QTemporaryDir scratch_;
  std::unique_ptr<MainWindow> window_;
  QStringList captions_;
};

// Every control where the shared table puts it, with its text, enabled and read-only states
// and alignment; no Tab stop, no font of its own, no drops of its own. The background picture.
TEST_F(WindowTest, ControlsAndBackgroundAsLaidOut) {
  const QList<QWidget*> children = Open().findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
  ASSERT_EQ(children.size(), static_cast<int>(kControlLayout.size()));
  for (int i = 0; i < children.size(); ++i) {
    const ControlSpec& entry = kControlLayout[i];
    QWidget* c = children[i];
    SCOPED_TRACE(entry.objectName);
    EXPECT_EQ(c->objectName(), entry.objectName);
    EXPECT_EQ(c->geometry(), QRect(entry.x, entry.y, entry.width, entry.height));
    EXPECT_EQ(c->isEnabled(), StartsEnabled(entry));
    EXPECT_FALSE(c->acceptDrops() || (c->focusPolicy() & Qt::TabFocus) == Qt::TabFocus || c->testAttribute(Qt::WA_SetFont));
    const bool bar = entry.kind == ControlKind::Progress;  // its text is its percentage, hidden
    EXPECT_EQ(bar ? QString() : c->property("text").toString(), entry.text ? QString::fromUtf16(entry.text) : "");
    const QVariant alignment = c->property("alignment");
    EXPECT_EQ(alignment.isValid() && (alignment.value<Qt::Alignment>() & Qt::AlignHCenter), IsCentered(entry));
    EXPECT_EQ(c->property("readOnly").toBool(), IsReadOnly(entry));
  }
  auto* bar = Find<QProgressBar>("progressBar");
  EXPECT_EQ(QList({bar->minimum(), bar->maximum(), bar->value(), int(bar->isTextVisible())}), QList({0, 100, 0, 0}));
  // bg.png scaled to 1280 by 720 whatever its size; missing or unreadable, the window is white.
  const std::pair<QPoint, QRgb> probes[] = {{{5, 350}, qRgb(255, 0, 0)}, {{1265, 350}, qRgb(0, 255, 0)},
                                            {{600, 600}, qRgb(0, 0, 255)}, {{700, 600}, qRgb(255, 255, 0)}};
  QImage quadrants(2, 2, QImage::Format_RGB32);  // each pixel scales to one quadrant
  for (const auto& [at, colour] : probes) quadrants.setPixel(at.x() / 640, at.y() / 360, colour);
  for (const char* picture : {"none", "unreadable", "quadrants"}) {
    QFile::remove("bg.png");
    if (picture[0] == 'u') WriteFile("bg.png", "\x89PNG not really");
    if (picture[0] == 'q') quadrants.save("bg.png");
    const QImage shot = Open().grab().toImage();
    for (const auto& [at, colour] : probes)
      EXPECT_EQ(shot.pixel(at), picture[0] == 'q' ? colour : qRgb(255, 255, 255)) << picture;
  }
}

// A walk through what the window itself handles. Three files dropped at once: the first is
// taken wherever they land, even on the editable compare box offered the names as text too
// (file managers do); text alone names no file. A chosen path of 260 units would have to be
// cut to some other name: refused with the run's warning, the previous choice kept. A display
// shows its value as soon as it is set, while a run's click still goes on (no event loop runs
// until it ends). A copy reaches the system clipboard. Message boxes as the user sees them.
TEST_F(WindowTest, DropsChoicesDisplaysClipboardAndBoxes) {
  Open();
  const auto drop = [&](QPoint at, const QStringList& paths) {
    QMimeData mime;
    for (const QString& p : paths) mime.setUrls(mime.urls() << QUrl::fromLocalFile(p));
    mime.setText("/etc/hostname");
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window_->windowHandle(), &enter);
    QDropEvent dropped(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window_->windowHandle(), &dropped);
  };
  drop({640, 600}, {});
  EXPECT_FALSE(Find<QPushButton>("runButton")->isEnabled());
  QStringList files = {WriteFile("첫째 파일.bin", "1"), WriteFile("second.txt", "2"), WriteFile("third", "3")};
  for (QPoint at : {QPoint(640, 600), QPoint(575, 142) /* compare box */, QPoint(575, 47) /* path */}) {
    files.move(0, 2);  // each round's first file differs from the one shown
    drop(at, files);
    EXPECT_EQ(Find("pathDisplay")->text(), files.first());
    EXPECT_EQ(Find("compareInput")->text(), "");
  }
  for (int length : {259, 260}) {
    for (const QString& chosen : {files.first(), "/tmp/" + QString(length - 5, u'a')}) {
      FileChooserSeam::SetNextFileName(chosen);
      Click("browseButton");
    }
    EXPECT_EQ(Find("pathDisplay")->text().size(), length < 260 ? length : files.first().size());
  }
  EXPECT_EQ(captions_, QStringList{"경고"});
  struct Paints : QObject {
    bool eventFilter(QObject*, QEvent* e) override {
      count += e->type() == QEvent::Paint;
      return false;
    }
    int count = 0;
  } paints;
  Find("md5Display")->installEventFilter(&paints);
  window_->Ui().SetText(Control::ResultMd5, u"900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(paints.count, 1);
  window_->Ui().Enable(Control::CopyMd5, true);
  QGuiApplication::clipboard()->setText("stale");
  Click("md5CopyButton");
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "900150983cd24fb0d6963f7d28e17f72");
  // Without the hook, the real box: modal, owned by the window, OK only, the icon asked for,
  // and the text shown as typed (a file title is never read as markup).
  MessageSeam::Clear();
  for (MessageIcon icon : {MessageIcon::Warning, MessageIcon::None}) {
    QMessageBox* seen = nullptr;
    QTimer::singleShot(50, [&] {
      seen = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(seen, nullptr);
      EXPECT_EQ(seen->windowTitle() + seen->text(), "경고<b>보고서</b>.pdf");
      EXPECT_EQ(seen->textFormat(), Qt::PlainText);
      EXPECT_EQ(seen->icon(), icon == MessageIcon::Warning ? QMessageBox::Warning : QMessageBox::NoIcon);
      EXPECT_EQ(seen->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
      EXPECT_EQ(seen->parentWidget(), window_.get());
      seen->button(QMessageBox::Ok)->click();
    });
    window_->Ui().ShowMessage(u"<b>보고서</b>.pdf", u"경고", icon);
    EXPECT_NE(seen, nullptr);
  }
}

// The real dialog: the one filter "모든 파일 (*.*)" lists names without a dot too, also after
// the user picks it in the file-type box; it starts from the previous choice, and a typed name
// need not exist.
TEST_F(WindowTest, RealDialogListsEveryFileFromThePreviousChoice) {
  for (const char* name : {"README", "notes.txt", "해시"}) WriteFile(QString::fromUtf8(name), "z");
  QFileDialog dialog;
  ConfigureFileDialog(dialog, scratch_.filePath("notes.txt"));
  EXPECT_EQ(dialog.nameFilters(), QStringList{"모든 파일 (*.*)"});
  EXPECT_EQ(dialog.selectedFiles(), QStringList{scratch_.filePath("notes.txt")});
  EXPECT_EQ(dialog.fileMode(), QFileDialog::AnyFile);
  dialog.show();  // not exec: nothing here waits for a person
  auto* model = dialog.findChild<QFileSystemModel*>();
  const auto listed = [&] { return model->rowCount(model->index(scratch_.path())); };
  QSignalSpy picks(&dialog, &QFileDialog::filterSelected);
  EXPECT_TRUE(QTest::qWaitFor([&] { return listed() == 3; }, 5000)) << listed();
  auto* types = dialog.findChild<QComboBox*>("fileTypeCombo");
  types->showPopup();  // the user opens the box and takes its one entry
  QTest::keyClick(types->view(), Qt::Key_Return);
  ASSERT_EQ(picks.size(), 1);
  QTest::qWait(300);  // the model filters its rows anew in the background
  EXPECT_EQ(listed(), 3);
}

}  // namespace
}  // namespace tav::qt

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  qputenv("QT_QPA_PLATFORM", "offscreen");  // never a real display: nothing waits for a person
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}

// Choosing a file: drops anywhere on the window, the chooser seam and the real dialog's setup.
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QProgressBar>

#include "window_fixture.h"

namespace tav::qt {
namespace {

const char* const kCopyButtons[] = {"crc32CopyButton", "md5CopyButton", "sha1CopyButton",
                                    "sha256CopyButton", "sha512CopyButton"};

class SelectionTest : public WindowTest {
 protected:
  void ExpectFileChosen(const QString& path) {
    EXPECT_EQ(Find<QLineEdit>("pathDisplay")->text(), path);
    EXPECT_TRUE(Find<QPushButton>("runButton")->isEnabled());
    for (const char* name : kCopyButtons) EXPECT_FALSE(Find<QPushButton>(name)->isEnabled());
    EXPECT_FALSE(Find<QPushButton>("compareButton")->isEnabled());
    EXPECT_TRUE(Find<QPushButton>("browseButton")->isEnabled());
  }
};

// Three files dropped at once: the first is taken, wherever on the window they land.
TEST_F(SelectionTest, DropOfThreeFilesTakesTheFirstAnywhere) {
  struct Place {
    const char* over;
    QPoint at;
    bool alsoText;  // file managers often offer the names as text too
  };
  const Place places[] = {
      {"background", {640, 600}, false},
      {"compareInput (editable)", {575, 142}, true},
      {"pathDisplay (read-only)", {575, 47}, true},
      {"crc32Display", {630, 222}, true},
      {"compareButton (disabled)", {1200, 142}, false},
      {"crc32Label", {60, 192}, false},
      {"progressBar", {640, 677}, false},
  };
  Open();
  const QStringList files = {WriteFile(QStringLiteral("첫째 파일.bin"), "1"),
                             WriteFile(QStringLiteral("second.txt"), "2"),
                             WriteFile(QStringLiteral("third"), "3")};
  int round = 0;
  for (const Place& place : places) {
    SCOPED_TRACE(place.over);
    // Rotate so each round's first file differs from the one already shown.
    QStringList dropped = files;
    for (int i = 0; i < round; ++i) dropped.move(0, dropped.size() - 1);
    ++round;
    DropAt(place.at, dropped, place.alsoText);
    ExpectFileChosen(dropped.first());
    EXPECT_EQ(Find<QLineEdit>("compareInput")->text(), QString());
  }
  EXPECT_TRUE(shown_.empty());
}

TEST_F(SelectionTest, DropWithoutFilesChangesNothing) {
  Open();
  QMimeData mime;
  mime.setText(QStringLiteral("/etc/hostname"));
  QWindow* handle = window_->windowHandle();
  QDragEnterEvent enter(QPoint(640, 600), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(handle, &enter);
  QDropEvent drop(QPointF(640, 600), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(handle, &drop);
  EXPECT_FALSE(Find<QPushButton>("runButton")->isEnabled());
  EXPECT_TRUE(Find<QLineEdit>("pathDisplay")->text().startsWith(u"파일을 드래그앤"));
}

// The dialog starts from the previous choice; Cancel changes nothing.
TEST_F(SelectionTest, BrowseThroughChooser) {
  Open();
  const QString first = WriteFile(QStringLiteral("report.pdf"), "x");
  const QString second = WriteFile(QStringLiteral("Makefile"), "y");

  FileChooserSeam::SetNextFileName(first);
  Click("browseButton");
  EXPECT_FALSE(FileChooserSeam::HasNext());
  EXPECT_EQ(FileChooserSeam::LastStart(), QString());
  ExpectFileChosen(first);
  EXPECT_EQ(QString::fromUtf16(window_->State().fileTitle), u"report.pdf");

  FileChooserSeam::SetNextFileName(second);
  Click("browseButton");
  EXPECT_EQ(FileChooserSeam::LastStart(), first);
  ExpectFileChosen(second);
  EXPECT_EQ(QString::fromUtf16(window_->State().fileTitle), u"Makefile");

  FileChooserSeam::SetNextFileName(QString());  // Cancel
  Click("browseButton");
  EXPECT_EQ(FileChooserSeam::LastStart(), second);
  ExpectFileChosen(second);
  EXPECT_TRUE(shown_.empty());
}

// A chosen path too long to hold is refused, never cut to some other name.
TEST_F(SelectionTest, OverlongChosenPathIsRefused) {
  Open();
  const QString kept = WriteFile(QStringLiteral("kept.bin"), "k");
  FileChooserSeam::SetNextFileName(kept);
  Click("browseButton");
  struct Case {
    int length;
    bool accepted;
  };
  for (Case c : {Case{259, true}, Case{260, false}, Case{400, false}}) {
    SCOPED_TRACE(c.length);
    QString path = QStringLiteral("/tmp/");
    path += QString(c.length - path.size(), u'a');
    ASSERT_EQ(path.size(), c.length);
    shown_.clear();
    FileChooserSeam::SetNextFileName(path);
    Click("browseButton");
    if (c.accepted) {
      EXPECT_TRUE(shown_.empty());
      EXPECT_EQ(Find<QLineEdit>("pathDisplay")->text(), path);
      FileChooserSeam::SetNextFileName(kept);
      Click("browseButton");
    } else {
      ASSERT_EQ(shown_.size(), 1u);
      EXPECT_EQ(shown_[0].caption, u"경고");
      EXPECT_EQ(shown_[0].text,
                u"지정된 파일이 없습니다. 파일을 선택 한후에 해시섬 확인을 진행해 주세요");
      EXPECT_EQ(shown_[0].icon, MessageIcon::Warning);
      EXPECT_EQ(Find<QLineEdit>("pathDisplay")->text(), kept);
      EXPECT_EQ(QString::fromUtf16(window_->State().selectedPath), kept);
    }
  }
}

// The real dialog: one filter "모든 파일" (*.*), which here lists names without a dot too,
// and the previous choice as its starting point.
TEST_F(SelectionTest, RealDialogListsEveryFileFromPreviousChoice) {
  const QString dir = scratch_.filePath(QStringLiteral("files"));
  ASSERT_TRUE(QDir().mkpath(dir));
  const QStringList names = {QStringLiteral("README"), QStringLiteral("notes.txt"),
                             QStringLiteral("archive.tar.gz"), QStringLiteral("해시")};
  for (const QString& n : names) WriteFile(QStringLiteral("files/") + n, "z");
  const QString previous = dir + QStringLiteral("/notes.txt");

  QFileDialog dialog;
  ConfigureFileDialog(dialog, previous);
  EXPECT_EQ(dialog.nameFilters(), QStringList{QStringLiteral("모든 파일 (*.*)")});
  EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptOpen);
  EXPECT_EQ(QDir(dialog.directory()).canonicalPath(), QDir(dir).canonicalPath());
  ASSERT_EQ(dialog.selectedFiles().size(), 1);
  EXPECT_EQ(QFileInfo(dialog.selectedFiles().first()).fileName(), u"notes.txt");

  dialog.show();  // not exec: nothing here waits for a person
  auto* model = dialog.findChild<QFileSystemModel*>();
  ASSERT_NE(model, nullptr);
  const QModelIndex root = model->index(dir);
  QStringList listed;
  EXPECT_TRUE(QTest::qWaitFor([&] {
    listed.clear();
    for (int r = 0; r < model->rowCount(root); ++r)
      listed << model->fileName(model->index(r, 0, root));
    return listed.size() == names.size();
  }, 5000)) << listed.join(u',').toStdString();
  for (const QString& n : names) EXPECT_TRUE(listed.contains(n)) << n.toStdString();
  dialog.reject();
}

}  // namespace
}  // namespace tav::qt

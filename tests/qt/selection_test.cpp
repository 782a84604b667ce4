// Choosing a file: drops anywhere on the window, the chooser seam and the real dialog's setup.
#include <QFileDialog>
#include <QFileSystemModel>

#include "window_fixture.h"

namespace tav::qt {
namespace {

using SelectionTest = WindowTest;

// Three files dropped at once: the first is taken wherever they land, even on an editable line
// offered the names as text too (file managers often do). Text alone names no file.
TEST_F(SelectionTest, DropOfThreeFilesTakesTheFirstAnywhere) {
  Open();
  DropAt({640, 600}, {}, "/etc/hostname");
  EXPECT_FALSE(Find<QPushButton>("runButton")->isEnabled());

  QStringList dropped = {WriteFile("첫째 파일.bin", "1"), WriteFile("second.txt", "2"),
                         WriteFile("third", "3")};
  const struct { const char* over; QPoint at; } places[] = {
      {"background", {640, 600}},
      {"compareInput (editable)", {575, 142}},
      {"pathDisplay (read-only)", {575, 47}},
      {"compareButton (disabled)", {1200, 142}},
  };
  for (const auto& place : places) {
    SCOPED_TRACE(place.over);
    dropped.move(0, 2);  // each round's first file differs from the one already shown
    DropAt(place.at, dropped, dropped.join(u'\n'));
    ExpectFileChosen(dropped.first());
    EXPECT_EQ(Find<QLineEdit>("compareInput")->text(), QString());
  }
  EXPECT_TRUE(shown_.empty());
}

// The dialog starts from the previous choice; Cancel changes nothing.
TEST_F(SelectionTest, BrowseThroughChooser) {
  Open();
  const QString first = WriteFile("report.pdf", "x");
  const QString second = WriteFile("Makefile", "y");
  const struct { QString answer, start, chosen; } steps[] = {
      {first, "", first}, {second, first, second}, {"", second, second} /* Cancel */};
  for (const auto& step : steps) {
    FileChooserSeam::SetNextFileName(step.answer);
    Click("browseButton");
    EXPECT_EQ(FileChooserSeam::LastStart(), step.start);
    ExpectFileChosen(step.chosen);
  }
  EXPECT_EQ(QString::fromUtf16(window_->State().fileTitle), "Makefile");
  EXPECT_TRUE(shown_.empty());
}

// A chosen path too long to hold is refused with the missing-file warning, never cut to some
// other name; the previous choice stays.
TEST_F(SelectionTest, OverlongChosenPathIsRefused) {
  Open();
  const QString kept = WriteFile("kept.bin", "k");
  for (int length : {259, 260}) {
    SCOPED_TRACE(length);
    FileChooserSeam::SetNextFileName(kept);
    Click("browseButton");
    const QString path = "/tmp/" + QString(length - 5, u'a');
    FileChooserSeam::SetNextFileName(path);
    Click("browseButton");
    const bool fits = length < 260;
    ExpectFileChosen(fits ? path : kept);
    ASSERT_EQ(shown_.size(), fits ? 0u : 1u);
    if (fits) continue;
    EXPECT_EQ(shown_[0].text, "지정된 파일이 없습니다. 파일을 선택 한후에 해시섬 확인을 진행해 주세요");
    EXPECT_EQ(shown_[0].icon, MessageIcon::Warning);
  }
}

// The real dialog: one filter "모든 파일" (*.*), which here lists names without a dot too,
// and the previous choice as its starting point.
TEST_F(SelectionTest, RealDialogListsEveryFileFromPreviousChoice) {
  const QString dir = scratch_.filePath("files");
  ASSERT_TRUE(QDir().mkpath(dir));
  const QStringList names = {"README", "notes.txt", "archive.tar.gz", "해시"};
  for (const QString& n : names) WriteFile("files/" + n, "z");

  QFileDialog dialog;
  const QString previous = dir + "/notes.txt";
  ConfigureFileDialog(dialog, previous);
  EXPECT_EQ(dialog.nameFilters(), QStringList{"모든 파일 (*.*)"});
  EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptOpen);
  EXPECT_EQ(dialog.selectedFiles(), QStringList{previous});

  dialog.show();  // not exec: nothing here waits for a person
  auto* model = dialog.findChild<QFileSystemModel*>();
  ASSERT_NE(model, nullptr);
  const QModelIndex root = model->index(dir);
  QStringList listed;
  EXPECT_TRUE(QTest::qWaitFor([&] {
    listed.clear();
    for (int r = 0; r < model->rowCount(root); ++r) listed << model->fileName(model->index(r, 0, root));
    return listed.size() == names.size();
  }, 5000)) << listed.join(u',').toStdString();
  for (const QString& n : names) EXPECT_TRUE(listed.contains(n)) << n.toStdString();
  dialog.reject();
}

}  // namespace
}  // namespace tav::qt

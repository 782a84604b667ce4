// The window as it opens: title, frame, the 23 controls and their states, keys, background, boxes.
#include <QApplication>
#include <QImage>
#include <QMessageBox>
#include <QProgressBar>
#include <QTimer>

#include "window_fixture.h"

namespace tav::qt {
namespace {

TEST_F(WindowTest, TitleAndFixedSizeWithoutMinimiseOrMaximise) {
  MainWindow& w = Open();
  EXPECT_EQ(w.windowTitle(), "Tavrinel Ver 2.0 - 공식배포처 https://tavrinel.example/download");
  // A close box only; without the customize hint the manager would add the others.
  const Qt::WindowFlags buttons = Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint |
                                  Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint;
  EXPECT_EQ(w.windowFlags() & buttons, Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
  // No frame here, so the client area is the whole 1280 by 720 and cannot be resized.
  EXPECT_EQ(w.minimumSize(), QSize(1280, 720));
  EXPECT_EQ(w.maximumSize(), QSize(1280, 720));
}

struct Row { QString name; QRect rect; QString text; bool centered, enabled; };

// The 23 controls in creation order, written out as the window must show them.
QList<Row> ExpectedControls() {
  QList<Row> rows = {
      {"pathLabel", {10, 5, 100, 25}, "파일 경로", true, true},
      {"pathDisplay", {10, 35, 1130, 25},
       "파일을 드래그앤 드롭으로 프로그램에 올려놓아도 자동으로 경로를 입력받습니다", true, true},
      {"browseButton", {1150, 35, 100, 25}, "파일선택", true, true},
      {"compareLabel", {10, 100, 300, 25}, "비교할 해시값을 아래에 입력해주세요", false, true},
      {"compareInput", {10, 130, 1130, 25}, "", false, true},
      {"compareButton", {1150, 130, 100, 25}, "해시 값 비교", true, false},
  };
  const char* const kinds[][2] = {
      {"crc32", "CRC32"}, {"md5", "MD5"}, {"sha1", "SHA-1"}, {"sha256", "SHA-256"}, {"sha512", "SHA-512"}};
  int y = 180;
  for (const auto& [name, label] : kinds) {
    rows << Row{name + QString("Label"), {10, y, 100, 25}, label, true, true}
         << Row{name + QString("CopyButton"), {130, y, 175, 25}, label + QString(" 해시 값 복사"), true, false}
         << Row{name + QString("Display"), {10, y + 30, 1240, 25}, "", false, true};
    y += 80;
  }
  rows << Row{"runButton", {1050, 640, 200, 25}, "파일 해시섬 확인", true, false}
       << Row{"progressBar", {0, 670, 1280, 15}, "", false, true};
  return rows;
}

TEST_F(WindowTest, TwentyThreeControlsAsLaidOutWithoutTabStops) {
  MainWindow& w = Open();
  QList<QWidget*> children;
  for (QObject* o : w.children())
    if (auto* c = qobject_cast<QWidget*>(o); c && !c->isWindow()) children << c;
  const QList<Row> rows = ExpectedControls();
  ASSERT_EQ(children.size(), 23);
  for (int i = 0; i < 23; ++i) {
    const Row& row = rows[i];
    QWidget* c = children[i];
    SCOPED_TRACE(row.name.toStdString());
    EXPECT_EQ(c->objectName(), row.name);
    EXPECT_EQ(c->geometry(), row.rect);
    EXPECT_EQ(c->isEnabled(), row.enabled);
    EXPECT_TRUE(c->isVisible());
    // Drops belong to the window, Tab stops nowhere, and the system font is kept.
    EXPECT_FALSE(c->acceptDrops());
    EXPECT_NE(c->focusPolicy() & Qt::TabFocus, Qt::TabFocus);
    EXPECT_FALSE(c->testAttribute(Qt::WA_SetFont));
    if (!qobject_cast<QProgressBar*>(c)) {
      EXPECT_EQ(c->property("text").toString(), row.text);
    }
    if (const QVariant a = c->property("alignment"); a.isValid()) {
      EXPECT_EQ(bool(a.value<Qt::Alignment>() & Qt::AlignHCenter), row.centered);
    }
    if (auto* edit = qobject_cast<QLineEdit*>(c)) {
      EXPECT_EQ(edit->isReadOnly(), row.name != "compareInput");
    }
  }
  auto* bar = Find<QProgressBar>("progressBar");
  EXPECT_EQ(QList({bar->minimum(), bar->maximum(), bar->value()}), QList({0, 100, 0}));
  EXPECT_FALSE(bar->isTextVisible());

  // The compare box takes clicks and typing; Tab moves nowhere.
  w.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
  auto* input = Find<QLineEdit>("compareInput");
  QTest::mouseClick(input, Qt::LeftButton);
  QTest::keyClicks(input, "abc\t");
  EXPECT_EQ(input->text(), "abc");
  EXPECT_TRUE(input->hasFocus());
}

// bg.png is scaled to 1280 by 720 whatever its own size; missing or unreadable, the window is
// white.
TEST_F(WindowTest, BackgroundPictureScaledOrWhite) {
  // Points no control covers, one in each quadrant of the window, each its own colour.
  const struct { QPoint at; QRgb colour; } probes[] = {
      {{5, 350}, qRgb(255, 0, 0)}, {{1265, 350}, qRgb(0, 255, 0)},
      {{600, 600}, qRgb(0, 0, 255)}, {{700, 600}, qRgb(255, 255, 0)}};
  // A 2 by 2 picture: scaled to 1280 by 720, each of its pixels covers one quadrant.
  QImage quadrants(2, 2, QImage::Format_RGB32);
  for (const auto& p : probes) quadrants.setPixel(p.at.x() / 640, p.at.y() / 360, p.colour);
  for (const char* picture : {"none", "unreadable", "quadrants"}) {
    SCOPED_TRACE(picture);
    QFile::remove("bg.png");
    if (picture[0] == 'u') WriteFile("bg.png", "\x89PNG not really");
    if (picture[0] == 'q') {
      ASSERT_TRUE(quadrants.save("bg.png"));
    }
    const QImage shot = Open().grab().toImage();
    for (const auto& p : probes)
      EXPECT_EQ(shot.pixel(p.at), picture[0] == 'q' ? p.colour : qRgb(255, 255, 255))
          << p.at.x() << "," << p.at.y();
  }
}

// With no hook the real message box appears: modal, owned by the window, OK only, the icon
// asked for, the text shown as typed. A timer inside its loop inspects and closes it.
TEST_F(WindowTest, RealMessageBoxIsModalOwnedOkOnly) {
  MainWindow& w = Open();
  MessageSeam::Clear();
  for (MessageIcon icon : {MessageIcon::Warning, MessageIcon::None}) {
    bool found = false;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
      for (QWidget* top : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(top);
        if (!box || !box->isVisible()) continue;
        found = true;
        EXPECT_EQ(box->windowTitle(), "경고");
        EXPECT_EQ(box->text(), "<b>보고서</b>.pdf\n둘째 줄");
        EXPECT_EQ(box->textFormat(), Qt::PlainText);
        EXPECT_EQ(box->icon(), icon == MessageIcon::Warning ? QMessageBox::Warning : QMessageBox::NoIcon);
        EXPECT_EQ(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
        EXPECT_TRUE(box->isModal());
        EXPECT_EQ(box->parentWidget(), &w);
        box->button(QMessageBox::Ok)->click();
      }
    });
    closer.start(10);
    w.Ui().ShowMessage(u"<b>보고서</b>.pdf\n둘째 줄", u"경고", icon);
    closer.stop();
    EXPECT_TRUE(found);
  }
}

}  // namespace
}  // namespace tav::qt

// The window as it opens: title, size, the 23 controls and their states, keys, background picture.
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QProgressBar>
#include <QTimer>

#include "window/layout.h"
#include "window_fixture.h"

namespace tav::qt {
namespace {

TEST_F(WindowTest, TitleAndFixedSizeWithoutMinimiseOrMaximise) {
  MainWindow& w = Open();
  EXPECT_EQ(w.windowTitle(), QString::fromUtf16(kWindowTitle));
  EXPECT_TRUE(w.windowTitle().startsWith(u"Tavrinel Ver 2.0 - 공식배포처 "));
  EXPECT_GT(w.windowTitle().size(), QStringLiteral("Tavrinel Ver 2.0 - 공식배포처 ").size());
  const Qt::WindowFlags flags = w.windowFlags();
  EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
  EXPECT_TRUE(flags & Qt::CustomizeWindowHint);
  EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
  // No frame here, so the client area is the whole 1280 by 720 and cannot be resized.
  EXPECT_EQ(w.minimumSize(), QSize(1280, 720));
  EXPECT_EQ(w.maximumSize(), QSize(1280, 720));
  EXPECT_TRUE(w.acceptDrops());
}

// The controls are created in table order with the table's class, place, text and state.
TEST_F(WindowTest, TwentyThreeControlsAsLaidOut) {
  MainWindow& w = Open();
  QList<QWidget*> children;
  for (QObject* o : w.children())
    if (auto* c = qobject_cast<QWidget*>(o); c && !c->isWindow()) children << c;
  ASSERT_EQ(children.size(), 23);
  for (int i = 0; i < 23; ++i) {
    const ControlSpec& entry = kControlLayout[i];
    QWidget* c = children[i];
    SCOPED_TRACE(entry.objectName);
    EXPECT_EQ(c->objectName(), QString::fromLatin1(entry.objectName));
    EXPECT_EQ(c->geometry(), QRect(entry.x, entry.y, entry.width, entry.height));
    EXPECT_EQ(c->isEnabled(), StartsEnabled(entry));
    EXPECT_TRUE(c->isVisible());
    EXPECT_FALSE(c->acceptDrops());
    EXPECT_FALSE(c->testAttribute(Qt::WA_SetFont));
    EXPECT_NE(c->focusPolicy() & Qt::TabFocus, Qt::TabFocus);
    const QString text = entry.text ? QString::fromUtf16(entry.text) : QString();
    switch (entry.kind) {
      case ControlKind::Static: {
        auto* label = qobject_cast<QLabel*>(c);
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->text(), text);
        EXPECT_TRUE(label->alignment() & Qt::AlignVCenter);
        EXPECT_EQ(bool(label->alignment() & Qt::AlignHCenter), IsCentered(entry));
        break;
      }
      case ControlKind::Edit: {
        auto* edit = qobject_cast<QLineEdit*>(c);
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(edit->text(), text);
        EXPECT_EQ(edit->isReadOnly(), IsReadOnly(entry));
        EXPECT_EQ(bool(edit->alignment() & Qt::AlignHCenter), IsCentered(entry));
        EXPECT_TRUE(edit->hasFrame());
        break;
      }
      case ControlKind::Button: {
        auto* button = qobject_cast<QPushButton*>(c);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->text(), text);
        break;
      }
      case ControlKind::Progress: {
        auto* bar = qobject_cast<QProgressBar*>(c);
        ASSERT_NE(bar, nullptr);
        EXPECT_EQ(bar->minimum(), 0);
        EXPECT_EQ(bar->maximum(), 100);
        EXPECT_EQ(bar->value(), 0);
        EXPECT_FALSE(bar->isTextVisible());
        break;
      }
    }
  }
}

// A few rows written out as the window must show them, independent of the layout table.
TEST_F(WindowTest, KnownControlsInFreshState) {
  struct Row {
    const char* name;
    QRect rect;
    const char16_t* text;
    bool enabled;
  };
  const Row rows[] = {
      {"pathDisplay", {10, 35, 1130, 25},
       u"파일을 드래그앤 드롭으로 프로그램에 올려놓아도 자동으로 경로를 입력받습니다", true},
      {"browseButton", {1150, 35, 100, 25}, u"파일선택", true},
      {"compareInput", {10, 130, 1130, 25}, u"", true},
      {"compareButton", {1150, 130, 100, 25}, u"해시 값 비교", false},
      {"crc32CopyButton", {130, 180, 175, 25}, u"CRC32 해시 값 복사", false},
      {"sha512CopyButton", {130, 500, 175, 25}, u"SHA-512 해시 값 복사", false},
      {"sha512Display", {10, 530, 1240, 25}, u"", true},
      {"runButton", {1050, 640, 200, 25}, u"파일 해시섬 확인", false},
  };
  Open();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    QWidget* w = Find<QWidget>(row.name);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->geometry(), row.rect);
    EXPECT_EQ(w->isEnabled(), row.enabled);
    if (auto* e = qobject_cast<QLineEdit*>(w)) EXPECT_EQ(e->text(), QString::fromUtf16(row.text));
    if (auto* b = qobject_cast<QPushButton*>(w)) EXPECT_EQ(b->text(), QString::fromUtf16(row.text));
  }
  EXPECT_EQ(Find<QProgressBar>("progressBar")->geometry(), QRect(0, 670, 1280, 15));
}

// The compare box takes clicks and typing; Tab moves nowhere.
TEST_F(WindowTest, TabDoesNotMoveBetweenControls) {
  MainWindow& w = Open();
  w.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
  auto* input = Find<QLineEdit>("compareInput");
  QTest::mouseClick(input, Qt::LeftButton);
  ASSERT_TRUE(input->hasFocus());
  QTest::keyClicks(input, "abc");
  EXPECT_EQ(input->text(), "abc");
  QTest::keyClick(input, Qt::Key_Tab);
  EXPECT_TRUE(input->hasFocus());
  QTest::keyClick(input, Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_TRUE(input->hasFocus());

  auto* browse = Find<QPushButton>("browseButton");
  browse->setFocus(Qt::MouseFocusReason);
  QTest::keyClick(browse, Qt::Key_Tab);
  EXPECT_TRUE(browse->hasFocus());
}

QImage Quadrants() {
  QImage img(2, 2, QImage::Format_RGB32);
  img.setPixel(0, 0, qRgb(255, 0, 0));
  img.setPixel(1, 0, qRgb(0, 255, 0));
  img.setPixel(0, 1, qRgb(0, 0, 255));
  img.setPixel(1, 1, qRgb(255, 255, 0));
  return img;
}

// Points of the client area that no control covers.
struct Probe {
  QPoint at;
  QRgb withQuadrants;
};
const Probe kProbes[] = {
    {{600, 600}, qRgb(0, 0, 255)},    // left of x 640, below y 360
    {{700, 600}, qRgb(255, 255, 0)},  // right, below
    {{1265, 350}, qRgb(0, 255, 0)},   // right, above
    {{1265, 370}, qRgb(255, 255, 0)},
    {{5, 350}, qRgb(255, 0, 0)},      // left, above
    {{5, 370}, qRgb(0, 0, 255)},
};

// The picture is scaled to 1280 by 720, whatever its own size.
TEST_F(WindowTest, BackgroundPictureScaledToFullSize) {
  ASSERT_TRUE(Quadrants().save(QStringLiteral("bg.png")));
  MainWindow& w = Open();
  const QImage shot = w.grab().toImage();
  for (const Probe& p : kProbes)
    EXPECT_EQ(shot.pixel(p.at), p.withQuadrants) << p.at.x() << "," << p.at.y();
}

TEST_F(WindowTest, WhiteWithoutPictureOrWithUnreadableOne) {
  for (bool garbage : {false, true}) {
    SCOPED_TRACE(garbage ? "unreadable bg.png" : "no bg.png");
    QFile::remove(QStringLiteral("bg.png"));
    if (garbage) WriteFile(QStringLiteral("bg.png"), QByteArray("\x89PNG not really", 15));
    MainWindow& w = Open();
    const QImage shot = w.grab().toImage();
    for (const Probe& p : kProbes) EXPECT_EQ(shot.pixel(p.at), qRgb(255, 255, 255));
    // Everything else still works: a drop selects a file.
    const QString file = WriteFile(QStringLiteral("a.txt"), "abc");
    DropAt({640, 600}, {file}, false);
    EXPECT_EQ(Find<QLineEdit>("pathDisplay")->text(), file);
    EXPECT_TRUE(Find<QPushButton>("runButton")->isEnabled());
  }
}

// With no hook the real message box appears: modal, owned by the window, OK only, the icon
// asked for, the text shown as plain text. A timer inside its loop inspects and closes it.
TEST_F(WindowTest, RealMessageBoxIsModalOwnedOkOnly) {
  MainWindow& w = Open();
  MessageSeam::Clear();
  struct Seen {
    bool found = false;
    QString title, text;
    Qt::TextFormat format = Qt::AutoText;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    bool modal = false;
    QWidget* parent = nullptr;
  };
  for (MessageIcon icon : {MessageIcon::Warning, MessageIcon::None}) {
    Seen seen;
    QTimer closer;
    closer.setInterval(10);
    QObject::connect(&closer, &QTimer::timeout, [&] {
      for (QWidget* top : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(top);
        if (!box || !box->isVisible()) continue;
        seen = {true, box->windowTitle(), box->text(), box->textFormat(), box->icon(),
                box->standardButtons(), box->isModal(), box->parentWidget()};
        box->button(QMessageBox::Ok)->click();
      }
    });
    closer.start();
    w.Ui().ShowMessage(u"<b>보고서</b>.pdf\n둘째 줄", u"경고", icon);
    closer.stop();
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.title, u"경고");
    EXPECT_EQ(seen.text, u"<b>보고서</b>.pdf\n둘째 줄");
    EXPECT_EQ(seen.format, Qt::PlainText);
    EXPECT_EQ(seen.icon, icon == MessageIcon::Warning ? QMessageBox::Warning : QMessageBox::NoIcon);
    EXPECT_EQ(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_TRUE(seen.modal);
    EXPECT_EQ(seen.parent, &w);
  }
}

}  // namespace
}  // namespace tav::qt

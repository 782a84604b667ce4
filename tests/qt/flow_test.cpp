// The whole use through the real widgets: choose, run, copy, paste, compare; checked against
// zlib and coreutils, with every message caught by the hook.
#include <zlib.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QProcess>
#include <QProgressBar>

#include "window_fixture.h"

namespace tav::qt {
namespace {

struct SlotWidgets {
  const char* label;
  const char* display;
  const char* copy;
  const char* tool;  // coreutils program giving the same value; nullptr for CRC32
};
const SlotWidgets kSlotWidgets[] = {
    {"CRC32", "crc32Display", "crc32CopyButton", nullptr},
    {"MD5", "md5Display", "md5CopyButton", "md5sum"},
    {"SHA-1", "sha1Display", "sha1CopyButton", "sha1sum"},
    {"SHA-256", "sha256Display", "sha256CopyButton", "sha256sum"},
    {"SHA-512", "sha512Display", "sha512CopyButton", "sha512sum"},
};

QString Independent(const SlotWidgets& slot, const QString& path, const QByteArray& bytes) {
  if (!slot.tool) {
    const uLong crc = crc32(crc32(0L, Z_NULL, 0),
                            reinterpret_cast<const Bytef*>(bytes.constData()),
                            static_cast<uInt>(bytes.size()));
    return QString::number(static_cast<qulonglong>(crc), 16);
  }
  QProcess p;
  p.start(QString::fromLatin1(slot.tool), {path});
  EXPECT_TRUE(p.waitForFinished(30000));
  return QString::fromLatin1(p.readAllStandardOutput()).section(u' ', 0, 0);
}

QByteArray SampleBytes() {
  // 300 KB of a fixed pseudo-random stream: several read chunks of every pass.
  QByteArray bytes(300 * 1024 + 7, Qt::Uninitialized);
  quint32 x = 2463534242u;
  for (char& c : bytes) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    c = static_cast<char>(x >> 24);
  }
  return bytes;
}

// Records what each display and the bar showed at every paint while a run goes on.
class PaintWatch : public QObject {
 public:
  bool eventFilter(QObject* o, QEvent* e) override {
    if (e->type() == QEvent::Paint) {
      if (auto* bar = qobject_cast<QProgressBar*>(o)) barValues.insert(bar->value());
      if (auto* edit = qobject_cast<QLineEdit*>(o)) {
        // Whether the next display was still empty when this one painted its value.
        const int i = displays.indexOf(edit);
        if (i >= 0 && !edit->text().isEmpty() &&
            (i + 1 == displays.size() || displays[i + 1]->text().isEmpty()))
          paintedBeforeNext[i] = true;
      }
    }
    return false;
  }
  QList<QLineEdit*> displays;
  QSet<int> barValues;
  bool paintedBeforeNext[5] = {};
};

TEST_F(WindowTest, ChooseRunCopyPasteCompare) {
  Open();
  window_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
  const QByteArray bytes = SampleBytes();
  const QString path = WriteFile(QStringLiteral("표본 자료.bin"), bytes);

  // Before any run the copy buttons are disabled and deliver nothing.
  Click("crc32CopyButton");
  EXPECT_TRUE(shown_.empty());

  FileChooserSeam::SetNextFileName(path);
  Click("browseButton");
  ASSERT_TRUE(Find<QPushButton>("runButton")->isEnabled());

  PaintWatch watch;
  for (const SlotWidgets& s : kSlotWidgets) {
    auto* d = Find<QLineEdit>(s.display);
    watch.displays << d;
    d->installEventFilter(&watch);
  }
  auto* bar = Find<QProgressBar>("progressBar");
  bar->installEventFilter(&watch);
  Click("runButton");
  EXPECT_TRUE(shown_.empty());
  EXPECT_EQ(bar->value(), 100);

  // The user saw the run move: every step of the bar and each value as soon as it was set.
  for (int v = 1; v <= 100; ++v) EXPECT_TRUE(watch.barValues.contains(v)) << v;
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(watch.paintedBeforeNext[i]) << kSlotWidgets[i].label;

  for (const SlotWidgets& s : kSlotWidgets) {
    SCOPED_TRACE(s.label);
    EXPECT_EQ(Find<QLineEdit>(s.display)->text(), Independent(s, path, bytes));
    EXPECT_TRUE(Find<QPushButton>(s.copy)->isEnabled());
  }
  EXPECT_TRUE(Find<QPushButton>("compareButton")->isEnabled());

  // Each copy puts exactly the display's text on the clipboard and says how to paste it.
  for (const SlotWidgets& s : kSlotWidgets) {
    SCOPED_TRACE(s.label);
    QGuiApplication::clipboard()->setText(QStringLiteral("stale"));
    shown_.clear();
    Click(s.copy);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), Find<QLineEdit>(s.display)->text());
    ASSERT_EQ(shown_.size(), 1u);
    EXPECT_EQ(shown_[0].caption, u"알림");
    EXPECT_EQ(shown_[0].icon, MessageIcon::None);
    EXPECT_EQ(shown_[0].text,
              QString::fromLatin1(s.label) +
                  QStringLiteral(" 해시 값이 클립보드에 복사되었습니다\n복사된 값을 붙여 넣으려면 "
                                 "Ctrl + V키를 누르거나 마우스 오른쪽으로 메뉴를 호출 한뒤에 "
                                 "'붙여넣기'로 값을 붙여넣기 할수 있습니다"));
  }

  // Paste the SHA-256 value into the compare box as a user would, and compare.
  Click("sha256CopyButton");
  auto* input = Find<QLineEdit>("compareInput");
  QTest::mouseClick(input, Qt::LeftButton);
  QTest::keyClick(input, Qt::Key_V, Qt::ControlModifier);
  const QString sha256 = Independent(kSlotWidgets[3], path, bytes);
  ASSERT_EQ(input->text(), sha256);
  shown_.clear();
  Click("compareButton");
  ASSERT_EQ(shown_.size(), 1u);
  EXPECT_EQ(shown_[0].caption, u"일치하는 해시 값이 있습니다");
  EXPECT_EQ(shown_[0].text, QStringLiteral("표본 자료.bin 파일에 SHA-256해시 값 ") + sha256 + QStringLiteral(" 와 일치합니다"));
  EXPECT_EQ(shown_[0].icon, MessageIcon::None);
  EXPECT_EQ(input->text(), sha256);  // the box keeps what was entered

  // Uppercase is another value.
  input->setText(sha256.toUpper());
  shown_.clear();
  Click("compareButton");
  ASSERT_EQ(shown_.size(), 1u);
  EXPECT_EQ(shown_[0].caption, u"일치하는 해시값이 없습니다");
  EXPECT_EQ(shown_[0].text, u"일치하는 해시값이 없습니다");

  // Another file: copy and compare are off at once, the old values stay until the next run.
  const QString other = WriteFile(QStringLiteral("other"), "other");
  DropAt({640, 600}, {other}, false);
  EXPECT_FALSE(Find<QPushButton>("compareButton")->isEnabled());
  for (const SlotWidgets& s : kSlotWidgets) {
    EXPECT_FALSE(Find<QPushButton>(s.copy)->isEnabled());
    EXPECT_EQ(Find<QLineEdit>(s.display)->text(), Independent(s, path, bytes));
  }
}

// A selection that cannot be opened: the warning, and every button as it was.
TEST_F(WindowTest, RunOnMissingFileWarnsAndKeepsState) {
  Open();
  const QString gone = scratch_.filePath(QStringLiteral("gone.bin"));
  FileChooserSeam::SetNextFileName(gone);  // a typed name need not exist
  Click("browseButton");
  EXPECT_EQ(Find<QLineEdit>("pathDisplay")->text(), gone);
  Click("runButton");
  ASSERT_EQ(shown_.size(), 1u);
  EXPECT_EQ(shown_[0].caption, u"경고");
  EXPECT_EQ(shown_[0].text,
            u"지정된 파일이 없습니다. 파일을 선택 한후에 해시섬 확인을 진행해 주세요");
  EXPECT_EQ(shown_[0].icon, MessageIcon::Warning);
  EXPECT_TRUE(Find<QPushButton>("runButton")->isEnabled());
  EXPECT_FALSE(Find<QPushButton>("compareButton")->isEnabled());
  for (const SlotWidgets& s : kSlotWidgets) {
    EXPECT_FALSE(Find<QPushButton>(s.copy)->isEnabled());
    EXPECT_EQ(Find<QLineEdit>(s.display)->text(), QString());
  }
}

}  // namespace
}  // namespace tav::qt

// The whole use through the real widgets: choose, run, copy, paste, compare; checked against
// zlib and coreutils, with every message caught by the hook.
#include <zlib.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QProcess>
#include <QProgressBar>
#include <QRandomGenerator>

#include "window_fixture.h"

namespace tav::qt {
namespace {

struct SlotWidgets {
  const char* display;
  const char* copy;
  const char* tool;  // coreutils program giving the same value; nullptr for CRC32 (zlib)
};
const SlotWidgets kSlotWidgets[] = {
    {"crc32Display", "crc32CopyButton", nullptr},
    {"md5Display", "md5CopyButton", "md5sum"},
    {"sha1Display", "sha1CopyButton", "sha1sum"},
    {"sha256Display", "sha256CopyButton", "sha256sum"},
    {"sha512Display", "sha512CopyButton", "sha512sum"},
};

QString Independent(const SlotWidgets& slot, const QString& path, const QByteArray& bytes) {
  if (!slot.tool) {
    const uLong crc = crc32(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(bytes.constData()),
                            static_cast<uInt>(bytes.size()));
    return QString::number(static_cast<qulonglong>(crc), 16);
  }
  QProcess p;
  p.start(slot.tool, {path});
  EXPECT_TRUE(p.waitForFinished(30000));
  return QString::fromLatin1(p.readAllStandardOutput()).section(u' ', 0, 0);
}

// Records what the bar showed at every paint, and whether each display painted its value
// while the next one was still empty.
class PaintWatch : public QObject {
 public:
  bool eventFilter(QObject* o, QEvent* e) override {
    if (e->type() != QEvent::Paint) return false;
    if (auto* bar = qobject_cast<QProgressBar*>(o)) barValues.insert(bar->value());
    const int i = displays.indexOf(qobject_cast<QLineEdit*>(o));
    if (i >= 0 && !displays[i]->text().isEmpty() &&
        (i + 1 == displays.size() || displays[i + 1]->text().isEmpty()))
      paintedBeforeNext[i] = true;
    return false;
  }
  QList<QLineEdit*> displays;
  QSet<int> barValues;
  bool paintedBeforeNext[5] = {};
};

TEST_F(WindowTest, ChooseRunCopyPasteCompare) {
  Open();
  // 300 KB of a fixed pseudo-random stream: several read chunks of every pass.
  QByteArray bytes(300 * 1024 + 7, Qt::Uninitialized);
  QRandomGenerator random(2463534242u);
  for (char& c : bytes) c = static_cast<char>(random.generate());
  const QString path = WriteFile("표본 자료.bin", bytes);
  FileChooserSeam::SetNextFileName(path);
  Click("browseButton");

  PaintWatch watch;
  for (const SlotWidgets& s : kSlotWidgets) watch.displays << Find<QLineEdit>(s.display);
  for (QLineEdit* d : watch.displays) d->installEventFilter(&watch);
  Find<QProgressBar>("progressBar")->installEventFilter(&watch);
  Click("runButton");
  EXPECT_TRUE(shown_.empty());
  // The user saw the run move: every step of the bar and each value as soon as it was set.
  for (int v = 1; v <= 100; ++v) EXPECT_TRUE(watch.barValues.contains(v)) << v;
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(watch.paintedBeforeNext[i]) << kSlotWidgets[i].display;

  // Each value is the independent tool's, and its copy puts exactly that on the clipboard.
  for (const SlotWidgets& s : kSlotWidgets) {
    SCOPED_TRACE(s.display);
    const QString value = Independent(s, path, bytes);
    EXPECT_EQ(Find<QLineEdit>(s.display)->text(), value);
    QGuiApplication::clipboard()->setText("stale");
    shown_.clear();
    Click(s.copy);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), value);
    ASSERT_EQ(shown_.size(), 1u);
    EXPECT_EQ(shown_[0].caption, "알림");
  }

  // Paste the SHA-256 value into the compare box as a user would, and compare.
  auto* input = Find<QLineEdit>("compareInput");
  QTest::mouseClick(input, Qt::LeftButton);
  QTest::keyClick(input, Qt::Key_V, Qt::ControlModifier);
  const QString sha512 = Find<QLineEdit>("sha512Display")->text();
  ASSERT_EQ(input->text(), sha512);
  shown_.clear();
  Click("compareButton");
  ASSERT_EQ(shown_.size(), 1u);
  EXPECT_EQ(shown_[0].caption, "일치하는 해시 값이 있습니다");
  EXPECT_EQ(shown_[0].text, "표본 자료.bin 파일에 SHA-512해시 값 " + sha512 + " 와 일치합니다");
}

}  // namespace
}  // namespace tav::qt

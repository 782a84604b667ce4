// The real window's background picture: decoded away from the window, within bounds, or white.
#include <gtest/gtest.h>

#include <QtTest>
#include <QtWidgets>
#include <chrono>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "engine/platform.h"
#include "window/qt/main_window.h"
#include "app/qt/seams.h"

namespace tav::qt {
namespace {

#ifdef TAV_TEST_EMULATOR
constexpr const char* kEmulator = TAV_TEST_EMULATOR;
#else
constexpr const char* kEmulator = "";
#endif
constexpr QRgb kWhite = qRgb(255, 255, 255);

// Windows opened in a scratch current folder, where bg.png is looked for.
class BackgroundTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QDir::setCurrent(scratch_.path());
    DecoderLauncherSeam::Set(QString::fromLocal8Bit(kEmulator));  // the decoder is this suite too
  }
  void TearDown() override { FileChooserSeam::Clear(); }
  static std::unique_ptr<MainWindow> Open() {
    auto window = std::make_unique<MainWindow>(DefaultPlatform());
    window->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    return window;
  }
  // What the window shows once its decoder has ended.
  static QImage Settled(MainWindow& window) {
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window.Background().Decoding(); }, 30000));
    return window.grab().toImage();
  }
  static void Save(const QByteArray& bytes) {
    QFile file("bg.png");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
  }
  QTemporaryDir scratch_;
};

// One colour, written as a progressive JPEG.
QByteArray ProgressiveJpeg(QSize size) {
  QImage picture(size, QImage::Format_RGB32);
  picture.fill(QColor(40, 90, 160));
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, "jpeg");
  writer.setProgressiveScanWrite(true);
  EXPECT_TRUE(writer.write(picture));
  return buffer.data();
}

// A colour as a failure shows it: #aarrggbb.
std::string Colour(QRgb rgb) { return QColor::fromRgba(rgb).name(QColor::HexArgb).toStdString(); }

// Whether a child process has ended (left unreaped if it has).
bool Ended(qint64 pid) {
  siginfo_t info{};
  return ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0 || info.si_pid != 0;
}

// The processor time a process has used so far, in seconds.
double CpuSeconds(qint64 pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line, skip;
  if (!std::getline(stat, line) || line.rfind(')') == std::string::npos) return 0;
  std::istringstream fields(line.substr(line.rfind(')') + 1));
  long user = 0, system = 0;
  for (int i = 0; i < 11; ++i) fields >> skip;  // state to cmajflt
  fields >> user >> system;
  return static_cast<double>(user + system) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

// bg.png scaled to 1280 by 720 whatever its size, once, its transparent parts over white.
// Missing, unreadable, a FIFO (which must not keep the window from opening), or a picture
// whose decoding needs more memory than the decoder may take: the window is white. The
// probes lie where no control covers the picture.
TEST_F(BackgroundTest, ScaledOnceOrWhite) {
  const std::pair<QPoint, QRgb> probes[] = {{{5, 100}, qRgb(255, 0, 0)}, {{1265, 100}, qRgb(0, 255, 0)},
                                            {{600, 600}, qRgb(0, 0, 255)}, {{700, 600}, qRgba(255, 255, 0, 0)}};
  QImage quadrants(64, 36, QImage::Format_ARGB32);  // each colour fills one quadrant
  QPainter painter(&quadrants);
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  for (const auto& [at, colour] : probes)
    painter.fillRect(at.x() < 640 ? 0 : 32, at.y() < 360 ? 0 : 18, 32, 18, QColor::fromRgba(colour));
  painter.end();
  // Its header asks for 8192 x 4096 (the bound) with colour at full resolution: the picture's
  // 128 MiB and its 192 MiB of coefficients are more than 256 MiB. Decoded without a limit,
  // its missing scans would show grey.
  QByteArray huge = ProgressiveJpeg({64, 32});
  const qsizetype frame = huge.indexOf("\xff\xc2");
  huge.replace(frame + 5, 4, QByteArray::fromHex("10002000")).replace(frame + 11, 1, "\x11");
  for (const char* picture : {"none", "unreadable", "fifo", "quadrants", "too much memory"}) {
    SCOPED_TRACE(picture);
    if (picture[0] == 't' && kEmulator[0]) continue;  // qemu-user applies no memory limit
    QFile::remove("bg.png");
    if (picture[0] == 'u') Save("\x89PNG not really");
    if (picture[0] == 'f') { ASSERT_EQ(::mkfifo("bg.png", 0600), 0); }
    if (picture[0] == 'q') quadrants.save("bg.png");
    if (picture[0] == 't') Save(huge);
    const auto window = Open();
    const QImage shot = Settled(*window);
    const bool shown = picture[0] == 'q';
    for (const auto& [at, colour] : probes)
      EXPECT_EQ(Colour(shot.pixel(at)), Colour(shown && qAlpha(colour) ? colour : kWhite));
    EXPECT_EQ(window->Background().Image().size(), shown ? QSize(1280, 720) : QSize(0, 0));
  }
}

// A picture that takes far longer to decode than it may: a progressive JPEG whose last scan
// comes 20000 times (a minute's work here). The windows are up, and take a click, while it is
// being decoded, and stay white. Its decoder is ended by the limit on its processor time even
// while a long command holds the event loop (no timer fires then), and by the deadline when
// it makes no progress at all (here: stopped).
TEST_F(BackgroundTest, SlowPictureNeitherHoldsTheWindowNorShows) {
  QByteArray jpeg = ProgressiveJpeg({4096, 2048});
  const qsizetype last = jpeg.lastIndexOf("\xff\xda");  // up to the end marker
  jpeg.insert(jpeg.size() - 2, jpeg.mid(last, jpeg.size() - 2 - last).repeated(20000));
  Save(jpeg);
  const auto busy = Open(), stopped = Open();
  FileChooserSeam::SetNextFileName(scratch_.filePath("bg.png"));
  QTest::mouseClick(busy->findChild<QPushButton*>("browseButton"), Qt::LeftButton);
  EXPECT_EQ(busy->findChild<QLineEdit*>("pathDisplay")->text(), scratch_.filePath("bg.png"));
  const qint64 decoders[] = {busy->Background().DecoderId(), stopped->Background().DecoderId()};
  ASSERT_TRUE(decoders[0] > 0 && decoders[1] > 0) << "both pictures should still be decoding";
  ::kill(static_cast<pid_t>(decoders[1]), SIGSTOP);
  // No events meanwhile. The limit is 5 s of processor time, however long that takes on a
  // busy machine; by twice that the decoder must be gone.
  for (QDeadlineTimer bound(100000); !Ended(decoders[0]) && CpuSeconds(decoders[0]) < 10 && !bound.hasExpired();)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_TRUE(Ended(decoders[0])) << "after " << CpuSeconds(decoders[0]) << " s of processor time";
  for (MainWindow* window : {busy.get(), stopped.get()}) {
    EXPECT_EQ(Colour(Settled(*window).pixel(600, 600)), Colour(kWhite));
    EXPECT_TRUE(window->Background().Image().isNull());
  }
}

}  // namespace
}  // namespace tav::qt

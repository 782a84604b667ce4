// bg.png decoded in a disposable copy of this program with hard limits, never by the window.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QProcess>
#include <optional>

#include "engine/platform.h"

class QWidget;

namespace tav::qt {

// The first line of main() in every program that shows the main window (the app and the
// widget suite), before anything else is set up:
//   if (const auto status = DecodeBackgroundIfAsked()) return *status;
// In the copy a BackgroundPicture starts, it decodes the picture handed in as stdin and writes
// the pixels to stdout; the status is what the program returns. Anywhere else it does nothing.
std::optional<int> DecodeBackgroundIfAsked();

// The window's background: white (a null image) until the decoder has handed over bg.png
// scaled to 1280 x 720, and for good when it fails, ends early, or is stopped for taking too
// long or too much memory. Decoding a picture's contents can cost far more than its size
// suggests (a progressive JPEG may repeat a scan a thousand times), so it never runs in the
// window's own process: the window appears and answers at once, whatever bg.png holds.
class BackgroundPicture {
 public:
  explicit BackgroundPicture(QWidget& window) : window_(window) {}
  ~BackgroundPicture();
  BackgroundPicture(const BackgroundPicture&) = delete;
  BackgroundPicture& operator=(const BackgroundPicture&) = delete;

  // Starts decoding bg.png of the current directory, read through `platform` (a regular file
  // only); the window is repainted once the picture is there.
  void Start(ChecksumPlatform& platform);

  const QImage& Image() const { return image_; }
  // While the decoder runs; its process id, for the suites (0 when none runs).
  bool Decoding() const { return decoder_.state() != QProcess::NotRunning; }
  qint64 DecoderId() const { return decoder_.processId(); }

 private:
  void Finished(int status, QProcess::ExitStatus how);

  QWidget& window_;
  QProcess decoder_;
  QByteArray pixels_;
  QImage image_;
};

}  // namespace tav::qt

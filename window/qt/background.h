// bg.png decoded in a disposable copy of this program with hard limits, never by the window.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QTimer>
#include <memory>
#include <optional>

#include <sys/types.h>
#include <unistd.h>

#include "engine/owned.h"
#include "engine/platform.h"

class QSocketNotifier;
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
  explicit BackgroundPicture(QWidget& window);
  ~BackgroundPicture();
  BackgroundPicture(const BackgroundPicture&) = delete;
  BackgroundPicture& operator=(const BackgroundPicture&) = delete;

  // Starts decoding bg.png of the current directory, read through `platform` (a regular file
  // only); the window is repainted once the picture is there.
  void Start(ChecksumPlatform& platform);

  const QImage& Image() const { return image_; }
  // While the decoder runs; its process id, for the suites (0 when none runs).
  bool Decoding() const { return decoder_ > 0; }
  qint64 DecoderId() const { return decoder_; }

 private:
  void Read();
  // Ends the decoder (killed unless it finished its output) and takes the picture if it came
  // whole from a decoder that succeeded.
  void End(bool finished);

  QWidget& window_;
  pid_t decoder_ = 0;
  static void CloseDescriptor(int fd) { ::close(fd); }
  Owned<int, CloseDescriptor, -1> pixelsFrom_;  // the pipe the decoder writes into
  std::unique_ptr<QSocketNotifier> readable_;
  QTimer deadline_;
  QByteArray pixels_;
  QImage image_;
};

}  // namespace tav::qt

// Entry of the Linux desktop app: one main window, fitted, given the command line's file; the loop.
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include "engine/platform.h"
#include "window/qt/main_window.h"

int main(int count, char** arguments) {
  if (const auto status = tav::qt::DecodeBackgroundIfAsked()) return *status;  // the picture decoder
  // Qt is handed nothing of the command line, which would otherwise give it options such as
  // -qwindowtitle, -geometry or -stylesheet; the app reads only the file it names (below).
  // Settings in the environment (the platform plugin, scaling) still apply. Qt keeps
  // references to both for its lifetime.
  char name[] = "tavrinel";
  char* args[] = {name, nullptr};
  int argc = 1;
  QApplication app(argc, args);
  tav::qt::MainWindow window(tav::DefaultPlatform());
  window.show();
  // `tavrinel FILE` selects FILE as if it were dropped on the shown window: taken once the
  // event loop runs, so that a refusal's warning box belongs to a window on the screen.
  QTimer::singleShot(0, &window, [&] { window.AcceptCommandLine(count, arguments); });

  // The window manager reports its frame a moment after the window is mapped; only then can
  // the client area be shrunk so that the frame around it is 1280 by 720. Without a window
  // manager no frame ever arrives and the client area stays 1280 by 720.
  QElapsedTimer waited;
  waited.start();
  QTimer frameWatch;
  frameWatch.setInterval(20);
  QObject::connect(&frameWatch, &QTimer::timeout, &window, [&] {
    if (window.frameGeometry().size() != window.size()) {
      window.FitOuterSize();
      frameWatch.stop();
    } else if (waited.elapsed() > 3000) {
      frameWatch.stop();
    }
  });
  frameWatch.start();

  return app.exec();
}

// The Qt main window: the 23 controls, the background picture, file drops and command routing.
#pragma once

#include <QImage>
#include <QWidget>

#include "engine/platform.h"
#include "engine/slots.h"
#include "app/qt/qt_ui_ops.h"
#include "window/qt/background.h"

namespace tav::qt {

class MainWindow final : public QWidget {
 public:
  // Builds the controls and starts decoding "bg.png" of the current directory, which shows
  // once it is ready. The picture and the runs' files are read through `platform`, which must
  // outlive the window.
  explicit MainWindow(ChecksumPlatform& platform, QWidget* parent = nullptr);

  // Shrinks the client area so that the outer frame, as the window manager reports it, is
  // 1280 by 720. Without a window manager frame the client area itself is 1280 by 720.
  void FitOuterSize();

  // `tavrinel FILE`: the command line's first argument becomes the selection exactly as the
  // same file dropped on the window would; nothing after it is read. Its bytes name the file,
  // relative to the current folder unless they start with '/'. No argument, or an empty one,
  // leaves the window as it is.
  void AcceptCommandLine(int argc, const char* const* argv);

  AppState& State() { return state_; }
  QtUiOps& Ui() { return ui_; }
  // The background as painted (bg.png scaled to 1280 x 720, or null: white) and its decoder.
  const BackgroundPicture& Background() const { return background_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void CreateControls();

  // The texts every command works on; one window per process, so one state per process.
  AppState state_;
  QtUiOps ui_;
  ChecksumPlatform& platform_;
  BackgroundPicture background_{*this};
};

}  // namespace tav::qt

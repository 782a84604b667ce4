// Shared fixture of the widget suites: a window in a scratch current directory, messages caught.
#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QWindow>
#include <memory>
#include <vector>

#include "engine/platform.h"
#include "window/qt/main_window.h"
#include "window/qt/seams.h"

namespace tav::qt {

struct ShownMessage { QString caption, text; MessageIcon icon; };

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(scratch_.isValid());
    // bg.png is looked up in the current directory: each test decides whether there is one.
    previousDir_ = QDir::currentPath();
    QDir::setCurrent(scratch_.path());
    MessageSeam::SetHook([this](const QString& caption, const QString& text, MessageIcon icon) {
      shown_.push_back({caption, text, icon});
    });
    FileChooserSeam::Clear();
  }

  void TearDown() override {
    window_.reset();
    MessageSeam::Clear();
    FileChooserSeam::Clear();
    QDir::setCurrent(previousDir_);
  }

  MainWindow& Open() {
    window_ = std::make_unique<MainWindow>(DefaultPlatform());
    window_->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    return *window_;
  }

  template <class T>
  T* Find(const char* name) {
    T* w = window_->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
  }

  QString WriteFile(const QString& name, const QByteArray& bytes) {
    QFile f(scratch_.filePath(name));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return f.fileName();
  }

  // The path shown and the run offered.
  void ExpectFileChosen(const QString& path) {
    EXPECT_EQ(Find<QLineEdit>("pathDisplay")->text(), path);
    EXPECT_TRUE(Find<QPushButton>("runButton")->isEnabled());
  }

  void Click(const char* button) { QTest::mouseClick(Find<QPushButton>(button), Qt::LeftButton); }

  // A drag from outside entering at `pos` (window coordinates) and dropped there, sent the way
  // the platform delivers it: to the window, which finds the widget under the cursor.
  void DropAt(QPoint pos, const QStringList& paths, const QString& text = {}) {
    QMimeData mime;
    QList<QUrl> urls;
    for (const QString& p : paths) urls << QUrl::fromLocalFile(p);
    if (!urls.isEmpty()) mime.setUrls(urls);
    if (!text.isEmpty()) mime.setText(text);
    QDragEnterEvent enter(pos, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window_->windowHandle(), &enter);
    QDropEvent drop(QPointF(pos), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window_->windowHandle(), &drop);
  }

  QTemporaryDir scratch_;
  QString previousDir_;
  std::unique_ptr<MainWindow> window_;
  std::vector<ShownMessage> shown_;
};

}  // namespace tav::qt

// The real Qt window under the offscreen platform: what only this shell can get wrong.
#include <gtest/gtest.h>

#include <QtTest>
#include <QtWidgets>
#include <chrono>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include "engine/platform.h"
#include "engine/text.h"
#include "window/layout.h"
#include "window/qt/main_window.h"
#include "app/qt/seams.h"

namespace tav::qt {
namespace {

#ifdef TAV_TEST_EMULATOR
constexpr const char* kEmulator = TAV_TEST_EMULATOR;
#else
constexpr const char* kEmulator = "";
#endif

// A window in a scratch current folder (where bg.png is looked for), its boxes caught.
class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QDir::setCurrent(scratch_.path());
    DecoderLauncherSeam::Set(QString::fromLocal8Bit(kEmulator));  // the decoder is this suite too
    MessageSeam::SetHook([this](const QString& caption, const QString& text, MessageIcon) {
      captions_ << caption;
      texts_ << text;
    });
  }
  void TearDown() override {
    window_.reset();
    MessageSeam::Clear();
    FileChooserSeam::Clear();
  }
  MainWindow& Open(std::unique_ptr<MainWindow>* into = nullptr) {
    std::unique_ptr<MainWindow>& window = into ? *into : window_;
    window = std::make_unique<MainWindow>(DefaultPlatform());
    window->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    return *window;
  }
  // What a window shows once its picture's decoder has ended.
  static QImage Settled(MainWindow& window) {
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window.Background().Decoding(); }, 30000));
    return window.grab().toImage();
  }
  template <class T = QLineEdit>
  T* Find(const char* name) { return window_->findChild<T*>(name); }
  QString WriteFile(const QString& name, const QByteArray& bytes) {
    QFile f(scratch_.filePath(name));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
    return f.fileName();
  }
  void Click(const char* button) { QTest::mouseClick(Find<QPushButton>(button), Qt::LeftButton); }

  QTemporaryDir scratch_;
  std::unique_ptr<MainWindow> window_;
  QStringList captions_, texts_;
};

// Every control where the shared table puts it, with its text, enabled and read-only states
// and alignment; no Tab stop, no font of its own, no drops of its own.
TEST_F(WindowTest, ControlsAsLaidOut) {
  const QList<QWidget*> children = Open().findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
  ASSERT_EQ(children.size(), static_cast<int>(kControlLayout.size()));
  for (int i = 0; i < children.size(); ++i) {
    const ControlSpec& entry = kControlLayout[i];
    QWidget* c = children[i];
    SCOPED_TRACE(entry.objectName);
    EXPECT_EQ(c->objectName(), entry.objectName);
    EXPECT_EQ(c->geometry(), QRect(entry.x, entry.y, entry.width, entry.height));
    EXPECT_EQ(c->isEnabled(), StartsEnabled(entry));
    EXPECT_FALSE(c->acceptDrops() || (c->focusPolicy() & Qt::TabFocus) == Qt::TabFocus || c->testAttribute(Qt::WA_SetFont));
    const bool bar = entry.kind == ControlKind::Progress;  // its text is its percentage, hidden
    EXPECT_EQ(bar ? QString() : c->property("text").toString(), entry.text ? QString::fromUtf16(entry.text) : "");
    const QVariant alignment = c->property("alignment");
    EXPECT_EQ(alignment.isValid() && (alignment.value<Qt::Alignment>() & Qt::AlignHCenter), IsCentered(entry));
    EXPECT_EQ(c->property("readOnly").toBool(), IsReadOnly(entry));
  }
  auto* bar = Find<QProgressBar>("progressBar");
  EXPECT_EQ(QList({bar->minimum(), bar->maximum(), bar->value(), int(bar->isTextVisible())}), QList({0, 100, 0, 0}));
}

// A walk through what the window itself handles. Three files dropped at once: the first is
// taken, even where they land on the editable compare box offered the names as text too (file
// managers do); text alone names no file. A path of 260 units chosen would have to be cut to
// some other name (here one that exists): refused with the run's warning, the previous choice
// kept, as is a dropped file of another host; 259 units are taken. A name that is not UTF-8 is
// the file read, dropped or chosen, and shows with U+FFFD; the dialog shows it like the file that its shown
// name spells, so choosing that name is refused while both exist. A display shows its value as
// soon as it is set, while a run's click still goes on (no event loop runs until it ends). A
// copy reaches the system clipboard. Message boxes as the user sees them.
TEST_F(WindowTest, DropsChoicesDisplaysClipboardAndBoxes) {
  Open();
  const auto drop = [&](QPoint at, const QStringList& paths, QList<QUrl> urls = {}) {
    for (const QString& p : paths) urls << QUrl::fromLocalFile(p);
    QMimeData mime;
    mime.setUrls(urls);
    mime.setText("/etc/hostname");
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window_->windowHandle(), &enter);
    QDropEvent dropped(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window_->windowHandle(), &dropped);
  };
  const auto choose = [&](const QString& path) {
    FileChooserSeam::SetNextFileName(path);
    Click("browseButton");
  };
  drop({640, 600}, {});
  EXPECT_FALSE(Find<QPushButton>("runButton")->isEnabled());
  QStringList files = {WriteFile("첫째 파일.bin", "1"), WriteFile("second.txt", "2"), WriteFile("third", "3")};
  drop({575, 142} /* the compare box */, files);
  EXPECT_EQ(std::pair(Find("pathDisplay")->text(), Find("compareInput")->text()), std::pair(files.first(), QString()));
  const QString other = WriteFile(QString(258 - scratch_.path().size(), u'a'), "other");
  for (const QString& path : {other + "b", other}) {  // chosen: the core holds drops to it too
    choose(path);
    EXPECT_EQ(Find("pathDisplay")->text(), path == other ? other : files.first());
  }
  // A file URL naming another host names that host's file: refused as the overlong path is.
  // Empty, "localhost" and this machine's own name are this machine.
  for (const QString& host : {QString("fileserver"), QString("localhost"), QSysInfo::machineHostName()}) {
    drop({640, 600}, {files.first()});
    drop({640, 600}, {}, {QUrl("file://" + host + files[1])});
    EXPECT_EQ(Find("pathDisplay")->text(), host == "fileserver" ? files.first() : files[1]) << host.toStdString();
  }
  EXPECT_EQ(captions_, QStringList({"경고", "경고"}));
  const QByteArray raw = QFile::encodeName(scratch_.path()) + "/\xff\xfe.bin";
  std::ofstream(raw.constData()) << "hello";
  const QString lookalike = WriteFile("\uFFFD\uFFFD.bin", "DIFFERENT");
  drop({640, 600}, {}, {QUrl::fromEncoded("file://" + raw.toPercentEncoding("/"))});
  EXPECT_EQ(Find("pathDisplay")->text(), lookalike);
  choose(lookalike);  // the dialog's name for both files
  EXPECT_EQ(captions_.size(), 3);
  Click("runButton");
  EXPECT_EQ(Find("crc32Display")->text(), "3610a686");  // of "hello", as gzip gives it
  Find("compareInput")->setText("3610a686");
  Click("compareButton");
  EXPECT_EQ(texts_.last(), "\uFFFD\uFFFD.bin 파일에 CRC32해시 값 3610a686 와 일치합니다");
  QFile::remove(lookalike);
  drop({640, 600}, {files.first()});
  Click("runButton");  // a value of another file in the display
  choose(lookalike);
  Click("runButton");
  EXPECT_EQ(Find("crc32Display")->text(), "3610a686");
  struct Paints : QObject {
    bool eventFilter(QObject*, QEvent* e) override { return count += e->type() == QEvent::Paint, false; }
    int count = 0;
  } paints;
  Find("md5Display")->installEventFilter(&paints);
  window_->Ui().SetText(Control::ResultMd5, u"900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(paints.count, 1);
  window_->Ui().Enable(Control::CopyMd5, true);
  QGuiApplication::clipboard()->setText("stale");
  Click("md5CopyButton");
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "900150983cd24fb0d6963f7d28e17f72");
  // Without the hook, the real box: modal, owned by the window, OK only, the icon asked for,
  // and the text shown as typed (a file title is never read as markup).
  MessageSeam::Clear();
  for (MessageIcon icon : {MessageIcon::Warning, MessageIcon::None}) {
    QMessageBox* seen = nullptr;
    QTimer::singleShot(0, [&] {  // runs in the box's own event loop
      seen = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(seen, nullptr);
      EXPECT_EQ(std::tuple(seen->windowTitle() + seen->text(), seen->textFormat(), seen->icon(),
                           seen->standardButtons(), seen->parentWidget()),
                std::tuple(QString("경고<b>보고서</b>.pdf"), Qt::PlainText,
                           icon == MessageIcon::Warning ? QMessageBox::Warning : QMessageBox::NoIcon,
                           QMessageBox::StandardButtons(QMessageBox::Ok), static_cast<QWidget*>(window_.get())));
      seen->button(QMessageBox::Ok)->click();
    });
    window_->Ui().ShowMessage(u"<b>보고서</b>.pdf", u"경고", icon);
    EXPECT_NE(seen, nullptr);
  }
}

// `tavrinel FILE`: the first argument is selected as a drop selects it (path box, file title,
// run offered), and the run reads the file of those bytes, not its look-alike. A relative name
// is the start folder's. Toolkit options after it are not read. A name too long is refused with
// the run's warning, nothing selected; no argument, or an empty one, selects nothing.
TEST_F(WindowTest, CommandLineFileSelectedAsIfDropped) {
  const std::string tooLong(259 - scratch_.path().size(), 'l');  // 260 units with the folder
  WriteFile("plain.txt", "hello");
  WriteFile("\uFFFD\uFFFD.bin", "DIFFERENT");
  const std::string raw = QFile::encodeName(scratch_.path()).toStdString() + "/\xff\xfe.bin";
  std::ofstream(raw) << "abc";
  // The arguments after the program's name; the name shown in the folder (none: the start
  // hint); the file title; gzip's CRC-32 of the file read.
  const std::tuple<std::vector<std::string>, QString, std::u16string, QString> cases[] = {
      {{"./plain.txt"}, "plain.txt", u"plain.txt", "3610a686"},
      {{raw, "-qwindowtitle", "X", "-geometry", "9x9", "plain.txt"},
       "\uFFFD\uFFFD.bin", u"\xDCFF\xDCFE.bin", "352441c2"},
      {{tooLong}, "", u"", ""}, {{}, "", u"", ""}, {{""}, "", u"", ""}};
  for (const auto& [args, shown, title, crc] : cases) {
    SCOPED_TRACE(args.empty() ? "no argument" : args[0]);
    captions_.clear();
    Open();
    std::vector<const char*> argv = {"tavrinel"};
    for (const std::string& a : args) argv.push_back(a.c_str());
    window_->AcceptCommandLine(static_cast<int>(argv.size()), argv.data());
    EXPECT_EQ(Find("pathDisplay")->text(), shown.isEmpty() ? QString::fromUtf16(kControlLayout[1].text) : scratch_.filePath(shown));
    EXPECT_EQ(TextView(window_->State().fileTitle, kTitleCapacity), title);
    EXPECT_EQ(captions_, args == std::vector{tooLong} ? QStringList{"경고"} : QStringList{});
    EXPECT_EQ(Find<QPushButton>("runButton")->isEnabled(), !crc.isEmpty());
    Click("runButton");
    EXPECT_EQ(Find("crc32Display")->text(), crc);
  }
}

// The compare box compares what it shows. A paste through the real clipboard keeps the pasted
// text up to its first line break, as copied from a terminal, and a text with a NUL ends
// there, as the native edit takes them; what followed the cursor stays. The box holds 255
// units: that much against a display showing the same matches, one unit more matches nothing.
TEST_F(WindowTest, CompareBoxComparesWhatItShows) {
  Open();
  QtUiOps& ui = window_->Ui();
  ui.SetText(Control::ResultCrc32, u"352441c2");
  ui.SetText(Control::ResultSha512, std::u16string(255, u'a').c_str());
  ui.Enable(Control::CompareButton, true);
  // What is pasted, at the end of the box's text less its last units; what the box then shows.
  const std::tuple<const char*, QString, QString, int, QString, bool> cases[] = {
      {"a trailing line break", "352441c2\r\n", "", 0, "352441c2", true},
      {"a NUL inside", QString::fromUtf16(u"352441c2\0NOT-THE-VALUE", 22), "", 0, "352441c2", true},
      {"a break inside, between typed text", "41\nXX", "3524c2", 2, "352441c2", true},
      {"255 units", QString(255, u'a'), "", 0, QString(255, u'a'), true},
      {"256 units", QString(256, u'a'), "", 0, QString(256, u'a'), false}};
  for (const auto& [what, pasted, before, after, shown, match] : cases) {
    SCOPED_TRACE(what);
    auto* box = Find("compareInput");
    box->setText(before);
    box->setCursorPosition(int(before.size()) - after);
    QGuiApplication::clipboard()->setText(pasted);
    QTest::keySequence(box, QKeySequence::Paste);
    EXPECT_EQ(box->text(), shown);
    Click("compareButton");
    EXPECT_EQ(captions_.last(), match ? "일치하는 해시 값이 있습니다" : "일치하는 해시값이 없습니다");
  }
}

// The real dialog: the one filter "모든 파일 (*.*)" lists names without a dot too, also after
// the user picks it in the file-type box; it starts from the previous choice, and a typed name
// need not exist.
TEST_F(WindowTest, RealDialogListsEveryFileFromThePreviousChoice) {
  for (const char* name : {"README", "notes.txt", "해시"}) WriteFile(QString::fromUtf8(name), "z");
  QFileDialog dialog;
  ConfigureFileDialog(dialog, scratch_.filePath("notes.txt"));
  EXPECT_EQ(std::tuple(dialog.nameFilters(), dialog.selectedFiles(), dialog.fileMode()),
            std::tuple(QStringList{"모든 파일 (*.*)"}, QStringList{scratch_.filePath("notes.txt")}, QFileDialog::AnyFile));
  dialog.show();  // not exec: nothing here waits for a person
  auto* model = dialog.findChild<QFileSystemModel*>();
  const auto listed = [&] { return model->rowCount(model->index(scratch_.path())); };
  QSignalSpy picks(&dialog, &QFileDialog::filterSelected);
  EXPECT_TRUE(QTest::qWaitFor([&] { return listed() == 3; }, 5000)) << listed();
  auto* types = dialog.findChild<QComboBox*>("fileTypeCombo");
  types->showPopup();  // the user opens the box and takes its one entry
  QTest::keyClick(types->view(), Qt::Key_Return);
  ASSERT_EQ(picks.size(), 1);
  // The rows are filtered anew from the model's filters when it next sorts: those decide.
  EXPECT_EQ(model->nameFilters(), QStringList{"*"});
}

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
constexpr QRgb kWhite = qRgb(255, 255, 255);
std::string Colour(QRgb rgb) { return QColor::fromRgba(rgb).name(QColor::HexArgb).toStdString(); }

// Whether a child process has ended (left unreaped if it has).
bool Ended(qint64 pid) {
  siginfo_t info{};
  return ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0 || info.si_pid != 0;
}

// bg.png scaled to 1280 by 720 whatever its size, once, its transparent parts over white.
// Missing, unreadable, a FIFO (which must not keep the window from opening), or a picture
// whose decoding needs more memory than the decoder may take: the window is white. The
// probes lie where no control covers the picture.
TEST_F(WindowTest, BackgroundScaledOnceOrWhite) {
  const std::pair<QPoint, QRgb> probes[] = {{{5, 100}, qRgb(255, 0, 0)}, {{1265, 100}, qRgb(0, 255, 0)},
                                            {{600, 600}, qRgb(0, 0, 255)}, {{700, 600}, qRgba(255, 255, 0, 0)}};
  QImage quadrants(64, 36, QImage::Format_ARGB32);  // each colour fills one quadrant
  QPainter painter(&quadrants);
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  for (const auto& [at, colour] : probes)
    painter.fillRect(at.x() < 640 ? 0 : 32, at.y() < 360 ? 0 : 18, 32, 18, QColor::fromRgba(colour));
  painter.end();
  // Its header asks for 8192 x 4096 (the bound) with colour at full resolution: the picture's
  // 128 MiB and its 192 MiB of coefficients are more than the decoder may take. Decoded without
  // a limit, its missing scans would show grey.
  QByteArray huge = ProgressiveJpeg({64, 32});
  const qsizetype frame = huge.indexOf("\xff\xc2");
  huge.replace(frame + 5, 4, QByteArray::fromHex("10002000")).replace(frame + 11, 1, "\x11");
  for (const char* picture : {"none", "unreadable", "fifo", "quadrants", "too much memory"}) {
    SCOPED_TRACE(picture);
    if (picture[0] == 't' && kEmulator[0]) continue;  // qemu-user applies no memory limit
    QFile::remove("bg.png");
    if (picture[0] == 'u') WriteFile("bg.png", "\x89PNG not really");
    if (picture[0] == 'f') { ASSERT_EQ(::mkfifo("bg.png", 0600), 0); }
    if (picture[0] == 'q') quadrants.save("bg.png");
    if (picture[0] == 't') WriteFile("bg.png", huge);
    const QImage shot = Settled(Open());
    const bool shown = picture[0] == 'q';
    for (const auto& [at, colour] : probes)
      EXPECT_EQ(Colour(shot.pixel(at)), Colour(shown && qAlpha(colour) ? colour : kWhite));
    EXPECT_EQ(window_->Background().Image().size(), shown ? QSize(1280, 720) : QSize(0, 0));
  }
}

// A picture that takes far longer to decode than it may: a progressive JPEG whose last scan
// comes 20000 times (a minute's work here). The windows are up, and take a click, while it is
// being decoded, and stay white. Its decoder is ended by the limit on its processor time even
// while a long command holds the event loop (no timer fires then), and by the deadline when
// it makes no progress at all (here: stopped).
TEST_F(WindowTest, SlowBackgroundNeitherHoldsTheWindowNorShows) {
  QByteArray jpeg = ProgressiveJpeg({4096, 2048});
  const qsizetype last = jpeg.lastIndexOf("\xff\xda");  // up to the end marker
  jpeg.insert(jpeg.size() - 2, jpeg.mid(last, jpeg.size() - 2 - last).repeated(20000));
  WriteFile("bg.png", jpeg);
  std::unique_ptr<MainWindow> stopped;
  MainWindow& busy = Open();
  Open(&stopped);
  FileChooserSeam::SetNextFileName(scratch_.filePath("bg.png"));
  Click("browseButton");
  EXPECT_EQ(Find("pathDisplay")->text(), scratch_.filePath("bg.png"));
  const qint64 decoders[] = {busy.Background().DecoderId(), stopped->Background().DecoderId()};
  ASSERT_TRUE(decoders[0] > 0 && decoders[1] > 0) << "both pictures should still be decoding";
  ::kill(static_cast<pid_t>(decoders[1]), SIGSTOP);
  // No events meanwhile. The limit is 5 s of processor time, however long that takes on a
  // busy machine; the picture takes a minute's.
  for (QDeadlineTimer bound(100000); !Ended(decoders[0]) && !bound.hasExpired();)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_TRUE(Ended(decoders[0]));
  for (MainWindow* window : {&busy, stopped.get()}) {
    EXPECT_EQ(Colour(Settled(*window).pixel(600, 600)), Colour(kWhite));
    EXPECT_TRUE(window->Background().Image().isNull());
  }
}

}  // namespace
}  // namespace tav::qt

int main(int argc, char** argv) {
  if (const auto status = tav::qt::DecodeBackgroundIfAsked()) return *status;  // the window's picture decoder
  ::testing::InitGoogleTest(&argc, argv);
  qputenv("QT_QPA_PLATFORM", "offscreen");  // never a real display: nothing waits for a person
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}

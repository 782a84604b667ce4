// bg.png decoded in a copy of this program started for it, which limits itself; the window waits for nothing.
#include "window/qt/background.h"

#include <QCoreApplication>
#include <QFile>
#include <QImageReader>
#include <QSocketNotifier>
#include <QWidget>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/qt/seams.h"
#include "window/layout.h"

namespace tav::qt {

namespace {

// Set only in the decoder's environment, to the id of the window's process that started it. An
// environment variable, not an argument: the program's arguments are the user's.
constexpr const char* kDecoderVariable = "TAVRINEL_BACKGROUND_DECODER";

// What the decoder may spend. Its memory: twice the decoded picture's bound in all, room for
// the picture and the decoder's own buffers (a progressive JPEG keeps every coefficient of the
// whole picture, as much again); the limit is on its data, so the program's own code, about
// 20 MiB of it, is taken off. Its time: a legitimate picture at the bound decodes and scales in
// well under a second here; a picture that takes longer than this is left white.
constexpr rlim_t kDecoderMemory = 2 * kMaxBackgroundBytes - (rlim_t{24} << 20);
constexpr int kDecodeSeconds = 5;

constexpr qsizetype kPictureBytes = qsizetype{kWindowWidth} * kWindowHeight * 4;

// Lowers a limit of this process to `soft` and `hard`, or to the hard limit it already has.
bool Limit(int resource, rlim_t soft, rlim_t hard) {
  rlimit now{};
  if (::getrlimit(resource, &now) != 0) return false;
  const rlimit next{std::min(soft, now.rlim_max), std::min(hard, now.rlim_max)};
  return ::setrlimit(resource, &next) == 0;
}

bool WriteAll(int fd, const uchar* bytes, qsizetype size) {
  while (size > 0) {
    const ssize_t wrote = ::write(fd, bytes, static_cast<std::size_t>(size));
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) return false;
    bytes += wrote;
    size -= wrote;
  }
  return true;
}

// The decoder's work: the picture on stdin, no larger once decoded than the bound (from its
// header, before anything is decoded), scaled once to the 1280 x 720 it is drawn at,
// premultiplied as painting wants it, onto stdout.
bool DecodeStdinToStdout() {
  struct stat st{};
  if (::fstat(STDIN_FILENO, &st) != 0 || !S_ISREG(st.st_mode)) return false;
  QFile in;
  if (!in.open(STDIN_FILENO, QIODevice::ReadOnly)) return false;
  QImageReader reader(&in);
  const QSize size = reader.size();
  if (!size.isValid() ||
      std::uint64_t{4} * static_cast<std::uint64_t>(size.width()) * size.height() > kMaxBackgroundBytes)
    return false;
  reader.setAllocationLimit(static_cast<int>(kMaxBackgroundBytes >> 20));
  QImage shown;
  {
    const QImage picture = reader.read();
    if (picture.isNull()) return false;
    shown = picture.scaled(kWindowWidth, kWindowHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  }
  shown.convertTo(QImage::Format_ARGB32_Premultiplied);
  return shown.sizeInBytes() == kPictureBytes && WriteAll(STDOUT_FILENO, shown.constBits(), kPictureBytes);
}

}  // namespace

std::optional<int> DecodeBackgroundIfAsked() {
  const char* parent = std::getenv(kDecoderVariable);
  if (!parent) return std::nullopt;
  // The limits come first, before any work: its memory, its processor time (then SIGXCPU,
  // then SIGKILL), no core file, and an end with the window's program (checked after it is
  // asked for: a parent already gone would not end it).
  if (!Limit(RLIMIT_DATA, kDecoderMemory, kDecoderMemory) ||
      !Limit(RLIMIT_CPU, kDecodeSeconds, kDecodeSeconds + 1) || !Limit(RLIMIT_CORE, 0, 0) ||
      ::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || std::to_string(::getppid()) != parent)
    return 1;
  try {
    return DecodeStdinToStdout() ? 0 : 1;
  } catch (...) {  // out of memory under the limit: the picture is simply not there
    return 1;
  }
}

BackgroundPicture::BackgroundPicture(QWidget& window) : window_(window) {
  deadline_.setSingleShot(true);
  QObject::connect(&deadline_, &QTimer::timeout, &window_, [this] { End(false); });
}

BackgroundPicture::~BackgroundPicture() {
  if (Decoding()) End(false);
}

void BackgroundPicture::Start(ChecksumPlatform& platform) {
  // Opened here, as the checksum passes open files (a regular file only, without blocking, so
  // a FIFO named bg.png cannot hold anything up), and handed to the decoder as it is.
  const std::u16string name(kBackgroundFile, kBackgroundFile + std::strlen(kBackgroundFile));
  const Stream stream = platform.OpenStream(name.c_str());
  struct stat st{};
  int pipe[2];
  if (!stream || ::fstat(::fileno(stream.get()), &st) != 0 ||
      static_cast<std::uint64_t>(st.st_size) > kMaxBackgroundBytes || ::pipe2(pipe, O_CLOEXEC) != 0)
    return;
  Owned<int, CloseDescriptor, -1> pixelsFrom(pipe[0]);
  const Owned<int, CloseDescriptor, -1> pixelsTo(pipe[1]);

  // This very program, as it runs now (also when its file has been replaced since), or the
  // emulator the suites run it under; the picture as its input, the pipe as its output, and
  // this process's id in its environment, which makes it the decoder.
  const QString& launcher = DecoderLauncherSeam::Program();
  const QByteArray program = launcher.isEmpty() ? QByteArray("/proc/self/exe") : QFile::encodeName(launcher);
  const QByteArray self = QFile::encodeName(QCoreApplication::applicationFilePath());
  std::vector<char*> argv = {const_cast<char*>(program.constData())};
  if (!launcher.isEmpty()) argv.push_back(const_cast<char*>(self.constData()));
  argv.push_back(nullptr);
  std::string marker = std::string(kDecoderVariable) + "=" + std::to_string(::getpid());
  std::vector<char*> environment;
  for (char** variable = environ; *variable; ++variable)
    if (std::strncmp(*variable, marker.c_str(), std::strlen(kDecoderVariable) + 1) != 0)
      environment.push_back(*variable);
  environment.push_back(marker.data());
  environment.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  if (::posix_spawn_file_actions_init(&actions) != 0) return;
  const bool spawned =
      ::posix_spawn_file_actions_adddup2(&actions, ::fileno(stream.get()), STDIN_FILENO) == 0 &&
      ::posix_spawn_file_actions_adddup2(&actions, pixelsTo.get(), STDOUT_FILENO) == 0 &&
      ::posix_spawn(&decoder_, program.constData(), &actions, nullptr, argv.data(),
                    environment.data()) == 0;
  ::posix_spawn_file_actions_destroy(&actions);
  if (!spawned) {
    decoder_ = 0;
    return;
  }
  pixelsFrom_ = std::move(pixelsFrom);
  ::fcntl(pixelsFrom_.get(), F_SETFL, ::fcntl(pixelsFrom_.get(), F_GETFL) | O_NONBLOCK);
  readable_ = std::make_unique<QSocketNotifier>(pixelsFrom_.get(), QSocketNotifier::Read);
  QObject::connect(readable_.get(), &QSocketNotifier::activated, &window_, [this] { Read(); });
  // The processor-time limit ends a decoder that works too long even while a long command
  // keeps this thread from its timers; this ends one that makes no progress at all.
  deadline_.start(kDecodeSeconds * 1000);
}

void BackgroundPicture::Read() {
  char chunk[1 << 16];
  for (;;) {
    const ssize_t got = ::read(pixelsFrom_.get(), chunk, sizeof chunk);
    if (got > 0) {
      pixels_.append(chunk, got);
      if (pixels_.size() > kPictureBytes) return End(false);
    } else if (got == 0) {
      return End(true);
    } else if (errno != EINTR) {
      if (errno != EAGAIN) End(false);
      return;
    }
  }
}

void BackgroundPicture::End(bool finished) {
  readable_.reset();
  pixelsFrom_.reset();
  deadline_.stop();
  // A decoder that closed its output is ending by itself; any other is ended here.
  if (!finished) ::kill(decoder_, SIGKILL);
  int status = 0;
  while (::waitpid(decoder_, &status, 0) < 0 && errno == EINTR) continue;
  decoder_ = 0;
  if (finished && WIFEXITED(status) && WEXITSTATUS(status) == 0 && pixels_.size() == kPictureBytes) {
    QImage picture(kWindowWidth, kWindowHeight, QImage::Format_ARGB32_Premultiplied);
    if (!picture.isNull() && picture.sizeInBytes() == kPictureBytes) {
      std::memcpy(picture.bits(), pixels_.constData(), static_cast<std::size_t>(kPictureBytes));
      image_ = std::move(picture);
      window_.update();
    }
  }
  pixels_ = QByteArray();
}

}  // namespace tav::qt

// bg.png decoded in a copy of this program started for it, with hard limits; the window waits for nothing.
#include "window/qt/background.h"

#include <QCoreApplication>
#include <QFile>
#include <QImageReader>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/qt/seams.h"
#include "window/layout.h"

namespace tav::qt {

namespace {

// Set only in the decoder's environment. An environment variable, not an argument: the
// program's arguments are the user's.
constexpr const char* kDecoderVariable = "TAVRINEL_BACKGROUND_DECODER";

// What the decoder may spend. Its memory: twice the decoded picture's bound, room for the
// picture and the decoder's own buffers (a progressive JPEG keeps every coefficient of the
// whole picture, as much again). Its time: a legitimate picture at the bound decodes and
// scales in well under a second here; a picture that takes longer than this is left white.
constexpr rlim_t kDecoderMemory = 2 * kMaxBackgroundBytes;
constexpr int kDecodeSeconds = 5;

constexpr qsizetype kPictureBytes = qsizetype{kWindowWidth} * kWindowHeight * 4;

// Lowers a limit of this process to `soft` and `hard`, or to the hard limit it already has.
// Called between fork and exec, so it makes system calls only.
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
  if (!std::getenv(kDecoderVariable)) return std::nullopt;
  try {
    return DecodeStdinToStdout() ? 0 : 1;
  } catch (...) {  // out of memory under the limit: the picture is simply not there
    return 1;
  }
}

BackgroundPicture::~BackgroundPicture() {
  if (!Decoding()) return;
  QObject::disconnect(&decoder_, nullptr, nullptr, nullptr);
  decoder_.kill();
  decoder_.waitForFinished(1000);
}

void BackgroundPicture::Start(ChecksumPlatform& platform) {
  // Opened here, as the checksum passes open files (a regular file only, without blocking, so
  // a FIFO named bg.png cannot hold anything up), and handed to the decoder as it is.
  const std::u16string name(kBackgroundFile, kBackgroundFile + std::strlen(kBackgroundFile));
  const Stream stream = platform.OpenStream(name.c_str());
  struct stat st{};
  if (!stream || ::fstat(::fileno(stream.get()), &st) != 0 ||
      static_cast<std::uint64_t>(st.st_size) > kMaxBackgroundBytes)
    return;

  // Runs in the new process between fork and exec, while this one's other threads may hold
  // locks that no longer exist there: system calls only. A decoder that cannot be limited,
  // or whose parent is already gone, does not run.
  const int file = ::fileno(stream.get());
  const pid_t parent = ::getpid();
  decoder_.setChildProcessModifier([file, parent] {
    if (::dup2(file, STDIN_FILENO) != STDIN_FILENO ||
        !Limit(RLIMIT_DATA, kDecoderMemory, kDecoderMemory) ||
        !Limit(RLIMIT_CPU, kDecodeSeconds, kDecodeSeconds + 1) ||  // then SIGXCPU, then SIGKILL
        !Limit(RLIMIT_CORE, 0, 0) || ::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 ||
        ::getppid() != parent)
      ::_exit(127);
  });
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QString::fromLatin1(kDecoderVariable), QStringLiteral("1"));
  decoder_.setProcessEnvironment(environment);
  decoder_.setStandardInputFile(QProcess::nullDevice());  // replaced by bg.png above
  decoder_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  QObject::connect(&decoder_, &QProcess::readyReadStandardOutput, &decoder_, [this] {
    pixels_ += decoder_.readAllStandardOutput();
    if (pixels_.size() > kPictureBytes) decoder_.kill();
  });
  QObject::connect(&decoder_, &QProcess::finished, &decoder_,
                   [this](int status, QProcess::ExitStatus how) { Finished(status, how); });

  // This very program, as it runs now (also when its file has been replaced since), or the
  // emulator the suites run it under.
  const QString& launcher = DecoderLauncherSeam::Program();
  if (launcher.isEmpty())
    decoder_.start(QStringLiteral("/proc/self/exe"), {});
  else
    decoder_.start(launcher, {QCoreApplication::applicationFilePath()});
  // The processor-time limit ends a decoder that works too long even while a long command
  // keeps this thread from its timers; this ends one that makes no progress at all.
  QTimer::singleShot(kDecodeSeconds * 1000, &decoder_, [this] { decoder_.kill(); });
}

void BackgroundPicture::Finished(int status, QProcess::ExitStatus how) {
  pixels_ += decoder_.readAllStandardOutput();
  if (how == QProcess::NormalExit && status == 0 && pixels_.size() == kPictureBytes) {
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

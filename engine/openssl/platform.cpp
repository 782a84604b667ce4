// Linux platform: files opened by their UTF-8 name, digests from OpenSSL 3's libcrypto (EVP).
#include <fcntl.h>
#include <openssl/evp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <string>

#include "engine/platform.h"
#include "engine/read_buffer.h"
#include "engine/text.h"

namespace tav {

namespace {

// Opens a regular file for reading. O_NONBLOCK keeps the open of a FIFO from waiting for a
// writer; anything but a regular file is refused, so a FIFO or /dev/zero never hangs a run.
int OpenRegularFile(const char16_t* path) {
  std::string narrow;
  if (!Utf16ToUtf8(TextView(path, kPathCapacity), &narrow) || narrow.empty()) return -1;
  const int fd = ::open(narrow.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return -1;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
      ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
    ::close(fd);
    return -1;
  }
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  return fd;
}

struct FdCloser {
  int fd;
  ~FdCloser() {
    if (fd >= 0) ::close(fd);
  }
};

const char* DigestName(Slot slot) {
  switch (slot) {
    case Slot::Md5: return "MD5";
    case Slot::Sha1: return "SHA1";
    case Slot::Sha256: return "SHA256";
    case Slot::Sha512: return "SHA512";
    case Slot::Crc32: break;
  }
  return nullptr;
}

// Large sequential reads keep the system-call cost far below the hashing cost; the digest
// is still handed the slot's own chunk size, straight out of this buffer.
constexpr std::size_t kReadBuffer = 256 * 1024;

class OpenSslPlatform final : public ChecksumPlatform {
 public:
  std::FILE* OpenStream(const char16_t* path) override {
    const int fd = OpenRegularFile(path);
    if (fd < 0) return nullptr;
    std::FILE* f = ::fdopen(fd, "rb");
    if (!f) ::close(fd);
    return f;
  }

  bool DigestFile(Slot slot, const char16_t* path, std::uint8_t* digest,
                  std::size_t* length) override {
    const char* name = DigestName(slot);
    if (!name) return false;
    FdCloser file{OpenRegularFile(path)};
    if (file.fd < 0) return false;

    std::unique_ptr<EVP_MD, decltype(&EVP_MD_free)> md(EVP_MD_fetch(nullptr, name, nullptr),
                                                       &EVP_MD_free);
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(),
                                                                &EVP_MD_CTX_free);
    if (!md || !ctx || !EVP_DigestInit_ex2(ctx.get(), md.get(), nullptr)) return false;

    const ReadBuffer buffer(kReadBuffer);
    const std::size_t chunk = InfoOf(slot).readChunk;
    for (;;) {
      const ssize_t got = ::read(file.fd, buffer.data(), buffer.size());
      if (got < 0) {
        if (errno == EINTR) continue;
        return false;  // a read error: what was read so far is not the file's digest
      }
      if (got == 0) break;
      for (std::size_t off = 0; off < static_cast<std::size_t>(got); off += chunk) {
        const std::size_t n = std::min(chunk, static_cast<std::size_t>(got) - off);
        if (!EVP_DigestUpdate(ctx.get(), buffer.data() + off, n)) return false;
      }
    }
    unsigned int size = 0;
    if (!EVP_DigestFinal_ex(ctx.get(), digest, &size)) return false;
    *length = size;
    return true;
  }
};

}  // namespace

ChecksumPlatform& DefaultPlatform() {
  static OpenSslPlatform platform;
  return platform;
}

}  // namespace tav

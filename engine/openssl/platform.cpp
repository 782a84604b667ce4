// Linux platform: regular files opened by their UTF-8 name, digests from OpenSSL 3's EVP.
#include <fcntl.h>
#include <openssl/evp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>

#include "engine/platform.h"
#include "engine/read_buffer.h"
#include "engine/text.h"

namespace tav {

namespace {

void CloseFd(int fd) { ::close(fd); }
using Fd = Owned<int, CloseFd, -1>;
using EvpMd = Owned<EVP_MD*, EVP_MD_free>;
using EvpMdCtx = Owned<EVP_MD_CTX*, EVP_MD_CTX_free>;

// Opens a regular file for reading. O_NONBLOCK keeps the open of a FIFO from waiting for a
// writer; anything but a regular file is refused, so a FIFO or /dev/zero never hangs a run.
Fd OpenRegularFile(const char16_t* path) {
  std::string narrow;
  if (!Utf16ToUtf8(TextView(path, kPathCapacity), &narrow) || narrow.empty()) return Fd();
  Fd fd(::open(narrow.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  struct stat st;
  if (!fd || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) ||
      ::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK) != 0)
    return Fd();
  ::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
  return fd;
}

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
  Stream OpenStream(const char16_t* path) override {
    Fd fd = OpenRegularFile(path);
    if (!fd) return Stream();
    // The stream takes the descriptor over only once it exists.
    Stream stream(::fdopen(fd.get(), "rb"));
    if (stream) fd.release();
    return stream;
  }

  std::optional<Digest> DigestFile(Slot slot, const char16_t* path) override {
    const char* name = DigestName(slot);
    if (!name) return std::nullopt;
    const Fd file = OpenRegularFile(path);
    if (!file) return std::nullopt;

    const EvpMd md(EVP_MD_fetch(nullptr, name, nullptr));
    const EvpMdCtx ctx(EVP_MD_CTX_new());
    if (!md || !ctx || !EVP_DigestInit_ex2(ctx.get(), md.get(), nullptr)) return std::nullopt;

    const ReadBuffer buffer(kReadBuffer);
    const std::size_t chunk = InfoOf(slot).readChunk;
    for (;;) {
      const ssize_t got = ::read(file.get(), buffer.data(), buffer.size());
      if (got < 0) {
        if (errno == EINTR) continue;
        return std::nullopt;  // a read error: what was read so far is not the file's digest
      }
      if (got == 0) break;
      for (std::size_t off = 0; off < static_cast<std::size_t>(got); off += chunk) {
        const std::size_t n = std::min(chunk, static_cast<std::size_t>(got) - off);
        if (!EVP_DigestUpdate(ctx.get(), buffer.data() + off, n)) return std::nullopt;
      }
    }
    Digest digest;
    const std::span<std::uint8_t> room = digest.Resize(EVP_MD_get_size(md.get()));
    unsigned int size = 0;
    if (room.empty() || !EVP_DigestFinal_ex(ctx.get(), room.data(), &size)) return std::nullopt;
    digest.Resize(size);
    return digest;
  }
};

}  // namespace

ChecksumPlatform& DefaultPlatform() {
  static OpenSslPlatform platform;
  return platform;
}

}  // namespace tav

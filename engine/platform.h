// What the checksum run needs from the operating system: opening the file and the digests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "engine/slots.h"

namespace tav {

inline constexpr std::size_t kMaxDigestBytes = 64;

class ChecksumPlatform {
 public:
  virtual ~ChecksumPlatform() = default;

  // Opens the selected path as a byte stream for reading ("rb"). Returns nullptr for
  // anything that is not an existing, readable regular file (missing, folder, FIFO, device,
  // a name that cannot be represented), so such a selection gets the missing-file warning.
  virtual std::FILE* OpenStream(const char16_t* path) = 0;

  // Reads the whole file at `path` through the platform digest of a digest slot (MD5,
  // SHA-1, SHA-256, SHA-512), handing it the slot's read chunk at a time. On success stores
  // the digest and its length and returns true; a failed open, a read error or a digest
  // failure returns false and the slot's result stays empty.
  virtual bool DigestFile(Slot slot, const char16_t* path, std::uint8_t* digest,
                          std::size_t* length) = 0;
};

// The platform's own implementation. Defined by the platform library
// (platform_openssl.cpp or platform_win32.cpp), never by the core: the programs that own a
// window call it and hand the result to the commands.
ChecksumPlatform& DefaultPlatform();

}  // namespace tav

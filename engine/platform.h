// What the checksum run needs from the operating system: opening the file and the digests.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>

#include "engine/owned.h"
#include "engine/slots.h"

namespace tav {

inline void CloseStream(std::FILE* stream) { std::fclose(stream); }
// A byte stream opened by the platform, closed when its owner goes.
using Stream = Owned<std::FILE*, CloseStream>;

// A finished digest: room for the longest a slot has (SHA-512's 64 bytes), and how many of
// them the provider wrote. A provider asks for room of the length it reports; a length that
// would not fit gets none, so no digest can be written past the end.
class Digest {
 public:
  static constexpr std::size_t kCapacity = 64;

  // Room for exactly `length` bytes, keeping those already there; empty (and the digest left
  // empty) when `length` does not fit.
  std::span<std::uint8_t> Resize(std::size_t length) {
    size_ = length <= kCapacity ? length : 0;
    return {bytes_.data(), size_};
  }
  std::span<const std::uint8_t> Bytes() const { return {bytes_.data(), size_}; }

 private:
  std::array<std::uint8_t, kCapacity> bytes_{};
  std::size_t size_ = 0;
};

class ChecksumPlatform {
 public:
  virtual ~ChecksumPlatform() = default;

  // Opens the selected path as a byte stream for reading ("rb"). Holds nothing for anything
  // that is not an existing, readable regular file (missing, folder, FIFO, device, a name
  // that cannot be represented), so such a selection gets the missing-file warning.
  virtual Stream OpenStream(const char16_t* path) = 0;

  // Reads the whole file at `path` through the platform digest of a digest slot (MD5,
  // SHA-1, SHA-256, SHA-512), handing it the slot's read chunk at a time. A failed open, a
  // read error or a digest failure gives nothing, and the slot's result stays empty.
  virtual std::optional<Digest> DigestFile(Slot slot, const char16_t* path) = 0;
};

// The platform's own implementation. Defined by the platform library (engine/openssl/ or
// engine/win32/), never by the core: the programs that own a window call it and hand the
// result to the commands.
ChecksumPlatform& DefaultPlatform();

}  // namespace tav

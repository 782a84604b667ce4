// What the checksum run needs from the operating system: opening the file and its five values.
#pragma once

#include <array>
#include <cstdio>
#include <optional>

#include "engine/digest.h"
#include "engine/owned.h"
#include "engine/slots.h"

namespace tav {

inline void CloseStream(std::FILE* stream) { std::fclose(stream); }
// A byte stream opened by the platform, closed when its owner goes.
using Stream = Owned<std::FILE*, CloseStream>;

// The five values of one file, in slot order (the CRC-32 as its four bytes, most significant
// first); nothing where a value could not be computed.
struct FileChecksums {
  std::array<std::optional<Digest>, kSlotCount> values;
  // The values were read from more than one file, or from one that changed between the reads:
  // none of them is the file's.
  bool changed = false;
};

class ChecksumPlatform {
 public:
  virtual ~ChecksumPlatform() = default;

  // Opens the selected path as a byte stream for reading ("rb"). Holds nothing for anything
  // that is not an existing, readable regular file (missing, folder, FIFO, device, a name
  // that cannot be represented), so such a selection gets the missing-file warning.
  virtual Stream OpenStream(const char16_t* path) = 0;

  // The five values of the file `stream` was opened on, which the platform takes over; `path`
  // is the selected path it was opened by. A read error or a digest failure leaves a value
  // empty; how the values are read (once for all five, or a pass each) is the platform's.
  virtual FileChecksums Checksums(Stream stream, const char16_t* path) = 0;
};

// The platform's own implementation. Defined by the platform library (engine/openssl/ or
// engine/win32/), never by the core: the programs that own a window call it and hand the
// result to the commands.
ChecksumPlatform& DefaultPlatform();

}  // namespace tav

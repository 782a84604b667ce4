// One read of a file feeds every checksum: blocks read once, each hashed by all on worker threads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "engine/digest.h"

namespace tav {

// One algorithm's running state. A run hands it the bytes in order, then asks for the digest;
// it is only ever used by one thread at a time.
class Checksum {
 public:
  virtual ~Checksum() = default;
  // False when the algorithm failed: its digest would describe no bytes at all.
  virtual bool Update(std::span<const std::uint8_t> bytes) = 0;
  virtual std::optional<Digest> Finish() = 0;
};

// CRC-32 on the fastest variant this CPU runs, as a Checksum.
class Crc32Checksum final : public Checksum {
 public:
  bool Update(std::span<const std::uint8_t> bytes) override;
  std::optional<Digest> Finish() override;

 private:
  std::uint32_t crc_ = 0;
};

// Reads the next bytes of the file into `into`: how many (0 at the end of the file), or -1 for
// a read error.
using ReadFn = std::function<std::ptrdiff_t(std::span<std::uint8_t> into)>;

struct OneReadShape {
  std::size_t blockBytes = std::size_t{1} << 20;  // each read fills one block
  std::size_t blocks = 4;                         // the ring: at most this many held at once
  unsigned workers = 1;                           // threads hashing (and reading)
};

// Every byte `read` yields, in order, goes to every checksum; each byte is read once. While a
// worker reads the next block, the others hash the blocks already read, each taking whichever
// checksum is furthest behind, so a slow algorithm never waits behind fast ones on its thread.
// A checksum may run ahead of the slowest by at most the ring. The threads are the call's own
// and end before it returns; the calling thread only waits.
// Returns the digests in the checksums' order, or nothing when a read or any checksum failed:
// digests of some of the bytes, or of different bytes, are no file's checksums.
std::optional<std::vector<Digest>> ReadOnceIntoAll(const ReadFn& read,
                                                   std::span<Checksum* const> checksums,
                                                   const OneReadShape& shape);

}  // namespace tav

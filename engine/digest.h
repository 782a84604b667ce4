// A finished checksum as bytes: what every algorithm, ours or the platform's, hands back.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace tav {

// Room for the longest a slot has (SHA-512's 64 bytes), and how many of them were written. A
// provider asks for room of the length it reports; a length that would not fit gets none, so no
// digest can be written past the end.
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

// A CRC-32 as a digest: its four bytes, the most significant first (as gzip's and zlib's
// documentation and every checksum list write it).
inline Digest Crc32Digest(std::uint32_t crc) {
  Digest digest;
  std::span<std::uint8_t> bytes = digest.Resize(4);
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
  return digest;
}

inline std::uint32_t Crc32OfDigest(const Digest& digest) {
  std::uint32_t crc = 0;
  for (std::uint8_t byte : digest.Bytes()) crc = crc << 8 | byte;
  return crc;
}

}  // namespace tav

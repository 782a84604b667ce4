// CRC-32 (reflected polynomial 0xEDB88320, the CRC of zlib and PNG): table code and dispatch.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace tav {

// The 256-entry table, built afresh by each caller that wants one.
void BuildCrc32Table(std::uint32_t table[256]);

// Continues a CRC over `size` bytes. `crc` is the finished CRC of the bytes before (0 to
// start); so Crc32(Crc32(0, a), b) == Crc32(0, a + b).
using Crc32Fn = std::uint32_t (*)(std::uint32_t crc, const std::uint8_t* data, std::size_t size);

// Byte-at-a-time over the table above: the reference.
std::uint32_t Crc32Bytewise(std::uint32_t crc, const std::uint8_t* data, std::size_t size);
// Slicing-by-8 over tables derived from the same table; bit-identical to the reference.
std::uint32_t Crc32Slice8(std::uint32_t crc, const std::uint8_t* data, std::size_t size);

// The fastest variant this CPU runs, chosen once on first use.
std::uint32_t Crc32(std::uint32_t crc, const std::uint8_t* data, std::size_t size);

// Every variant compiled in, slowest first, for the dispatch, the tests and the benchmark.
struct Crc32Variant {
  const char* name;
  Crc32Fn fn;
  bool (*supported)();  // whether this CPU and operating system can run it
};
std::span<const Crc32Variant> Crc32Variants();

}  // namespace tav

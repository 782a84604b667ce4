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

// The CPU features the fast variants run on, one bit each, so that a test can hide one.
enum Crc32Feature : unsigned {
  kCrc32FeatureClmul = 1u << 0,        // x86-64: PCLMULQDQ and SSE4.1
  kCrc32FeatureVpclmulAvx2 = 1u << 1,  // x86-64: VPCLMULQDQ on 256-bit registers, with AVX2
  kCrc32FeatureArmCrc = 1u << 2,       // arm64: the CRC32 instructions
  kCrc32FeaturePmull = 1u << 3,        // arm64: PMULL, 64-bit carry-less multiplication
};

// What this CPU and operating system offer, read once.
unsigned Crc32CpuFeatures();

// Every variant compiled in, slowest first, for the dispatch, the tests and the benchmark.
struct Crc32Variant {
  const char* name;
  Crc32Fn fn;
  unsigned needs;  // the Crc32Feature bits it runs on; 0 for the portable code
  bool RunsOn(unsigned features) const { return (needs & features) == needs; }
};
std::span<const Crc32Variant> Crc32Variants();

// The variant Crc32() uses where `features` are offered: the last one that runs on them.
const Crc32Variant& PickCrc32(unsigned features);

}  // namespace tav

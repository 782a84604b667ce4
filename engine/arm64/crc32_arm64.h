// The arm64 CRC-32 kernels and their CPU check, compiled only with GCC or Clang on arm64 Linux.
#pragma once

#include <cstddef>
#include <cstdint>

// The kernels themselves run on any arm64 system; the check reads Linux's auxiliary vector.
#if defined(__aarch64__) && defined(__linux__) && (defined(__GNUC__) || defined(__clang__))
#define TAVRINEL_HAVE_CRC32_ARM64 1
#else
#define TAVRINEL_HAVE_CRC32_ARM64 0
#endif

namespace tav {
#if TAVRINEL_HAVE_CRC32_ARM64
// The Crc32Feature bits (engine/crc32.h) that an AT_HWCAP word offers: HWCAP_CRC32 gives the
// CRC32 instructions, HWCAP_PMULL the 64-bit carry-less multiply.
unsigned Arm64Crc32Features(unsigned long hwcap);
// The same for this CPU, from getauxval(AT_HWCAP).
unsigned Arm64Crc32Features();

// Same contract as Crc32(): continue the finished CRC `crc` over `size` bytes.
// On the CRC32 instructions, eight bytes at a time.
std::uint32_t Crc32Armv8(std::uint32_t crc, const std::uint8_t* data, std::size_t size);
// Folding four 16-byte lanes with PMULL; needs PMULL only, not the CRC32 instructions.
std::uint32_t Crc32Pmull(std::uint32_t crc, const std::uint8_t* data, std::size_t size);
#endif
}  // namespace tav

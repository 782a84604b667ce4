// Carry-less-multiply CRC-32 variants, compiled only for x86-64 with GCC or Clang.
#pragma once

#include <cstddef>
#include <cstdint>

#if (defined(__x86_64__) || defined(_M_X64)) && (defined(__GNUC__) || defined(__clang__))
#define TAVRINEL_HAVE_CRC32_CLMUL 0  // switched on once the folding code lands
#else
#define TAVRINEL_HAVE_CRC32_CLMUL 0
#endif

namespace tav {
#if TAVRINEL_HAVE_CRC32_CLMUL
bool CpuHasClmul();
bool CpuHasVpclmul();
std::uint32_t Crc32Clmul(std::uint32_t crc, const std::uint8_t* data, std::size_t size);
std::uint32_t Crc32Vpclmul(std::uint32_t crc, const std::uint8_t* data, std::size_t size);
#endif
}  // namespace tav

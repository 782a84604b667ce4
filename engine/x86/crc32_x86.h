// The x86-64 CRC-32 kernels and their CPU checks, compiled only with GCC or Clang on x86-64.
#pragma once

#include <cstddef>
#include <cstdint>

#if (defined(__x86_64__) || defined(_M_X64)) && (defined(__GNUC__) || defined(__clang__))
#define TAVRINEL_HAVE_CRC32_CLMUL 1
// MinGW's GCC does not realign the stack for 32- and 64-byte vector spills, so a wide
// variant could fault there; that build keeps the 128-bit folding only.
#if !defined(_WIN32) || defined(__clang__)
#define TAVRINEL_HAVE_CRC32_VPCLMUL 1
#else
#define TAVRINEL_HAVE_CRC32_VPCLMUL 0
#endif
#else
#define TAVRINEL_HAVE_CRC32_CLMUL 0
#define TAVRINEL_HAVE_CRC32_VPCLMUL 0
#endif

namespace tav {
#if TAVRINEL_HAVE_CRC32_CLMUL
// What the CPU offers and the operating system saves across context switches.
bool CpuHasClmul();         // PCLMULQDQ and SSE4.1
bool CpuHasVpclmulAvx2();   // VPCLMULQDQ on 256-bit registers, with AVX2

// Same contract as Crc32(): continue the finished CRC `crc` over `size` bytes.
std::uint32_t Crc32Clmul(std::uint32_t crc, const std::uint8_t* data, std::size_t size);
#if TAVRINEL_HAVE_CRC32_VPCLMUL
std::uint32_t Crc32VpclmulAvx2(std::uint32_t crc, const std::uint8_t* data, std::size_t size);
#endif
#endif
}  // namespace tav

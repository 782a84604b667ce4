// The constants of CRC-32 folding by carry-less multiplication, derived from the polynomial.
//
// The message is held as a polynomial over GF(2), bit-reflected as this CRC reads it: in a
// 16-byte block loaded little-endian, the first bit of the stream is the highest power.
// Folding replaces a block A that lies F bits before the end of the data folded so far by
// A_hi * (x^(F+64) mod P) + A_lo * (x^F mod P), which is congruent modulo P and 64 bits
// shorter; the products land exactly on the block they are XORed into. What is left at the
// end is reduced to 32 bits with one 64-bit fold and a Barrett reduction. Every CPU's folding
// kernel uses these; they are computed at compile time, so none of them is a magic number.
#pragma once

#include <cstdint>

namespace tav::crc32_fold {

// x^32 + x^26 + ... + 1, the CRC-32 polynomial in normal (unreflected) order.
inline constexpr std::uint64_t kPoly = 0x104C11DB7u;

// x^n mod P, normal order.
constexpr std::uint64_t XPowModP(unsigned n) {
  std::uint64_t r = 1;
  for (unsigned i = 0; i < n; ++i) {
    r <<= 1;
    if (r & (std::uint64_t{1} << 32)) r ^= kPoly;
  }
  return r;
}

// Reverses the low `bits` bits of v.
constexpr std::uint64_t Reflect(std::uint64_t v, unsigned bits) {
  std::uint64_t r = 0;
  for (unsigned i = 0; i < bits; ++i)
    if (v & (std::uint64_t{1} << i)) r |= std::uint64_t{1} << (bits - 1 - i);
  return r;
}

// The multiplier that moves a 64-bit half forward by `bits` bits within the reflected
// 128-bit frame. The carry-less product of two reflected values comes out one bit low and
// the constant is kept 33 bits wide, which together account for the "- 32".
constexpr std::uint64_t Fold(unsigned bits) { return Reflect(XPowModP(bits - 32), 32) << 1; }

// floor(x^64 / P), the Barrett constant, normal order (33 bits): long division, one bit of the
// dividend x^64 brought down at a time.
constexpr std::uint64_t BarrettMu() {
  std::uint64_t remainder = 0, quotient = 0;
  for (int i = 64; i >= 0; --i) {
    remainder = (remainder << 1) | (i == 64 ? 1 : 0);
    if (remainder & (std::uint64_t{1} << 32)) {
      remainder ^= kPoly;
      quotient |= std::uint64_t{1} << i;
    }
  }
  return quotient;
}

// Folding distances: 4 x 128 bits (the 128-bit loop), 128 bits (one block), and the wide
// loops' strides.
inline constexpr std::uint64_t kFold512Lo = Fold(512 + 64), kFold512Hi = Fold(512);
inline constexpr std::uint64_t kFold128Lo = Fold(128 + 64), kFold128Hi = Fold(128);
inline constexpr std::uint64_t kFold1024Lo = Fold(1024 + 64), kFold1024Hi = Fold(1024);
inline constexpr std::uint64_t kFold256Lo = Fold(256 + 64), kFold256Hi = Fold(256);
inline constexpr std::uint64_t kFold96 = Fold(96);  // the upper 32 of 96 bits onto the lower 64
inline constexpr std::uint64_t kPolyReflected = Reflect(kPoly, 33);
inline constexpr std::uint64_t kMuReflected = Reflect(BarrettMu(), 33);

// The same values as published for this polynomial in Intel's "Fast CRC Computation for
// Generic Polynomials Using PCLMULQDQ" and used by zlib and Linux: a check on the derivation.
static_assert(kFold512Lo == 0x154442bd4u && kFold512Hi == 0x1c6e41596u);
static_assert(kFold128Lo == 0x1751997d0u && kFold128Hi == 0x0ccaa009eu);
static_assert(kFold96 == 0x163cd6124u);
static_assert(kPolyReflected == 0x1db710641u && kMuReflected == 0x1f7011641u);

}  // namespace tav::crc32_fold

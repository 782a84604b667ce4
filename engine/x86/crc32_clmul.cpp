// CRC-32 by carry-less multiplication: folding 16 or 32 bytes per multiply, then a Barrett reduction.
//
// The message is held as a polynomial over GF(2), bit-reflected as this CRC reads it: in a
// 16-byte block loaded little-endian, the first bit of the stream is the highest power.
// Folding replaces a block A that lies F bits before the end of the data folded so far by
// A_hi * (x^(F+64) mod P) + A_lo * (x^F mod P), which is congruent modulo P and 64 bits
// shorter; the products land exactly on the block they are XORed into. Several blocks are
// folded side by side so the multiplier's latency is hidden. What is left at the end is
// reduced to 32 bits with one 64-bit fold and a Barrett reduction. The constants below are
// derived from the polynomial at compile time, so none of them is a magic number.
#include "engine/x86/crc32_x86.h"

#if TAVRINEL_HAVE_CRC32_CLMUL

#include <cpuid.h>
#include <immintrin.h>

#include "engine/crc32.h"

namespace tav {

namespace {

// x^32 + x^26 + ... + 1, the CRC-32 polynomial in normal (unreflected) order.
constexpr std::uint64_t kPoly = 0x104C11DB7u;

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

// floor(x^64 / P), the Barrett constant, normal order (33 bits).
constexpr std::uint64_t BarrettMu() {
  unsigned __int128 r = static_cast<unsigned __int128>(1) << 64;
  std::uint64_t q = 0;
  for (int i = 64; i >= 32; --i) {
    if (r & (static_cast<unsigned __int128>(1) << i)) {
      q |= std::uint64_t{1} << (i - 32);
      r ^= static_cast<unsigned __int128>(kPoly) << (i - 32);
    }
  }
  return q;
}

// Folding distances: 4 x 128 bits (the 128-bit loop), 128 bits (one block), and the wide
// loops' strides.
constexpr std::uint64_t kFold512Lo = Fold(512 + 64), kFold512Hi = Fold(512);
constexpr std::uint64_t kFold128Lo = Fold(128 + 64), kFold128Hi = Fold(128);
constexpr std::uint64_t kFold1024Lo = Fold(1024 + 64), kFold1024Hi = Fold(1024);
constexpr std::uint64_t kFold256Lo = Fold(256 + 64), kFold256Hi = Fold(256);
constexpr std::uint64_t kFold96 = Fold(96);  // the upper 32 of 96 bits onto the lower 64
constexpr std::uint64_t kPolyReflected = Reflect(kPoly, 33);
constexpr std::uint64_t kMuReflected = Reflect(BarrettMu(), 33);

// The same values as published for this polynomial in Intel's "Fast CRC Computation for
// Generic Polynomials Using PCLMULQDQ" and used by zlib and Linux: a check on the derivation.
static_assert(kFold512Lo == 0x154442bd4u && kFold512Hi == 0x1c6e41596u);
static_assert(kFold128Lo == 0x1751997d0u && kFold128Hi == 0x0ccaa009eu);
static_assert(kFold96 == 0x163cd6124u);
static_assert(kPolyReflected == 0x1db710641u && kMuReflected == 0x1f7011641u);

#define TAV_TARGET_CLMUL __attribute__((target("pclmul,sse4.1")))

TAV_TARGET_CLMUL inline __m128i Constants(std::uint64_t lo, std::uint64_t hi) {
  return _mm_set_epi64x(static_cast<long long>(hi), static_cast<long long>(lo));
}

// x moved forward by the distance in k (lo constant for x's low half, hi for its high
// half), XORed onto the block `next` that sits at that distance.
TAV_TARGET_CLMUL inline __m128i Fold128(__m128i x, __m128i k, __m128i next) {
  const __m128i lo = _mm_clmulepi64_si128(x, k, 0x00);
  const __m128i hi = _mm_clmulepi64_si128(x, k, 0x11);
  return _mm_xor_si128(_mm_xor_si128(lo, hi), next);
}

TAV_TARGET_CLMUL inline __m128i Load128(const std::uint8_t* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// The CRC register for the 128 bits in x followed by nothing: (x * x^32) mod P.
TAV_TARGET_CLMUL inline std::uint32_t Reduce128(__m128i x) {
  const __m128i mask32 = _mm_setr_epi32(-1, 0, -1, 0);
  // 128 -> 96 bits: the low half (earlier bytes) moves onto the high half.
  __m128i t = _mm_clmulepi64_si128(x, Constants(0, kFold128Hi), 0x10);
  x = _mm_xor_si128(_mm_srli_si128(x, 8), t);
  // 96 -> 64 bits.
  t = _mm_srli_si128(x, 4);
  x = _mm_clmulepi64_si128(_mm_and_si128(x, mask32), Constants(kFold96, 0), 0x00);
  x = _mm_xor_si128(x, t);
  // Barrett: q = floor(x / x^32) * mu / x^32, remainder = x - q * P.
  const __m128i pmu = Constants(kPolyReflected, kMuReflected);
  t = _mm_clmulepi64_si128(_mm_and_si128(x, mask32), pmu, 0x10);
  t = _mm_clmulepi64_si128(_mm_and_si128(t, mask32), pmu, 0x00);
  x = _mm_xor_si128(x, t);
  return static_cast<std::uint32_t>(_mm_extract_epi32(x, 1));
}

// Folds the remaining whole 16-byte blocks into x, reduces, and runs the last 0..15 bytes
// through the table code. Returns the finished CRC.
TAV_TARGET_CLMUL inline std::uint32_t Finish128(__m128i x, const std::uint8_t* p, std::size_t n) {
  const __m128i k128 = Constants(kFold128Lo, kFold128Hi);
  for (; n >= 16; p += 16, n -= 16) x = Fold128(x, k128, Load128(p));
  return Crc32Slice8(~Reduce128(x), p, n);
}

#if TAVRINEL_HAVE_CRC32_VPCLMUL
#define TAV_TARGET_AVX2 __attribute__((target("avx2,vpclmulqdq,pclmul,sse4.1")))

TAV_TARGET_AVX2 inline __m256i Fold256(__m256i x, __m256i k, __m256i next) {
  const __m256i lo = _mm256_clmulepi64_epi128(x, k, 0x00);
  const __m256i hi = _mm256_clmulepi64_epi128(x, k, 0x11);
  return _mm256_xor_si256(_mm256_xor_si256(lo, hi), next);
}

TAV_TARGET_AVX2 inline __m256i Load256(const std::uint8_t* p) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}
#endif

// CPUID leaf 1 ECX and leaf 7 EBX/ECX bits, and the XCR0 state bits the OS must save.
constexpr unsigned kEcx1Sse41 = 1u << 19, kEcx1Pclmul = 1u << 1, kEcx1Osxsave = 1u << 27,
                   kEcx1Avx = 1u << 28;
constexpr unsigned kEbx7Avx2 = 1u << 5, kEcx7Vpclmul = 1u << 10;
constexpr std::uint64_t kXcr0Ymm = 0x6;

struct CpuFeatures {
  bool clmul = false, vpclmulAvx2 = false;
  CpuFeatures() {
    unsigned a, b, c, d;
    if (!__get_cpuid(1, &a, &b, &c, &d)) return;
    clmul = (c & kEcx1Pclmul) && (c & kEcx1Sse41);
    if (!clmul || !(c & kEcx1Osxsave) || !(c & kEcx1Avx)) return;
    unsigned lo, hi;
    __asm__("xgetbv" : "=a"(lo), "=d"(hi) : "c"(0));
    const std::uint64_t xcr0 = (static_cast<std::uint64_t>(hi) << 32) | lo;
    unsigned a7, b7, c7, d7;
    if (!__get_cpuid_count(7, 0, &a7, &b7, &c7, &d7)) return;
    vpclmulAvx2 = (c7 & kEcx7Vpclmul) && (b7 & kEbx7Avx2) && (xcr0 & kXcr0Ymm) == kXcr0Ymm;
  }
};

const CpuFeatures& Features() {
  static const CpuFeatures features;
  return features;
}

}  // namespace

bool CpuHasClmul() { return Features().clmul; }
bool CpuHasVpclmulAvx2() { return Features().vpclmulAvx2; }

// Four 16-byte lanes folded 64 bytes at a time.
TAV_TARGET_CLMUL std::uint32_t Crc32Clmul(std::uint32_t crc, const std::uint8_t* p,
                                          std::size_t n) {
  if (n < 64) return Crc32Slice8(crc, p, n);
  // The register's starting value is the same as XORing it into the first four bytes.
  __m128i x0 = _mm_xor_si128(Load128(p), _mm_cvtsi32_si128(static_cast<int>(~crc)));
  __m128i x1 = Load128(p + 16), x2 = Load128(p + 32), x3 = Load128(p + 48);
  p += 64;
  n -= 64;
  const __m128i k512 = Constants(kFold512Lo, kFold512Hi);
  for (; n >= 64; p += 64, n -= 64) {
    x0 = Fold128(x0, k512, Load128(p));
    x1 = Fold128(x1, k512, Load128(p + 16));
    x2 = Fold128(x2, k512, Load128(p + 32));
    x3 = Fold128(x3, k512, Load128(p + 48));
  }
  const __m128i k128 = Constants(kFold128Lo, kFold128Hi);
  __m128i x = Fold128(x0, k128, x1);
  x = Fold128(x, k128, x2);
  x = Fold128(x, k128, x3);
  return Finish128(x, p, n);
}

#if TAVRINEL_HAVE_CRC32_VPCLMUL

// Four 32-byte registers folded 128 bytes at a time.
TAV_TARGET_AVX2 std::uint32_t Crc32VpclmulAvx2(std::uint32_t crc, const std::uint8_t* p,
                                               std::size_t n) {
  if (n < 256) return Crc32Clmul(crc, p, n);
  __m256i y0 = _mm256_xor_si256(Load256(p), _mm256_zextsi128_si256(
                                                _mm_cvtsi32_si128(static_cast<int>(~crc))));
  __m256i y1 = Load256(p + 32), y2 = Load256(p + 64), y3 = Load256(p + 96);
  p += 128;
  n -= 128;
  const __m256i k1024 = _mm256_broadcastsi128_si256(Constants(kFold1024Lo, kFold1024Hi));
  for (; n >= 128; p += 128, n -= 128) {
    y0 = Fold256(y0, k1024, Load256(p));
    y1 = Fold256(y1, k1024, Load256(p + 32));
    y2 = Fold256(y2, k1024, Load256(p + 64));
    y3 = Fold256(y3, k1024, Load256(p + 96));
  }
  const __m256i k256 = _mm256_broadcastsi128_si256(Constants(kFold256Lo, kFold256Hi));
  __m256i y = Fold256(y0, k256, y1);
  y = Fold256(y, k256, y2);
  y = Fold256(y, k256, y3);
  for (; n >= 32; p += 32, n -= 32) y = Fold256(y, k256, Load256(p));
  const __m128i k128 = Constants(kFold128Lo, kFold128Hi);
  const __m128i x = Fold128(_mm256_castsi256_si128(y), k128, _mm256_extracti128_si256(y, 1));
  return Finish128(x, p, n);
}

#endif  // TAVRINEL_HAVE_CRC32_VPCLMUL

}  // namespace tav

#endif  // TAVRINEL_HAVE_CRC32_CLMUL

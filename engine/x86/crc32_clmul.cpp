// CRC-32 on x86-64 by carry-less multiplication (PCLMULQDQ, VPCLMULQDQ), and the CPU check.
//
// Several 16-byte blocks are folded side by side so the multiplier's latency is hidden, then
// reduced to 32 bits; engine/crc32_fold.h derives the constants and says how folding works.
#include "engine/x86/crc32_x86.h"

#if TAVRINEL_HAVE_CRC32_CLMUL

#include <cpuid.h>
#include <immintrin.h>

#include "engine/crc32.h"
#include "engine/crc32_fold.h"

namespace tav {

namespace {

using namespace crc32_fold;

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

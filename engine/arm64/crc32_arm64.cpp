// CRC-32 on arm64: the ARMv8 CRC32 instructions, PMULL folding, and the CPU check.
//
// Each kernel is compiled for its extension by a per-function target attribute, so the rest
// of the program stays plain ARMv8.0 and runs on every arm64 CPU; the dispatch calls a kernel
// only where the kernel's HWCAP bit is set. GCC 12 wants the extension written with a "+".
#include "engine/arm64/crc32_arm64.h"

#if TAVRINEL_HAVE_CRC32_ARM64

#include <arm_acle.h>
#include <arm_neon.h>
#include <asm/hwcap.h>
#include <sys/auxv.h>

#include <bit>
#include <cstring>

#include "engine/crc32.h"
#include "engine/crc32_fold.h"

namespace tav {

// Both kernels read words and lanes with the stream's first byte lowest, as the CRC32
// instructions and the folding's reflected frame expect: arm64 Linux is little-endian.
static_assert(std::endian::native == std::endian::little, "arm64 CRC kernels assume little-endian");

unsigned Arm64Crc32Features(unsigned long hwcap) {
  unsigned features = 0;
  if (hwcap & HWCAP_CRC32) features |= kCrc32FeatureArmCrc;
  if (hwcap & HWCAP_PMULL) features |= kCrc32FeaturePmull;
  return features;
}

unsigned Arm64Crc32Features() { return Arm64Crc32Features(getauxval(AT_HWCAP)); }

namespace {

// Unaligned loads through memcpy: one plain LDR each, which arm64 allows at any address.
template <typename T>
inline T LoadLe(const std::uint8_t* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

}  // namespace

#define TAV_TARGET_CRC __attribute__((target("+crc")))

// Clang before 16 declares the ACLE CRC functions only when the whole file is built for +crc;
// its builtins serve a function that targets +crc alone.
#if defined(__clang__)
#define TAV_CRC32B __builtin_arm_crc32b
#define TAV_CRC32H __builtin_arm_crc32h
#define TAV_CRC32W __builtin_arm_crc32w
#define TAV_CRC32D __builtin_arm_crc32d
#else
#define TAV_CRC32B __crc32b
#define TAV_CRC32H __crc32h
#define TAV_CRC32W __crc32w
#define TAV_CRC32D __crc32d
#endif

// One CRC32X per eight bytes. Every step waits for the one before, so the loop runs at the
// instruction's latency; unrolling only saves the loop's own count and branch. No alignment
// step: an unaligned word costs at most a cycle more where it crosses a cache line, less than
// the latency the chain already waits.
TAV_TARGET_CRC std::uint32_t Crc32Armv8(std::uint32_t crc, const std::uint8_t* p,
                                        std::size_t n) {
  std::uint32_t v = ~crc;
  for (; n >= 32; p += 32, n -= 32) {
    v = TAV_CRC32D(v, LoadLe<std::uint64_t>(p));
    v = TAV_CRC32D(v, LoadLe<std::uint64_t>(p + 8));
    v = TAV_CRC32D(v, LoadLe<std::uint64_t>(p + 16));
    v = TAV_CRC32D(v, LoadLe<std::uint64_t>(p + 24));
  }
  for (; n >= 8; p += 8, n -= 8) v = TAV_CRC32D(v, LoadLe<std::uint64_t>(p));
  if (n & 4) {
    v = TAV_CRC32W(v, LoadLe<std::uint32_t>(p));
    p += 4;
  }
  if (n & 2) {
    v = TAV_CRC32H(v, LoadLe<std::uint16_t>(p));
    p += 2;
  }
  if (n & 1) v = TAV_CRC32B(v, *p);
  return ~v;
}

namespace {

using namespace crc32_fold;

#define TAV_TARGET_PMULL __attribute__((target("+crypto")))

TAV_TARGET_PMULL inline uint64x2_t Constants(std::uint64_t lo, std::uint64_t hi) {
  return vcombine_u64(vcreate_u64(lo), vcreate_u64(hi));
}

TAV_TARGET_PMULL inline uint64x2_t Load128(const std::uint8_t* p) {
  return vreinterpretq_u64_u8(vld1q_u8(p));
}

// The 128-bit carry-less product of two 64-bit values.
TAV_TARGET_PMULL inline uint64x2_t Clmul(std::uint64_t a, std::uint64_t b) {
  return vreinterpretq_u64_p128(vmull_p64(static_cast<poly64_t>(a), static_cast<poly64_t>(b)));
}

// x moved forward by the distance in k (lo constant for x's low half, hi for its high
// half), XORed onto the block `next` that sits at that distance.
TAV_TARGET_PMULL inline uint64x2_t Fold128(uint64x2_t x, uint64x2_t k, uint64x2_t next) {
  const uint64x2_t lo = Clmul(vgetq_lane_u64(x, 0), vgetq_lane_u64(k, 0));
  const uint64x2_t hi = vreinterpretq_u64_p128(
      vmull_high_p64(vreinterpretq_p64_u64(x), vreinterpretq_p64_u64(k)));
  return veorq_u64(veorq_u64(lo, hi), next);
}

// The CRC register for the 128 bits in x followed by nothing: (x * x^32) mod P. From 96 bits
// on everything fits a 64-bit register, so the steps after the first work on scalars.
TAV_TARGET_PMULL inline std::uint32_t Reduce128(uint64x2_t x) {
  constexpr std::uint64_t kLow32 = 0xFFFFFFFFu;
  // 128 -> 96 bits: the low half (earlier bytes) moves onto the high half.
  const uint64x2_t t = Clmul(vgetq_lane_u64(x, 0), kFold128Hi);
  const std::uint64_t lo = vgetq_lane_u64(t, 0) ^ vgetq_lane_u64(x, 1);
  const std::uint64_t hi = vgetq_lane_u64(t, 1);  // 32 bits
  // 96 -> 64 bits: the lowest 32 move onto the 64 above them.
  std::uint64_t r = vgetq_lane_u64(Clmul(lo & kLow32, kFold96), 0) ^ (lo >> 32 | hi << 32);
  // Barrett: q = floor(r / x^32) * mu / x^32, remainder = r - q * P, in the upper 32 bits.
  const std::uint64_t q = vgetq_lane_u64(Clmul(r & kLow32, kMuReflected), 0);
  r ^= vgetq_lane_u64(Clmul(q & kLow32, kPolyReflected), 0);
  return static_cast<std::uint32_t>(r >> 32);
}

}  // namespace

// Four 16-byte lanes folded 64 bytes at a time, then one lane, then the Barrett reduction;
// the last 0..15 bytes, and inputs too short to fill the lanes, go through the table code,
// which keeps this kernel to PMULL alone (some CPUs have one of the two extensions only).
TAV_TARGET_PMULL std::uint32_t Crc32Pmull(std::uint32_t crc, const std::uint8_t* p,
                                          std::size_t n) {
  if (n < 64) return Crc32Slice8(crc, p, n);
  // The register's starting value is the same as XORing it into the first four bytes.
  uint64x2_t x0 = veorq_u64(Load128(p), Constants(~crc, 0));
  uint64x2_t x1 = Load128(p + 16), x2 = Load128(p + 32), x3 = Load128(p + 48);
  p += 64;
  n -= 64;
  const uint64x2_t k512 = Constants(kFold512Lo, kFold512Hi);
  for (; n >= 64; p += 64, n -= 64) {
    x0 = Fold128(x0, k512, Load128(p));
    x1 = Fold128(x1, k512, Load128(p + 16));
    x2 = Fold128(x2, k512, Load128(p + 32));
    x3 = Fold128(x3, k512, Load128(p + 48));
  }
  const uint64x2_t k128 = Constants(kFold128Lo, kFold128Hi);
  uint64x2_t x = Fold128(x0, k128, x1);
  x = Fold128(x, k128, x2);
  x = Fold128(x, k128, x3);
  for (; n >= 16; p += 16, n -= 16) x = Fold128(x, k128, Load128(p));
  return Crc32Slice8(~Reduce128(x), p, n);
}

}  // namespace tav

#endif  // TAVRINEL_HAVE_CRC32_ARM64

// CRC-32 table code: the byte-at-a-time reference, slicing-by-8, and the one-time dispatch.
#include "engine/crc32.h"

#include <bit>
#include <cstring>

#include "engine/arm64/crc32_arm64.h"
#include "engine/x86/crc32_x86.h"

namespace tav {

void BuildCrc32Table(std::uint32_t table[256]) {
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t v = i;
    for (int k = 0; k < 8; ++k) v = (v & 1) ? (v >> 1) ^ 0xEDB88320u : v >> 1;
    table[i] = v;
  }
}

std::uint32_t Crc32Bytewise(std::uint32_t crc, const std::uint8_t* data, std::size_t size) {
  std::uint32_t table[256];
  BuildCrc32Table(table);
  std::uint32_t v = ~crc;
  for (std::size_t i = 0; i < size; ++i) v = (v >> 8) ^ table[(v ^ data[i]) & 0xFF];
  return ~v;
}

namespace {

// Eight tables derived from the byte table: t[k][b] is the CRC contribution of byte b
// followed by k zero bytes. Built once; they are pure functions of the polynomial.
struct SliceTables {
  std::uint32_t t[8][256];
  SliceTables() {
    BuildCrc32Table(t[0]);
    for (int b = 0; b < 256; ++b)
      for (int k = 1; k < 8; ++k) t[k][b] = (t[k - 1][b] >> 8) ^ t[0][t[k - 1][b] & 0xFF];
  }
};

const SliceTables& Slices() {
  static const SliceTables tables;
  return tables;
}

}  // namespace

// The word loads below put the block's first byte in the low byte of `lo`: little-endian.
static_assert(std::endian::native == std::endian::little, "slicing-by-8 assumes little-endian");

std::uint32_t Crc32Slice8(std::uint32_t crc, const std::uint8_t* data, std::size_t size) {
  const auto& t = Slices().t;
  std::uint32_t v = ~crc;
  while (size >= 8) {
    std::uint32_t lo, hi;
    std::memcpy(&lo, data, 4);
    std::memcpy(&hi, data + 4, 4);
    // Little-endian loads: the first byte of the block is the low byte of `lo`.
    lo ^= v;
    v = t[7][lo & 0xFF] ^ t[6][(lo >> 8) & 0xFF] ^ t[5][(lo >> 16) & 0xFF] ^ t[4][lo >> 24] ^
        t[3][hi & 0xFF] ^ t[2][(hi >> 8) & 0xFF] ^ t[1][(hi >> 16) & 0xFF] ^ t[0][hi >> 24];
    data += 8;
    size -= 8;
  }
  while (size--) v = (v >> 8) ^ t[0][(v ^ *data++) & 0xFF];
  return ~v;
}

namespace {

constexpr Crc32Variant kVariants[] = {
    {"bytewise", Crc32Bytewise, 0},
    {"slice8", Crc32Slice8, 0},
#if TAVRINEL_HAVE_CRC32_CLMUL
    {"clmul", Crc32Clmul, kCrc32FeatureClmul},
#if TAVRINEL_HAVE_CRC32_VPCLMUL
    // Short inputs go on to Crc32Clmul, so it needs both.
    {"vpclmul-avx2", Crc32VpclmulAvx2, kCrc32FeatureClmul | kCrc32FeatureVpclmulAvx2},
#endif
#endif
#if TAVRINEL_HAVE_CRC32_ARM64
    // Folding keeps four multiplications in flight where the CRC32 instructions wait on each
    // other, so pmull comes last; bench/run.sh measures both on a real CPU.
    {"armv8-crc", Crc32Armv8, kCrc32FeatureArmCrc},
    {"pmull", Crc32Pmull, kCrc32FeaturePmull},
#endif
};

unsigned ReadCpuFeatures() {
  unsigned features = 0;
#if TAVRINEL_HAVE_CRC32_CLMUL
  if (CpuHasClmul()) features |= kCrc32FeatureClmul;
  if (CpuHasVpclmulAvx2()) features |= kCrc32FeatureVpclmulAvx2;
#endif
#if TAVRINEL_HAVE_CRC32_ARM64
  features |= Arm64Crc32Features();
#endif
  return features;
}

}  // namespace

unsigned Crc32CpuFeatures() {
  static const unsigned features = ReadCpuFeatures();
  return features;
}

// The table is ordered slowest first, and its first rows run everywhere.
const Crc32Variant& PickCrc32(unsigned features) {
  const Crc32Variant* best = kVariants;
  for (const Crc32Variant& v : kVariants)
    if (v.RunsOn(features)) best = &v;
  return *best;
}

std::uint32_t Crc32(std::uint32_t crc, const std::uint8_t* data, std::size_t size) {
  static const Crc32Fn chosen = PickCrc32(Crc32CpuFeatures()).fn;
  return chosen(crc, data, size);
}

std::span<const Crc32Variant> Crc32Variants() { return kVariants; }

}  // namespace tav

// CRC-32 table code: the byte-at-a-time reference, slicing-by-8, and the one-time dispatch.
#include "engine/crc32.h"

#include <cstring>

#include "engine/crc32_simd.h"

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

// Slowest first; Choose() takes the last one this CPU can run.
Crc32Variant g_variants[] = {
    {"bytewise", Crc32Bytewise, true},
    {"slice8", Crc32Slice8, true},
#if TAVRINEL_HAVE_CRC32_CLMUL
    {"clmul", Crc32Clmul, false},
#if TAVRINEL_HAVE_CRC32_VPCLMUL
    {"vpclmul-avx2", Crc32VpclmulAvx2, false},
    {"vpclmul-avx512", Crc32VpclmulAvx512, false},
#endif
#endif
};

Crc32Fn Choose() {
  for (Crc32Variant& v : g_variants) {
#if TAVRINEL_HAVE_CRC32_CLMUL
    if (v.fn == Crc32Clmul) v.usable = CpuHasClmul();
#if TAVRINEL_HAVE_CRC32_VPCLMUL
    if (v.fn == Crc32VpclmulAvx2) v.usable = CpuHasVpclmulAvx2();
    if (v.fn == Crc32VpclmulAvx512) v.usable = CpuHasVpclmulAvx512();
#endif
#endif
  }
  Crc32Fn best = Crc32Slice8;
  for (const Crc32Variant& v : g_variants)
    if (v.usable) best = v.fn;
  return best;
}

Crc32Fn Chosen() {
  static const Crc32Fn fn = Choose();
  return fn;
}

}  // namespace

std::uint32_t Crc32(std::uint32_t crc, const std::uint8_t* data, std::size_t size) {
  return Chosen()(crc, data, size);
}

std::size_t Crc32Variants(const Crc32Variant** variants) {
  Chosen();
  *variants = g_variants;
  return sizeof(g_variants) / sizeof(g_variants[0]);
}

}  // namespace tav

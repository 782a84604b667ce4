// CRC-32: the table code against the check value, every fast variant against the table code.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "engine/crc32.h"

namespace tav {
namespace {

// Every variant this CPU runs against the byte-at-a-time table code on random bytes: every
// length through the widest loop's blocks and tails, random longer ones, any alignment, any
// starting CRC, and a CRC continued across any split. Uniform inputs would hide a lane of the
// folding taken in the wrong order; random ones do not.
TEST(Crc32, EveryVariantMatchesTheTableCode) {
  ASSERT_EQ(Crc32Bytewise(0, reinterpret_cast<const std::uint8_t*>("123456789"), 9), 0xcbf43926u);
  std::mt19937_64 rng(0x7a5c0ffee);
  std::vector<std::uint8_t> bytes(70064);
  for (auto& b : bytes) b = static_cast<std::uint8_t>(rng());
  std::vector<std::size_t> lengths;
  for (std::size_t n = 0; n <= 600; ++n) lengths.push_back(n);
  for (int i = 0; i < 100; ++i) lengths.push_back(rng() % 70001);
  for (const Crc32Variant& v : Crc32Variants()) {
    if (!v.supported()) continue;
    for (const std::size_t n : lengths) {
      const std::uint8_t* p = bytes.data() + rng() % 64;
      const auto start = static_cast<std::uint32_t>(rng());
      const std::size_t split = rng() % (n + 1);
      ASSERT_EQ(v.fn(start, p, n), Crc32Bytewise(start, p, n)) << v.name << " length " << n;
      ASSERT_EQ(v.fn(v.fn(0, p, split), p + split, n - split), Crc32Bytewise(0, p, n))
          << v.name << " length " << n << " split " << split;
    }
  }
}

}  // namespace
}  // namespace tav

// CRC-32: the table code against published check values, every fast variant against it.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "engine/crc32.h"

namespace tav {
namespace {

std::uint32_t Of(Crc32Fn fn, const std::string& s) {
  return fn(0, reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
}

// The CRC-32 check value and other widely published ones, from every variant and the
// dispatch; the blocks of zero and 0xFF bytes test the register's starting value.
TEST(Crc32, PublishedVectors) {
  const std::pair<std::string, std::uint32_t> cases[] = {
      {"", 0},
      {"a", 0xe8b7be43u},
      {"123456789", 0xcbf43926u},
      {"The quick brown fox jumps over the lazy dog", 0x414fa339u},
      {std::string(32, '\0'), 0x190a55adu},
      {std::string(32, '\xff'), 0xff6cab0bu},
      {std::string(1000000, 'a'), 0xdc25bfbcu},
  };
  for (const auto& [data, crc] : cases) {
    EXPECT_EQ(Of(Crc32, data), crc) << data.size();
    for (const Crc32Variant& v : Crc32Variants()) {
      if (v.supported()) {
        EXPECT_EQ(Of(v.fn, data), crc) << v.name << " " << data.size();
      }
    }
  }
}

// Every variant this CPU runs against the byte-at-a-time table code on random bytes: every
// length through the widest loop's blocks and tails, random longer ones, any alignment, any
// starting CRC, and a CRC continued across any split. Uniform inputs would hide a lane of the
// folding taken in the wrong order; random ones do not.
TEST(Crc32, EveryVariantMatchesTheTableCode) {
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

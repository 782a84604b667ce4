// Every CRC-32 variant this CPU runs, against the published check values and zlib's crc32.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#if __has_include(<zlib.h>)
#include <zlib.h>
#define TAV_CRC_HAVE_ZLIB 1
#endif

#include "engine/crc32.h"

namespace tav {
namespace {

std::vector<Crc32Variant> UsableVariants() {
  std::vector<Crc32Variant> usable;
  for (const Crc32Variant& v : Crc32Variants())
    if (v.supported()) usable.push_back(v);
  return usable;
}

std::uint32_t Of(Crc32Fn fn, const std::string& s, std::uint32_t crc = 0) {
  return fn(crc, reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
}

// What the run uses, whichever variant this CPU got, against the byte-at-a-time reference
// (itself checked against published vectors and zlib below).
TEST(Crc32, ChosenVariantMatchesReference) {
  std::mt19937_64 rng(0xd15);
  std::vector<std::uint8_t> buffer(100000);
  for (auto& b : buffer) b = static_cast<std::uint8_t>(rng());
  for (const std::size_t n : {0u, 1u, 63u, 64u, 255u, 256u, 511u, 512u, 4097u, 100000u}) {
    const std::size_t offset = n == buffer.size() ? 0 : rng() % (buffer.size() - n);
    EXPECT_EQ(Crc32(0, buffer.data() + offset, n), Crc32Bytewise(0, buffer.data() + offset, n))
        << "length " << n;
  }
}

// The CRC-32 check value ("123456789") and other widely published vectors, the same from
// every variant. Blocks of zero and 0xFF bytes exercise the register's start value; the
// long ones reach the folding loops even where zlib is not at hand (the Windows build).
TEST(Crc32, PublishedVectors) {
  struct Case {
    std::string data;
    std::uint32_t crc;
  };
  const Case cases[] = {
      {"", 0x00000000u},
      {"a", 0xe8b7be43u},
      {"abc", 0x352441c2u},
      {"123456789", 0xcbf43926u},
      {"The quick brown fox jumps over the lazy dog", 0x414fa339u},
      {std::string(32, '\0'), 0x190a55adu},
      {std::string(32, '\xff'), 0xff6cab0bu},
      {std::string(4096, '\0'), 0xc71c0011u},
      {std::string(1000000, 'a'), 0xdc25bfbcu},
  };
  for (const Crc32Variant& v : UsableVariants()) {
    for (const Case& c : cases) {
      EXPECT_EQ(Of(v.fn, c.data), c.crc) << v.name << " over " << c.data.size() << " bytes";
    }
  }
  EXPECT_EQ(Of(Crc32, "123456789"), 0xcbf43926u);
}

#ifdef TAV_CRC_HAVE_ZLIB

std::uint32_t Zlib(const std::uint8_t* p, std::size_t n, std::uint32_t crc = 0) {
  return static_cast<std::uint32_t>(::crc32(crc, p, static_cast<uInt>(n)));
}

class Crc32VsZlib : public ::testing::TestWithParam<Crc32Variant> {};

// Random bytes at random alignments, every length up to 300 (all head, fold and tail
// combinations of the 16/64/128/256-byte loops) and random lengths beyond.
TEST_P(Crc32VsZlib, LengthsAndAlignments) {
  const Crc32Fn fn = GetParam().fn;
  std::mt19937_64 rng(0x7a5c0ffee);
  std::vector<std::uint8_t> buffer(70000 + 64);
  for (auto& b : buffer) b = static_cast<std::uint8_t>(rng());
  std::vector<std::size_t> lengths;
  for (std::size_t n = 0; n <= 300; ++n) lengths.push_back(n);
  for (std::size_t n : {511u, 512u, 513u, 1023u, 1024u, 4095u, 4096u, 32768u, 65536u, 70000u})
    lengths.push_back(n);
  for (int i = 0; i < 200; ++i) lengths.push_back(rng() % 70001);
  for (const std::size_t n : lengths) {
    const std::size_t offset = rng() % 64;
    const std::uint8_t* p = buffer.data() + offset;
    ASSERT_EQ(fn(0, p, n), Zlib(p, n)) << GetParam().name << " length " << n << " offset "
                                       << offset;
  }
}

// Continuing a CRC: Crc32(Crc32(0, a), b) is the CRC of a followed by b, for any split.
TEST_P(Crc32VsZlib, SplitPoints) {
  const Crc32Fn fn = GetParam().fn;
  std::mt19937_64 rng(0x5b1175);
  std::vector<std::uint8_t> buffer(20000);
  for (auto& b : buffer) b = static_cast<std::uint8_t>(rng());
  for (int i = 0; i < 300; ++i) {
    const std::size_t n = i < 100 ? rng() % 600 : rng() % buffer.size();
    const std::size_t split = n == 0 ? 0 : rng() % (n + 1);
    const std::uint32_t whole = Zlib(buffer.data(), n);
    const std::uint32_t first = fn(0, buffer.data(), split);
    ASSERT_EQ(first, Zlib(buffer.data(), split)) << GetParam().name;
    ASSERT_EQ(fn(first, buffer.data() + split, n - split), whole)
        << GetParam().name << " length " << n << " split " << split;
  }
}

// Continuing from an arbitrary earlier CRC, as zlib's crc32(crc, ...) does.
TEST_P(Crc32VsZlib, ArbitraryStartingCrc) {
  const Crc32Fn fn = GetParam().fn;
  std::mt19937_64 rng(0xc4c);
  std::vector<std::uint8_t> buffer(5000);
  for (auto& b : buffer) b = static_cast<std::uint8_t>(rng());
  for (int i = 0; i < 200; ++i) {
    const auto start = static_cast<std::uint32_t>(rng());
    const std::size_t n = rng() % buffer.size();
    ASSERT_EQ(fn(start, buffer.data(), n), Zlib(buffer.data(), n, start))
        << GetParam().name << " start " << start << " length " << n;
  }
}

INSTANTIATE_TEST_SUITE_P(Usable, Crc32VsZlib, ::testing::ValuesIn(UsableVariants()),
                         [](const ::testing::TestParamInfo<Crc32Variant>& info) {
                           std::string name;
                           for (const char* c = info.param.name; *c; ++c)
                             name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
                           return name;
                         });

#endif  // TAV_CRC_HAVE_ZLIB

}  // namespace
}  // namespace tav

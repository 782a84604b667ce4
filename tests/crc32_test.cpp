// CRC-32: the table code against its check value, every fast variant against it, the dispatch.
#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "engine/arm64/crc32_arm64.h"
#include "engine/crc32.h"
#include "engine/x86/crc32_x86.h"

#if TAVRINEL_HAVE_CRC32_ARM64
#include <sys/auxv.h>
#endif

namespace tav {
namespace {

struct Case {
  const std::uint8_t* p;
  std::size_t n;
  std::uint32_t start, crc;  // the table code's CRC from `start`, which a read continues from
};

// Random bytes at every alignment of a 64-byte line and every length through the folding
// loops' blocks and tails, random longer ones up to 300 KiB, with random starting CRCs (a read
// continues from the CRC so far). Uniform inputs would hide a lane of the folding taken in the
// wrong order; random ones do not. The table code's answers are worked out once and shared by
// every variant.
std::vector<Case> Cases(const std::vector<std::uint8_t>& bytes, std::mt19937_64& rng) {
  const auto misalignment = reinterpret_cast<std::uintptr_t>(bytes.data()) % 64;
  const std::uint8_t* base = bytes.data() + (64 - misalignment);
  std::vector<Case> cases;
  auto add = [&](std::size_t n, std::size_t alignment) {
    const std::uint8_t* p = base + alignment;
    const auto start = static_cast<std::uint32_t>(rng());
    cases.push_back({p, n, start, Crc32Bytewise(start, p, n)});
  };
  for (std::size_t n = 0; n <= 600; ++n)
    for (std::size_t alignment = 0; alignment < 64; ++alignment) add(n, alignment);
  for (int i = 0; i < 64; ++i) add(rng() % (300 * 1024 + 1), rng() % 64);
  return cases;
}

TEST(Crc32, EveryVariantMatchesTheTableCode) {
  ASSERT_EQ(Crc32Bytewise(0, reinterpret_cast<const std::uint8_t*>("123456789"), 9), 0xcbf43926u);
  std::mt19937_64 rng(0x7a5c0ffee);
  std::vector<std::uint8_t> bytes(300 * 1024 + 128);
  for (auto& b : bytes) b = static_cast<std::uint8_t>(rng());
  const std::vector<Case> cases = Cases(bytes, rng);
  std::string ran, built;
  for (const Crc32Variant& v : Crc32Variants()) {
    built += std::string(" ") + v.name;
    if (!v.RunsOn(Crc32CpuFeatures())) continue;
    SCOPED_TRACE(v.name);
    for (const Case& c : cases)
      ASSERT_EQ(v.fn(c.start, c.p, c.n), c.crc) << "length " << c.n << " at " << reinterpret_cast<std::uintptr_t>(c.p) % 64;
    ran += std::string(" ") + v.name;
  }
  std::cout << "checked:" << ran << "\n";
  // A machine whose CPU is known to offer some features names the variants that must have
  // been checked there, so a fault that hides every feature cannot pass unseen. A name this
  // build has no kernel for asks nothing: the linux preset names clmul, and an arm64 machine
  // building natively from it has none.
  if (const char* required = std::getenv("TAV_REQUIRE_CRC32_VARIANTS")) {
    std::istringstream names(required);
    for (std::string name; names >> name;)
      if ((built + " ").find(" " + name + " ") != std::string::npos) {
        EXPECT_NE((ran + " ").find(" " + name + " "), std::string::npos) << name << " unchecked";
      }
  }
}

// The choice with features hidden: qemu's CPU models and the x86 machines offer every
// feature, so only hiding them here shows that the fallback is chosen.
TEST(Crc32, PicksTheFastestVariantTheFeaturesAllow) {
  const std::pair<unsigned, const char*> rows[] = {
      {0, "slice8"},
#if TAVRINEL_HAVE_CRC32_CLMUL
      {kCrc32FeatureClmul, "clmul"},
#if TAVRINEL_HAVE_CRC32_VPCLMUL
      {kCrc32FeatureVpclmulAvx2, "slice8"},
      {kCrc32FeatureClmul | kCrc32FeatureVpclmulAvx2, "vpclmul-avx2"},
#endif
#endif
#if TAVRINEL_HAVE_CRC32_ARM64
      {kCrc32FeatureArmCrc, "armv8-crc"},
      {kCrc32FeaturePmull, "pmull"},
      {kCrc32FeatureArmCrc | kCrc32FeaturePmull, "pmull"},
#endif
  };
  for (const auto& [features, picked] : rows)
    EXPECT_EQ(std::string(PickCrc32(features).name), picked) << "features " << features;
}

#if TAVRINEL_HAVE_CRC32_ARM64
// What the kernel's AT_HWCAP bits mean to the dispatch: each feature from its own bit alone
// (AES, beside PMULL in the word, gives no PMULL).
TEST(Crc32, Arm64FeaturesFromHwcap) {
  const std::pair<unsigned long, unsigned> rows[] = {
      {0, 0},
      {~static_cast<unsigned long>(HWCAP_PMULL), kCrc32FeatureArmCrc},
      {~static_cast<unsigned long>(HWCAP_CRC32), kCrc32FeaturePmull}};
  for (const auto& [hwcap, features] : rows)
    EXPECT_EQ(Arm64Crc32Features(hwcap), features) << "hwcap " << std::hex << hwcap;
  EXPECT_EQ(Arm64Crc32Features(), Arm64Crc32Features(getauxval(AT_HWCAP)));
}
#endif

}  // namespace
}  // namespace tav

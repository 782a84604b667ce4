// One read feeding several checksums: each gets every byte once and in order, whatever the ring's
// shape, the number of workers and the lengths the reads return; after a failure, nothing.
#include <gtest/gtest.h>

#include <random>
#include <tuple>

#include "engine/one_read.h"

namespace tav {
namespace {

// Keeps every byte it is handed; fails its update once it would hold more than `failAfter`
// bytes, or its finish if asked to. Its digest is its own tag, so the order can be told.
struct Recorder final : Checksum {
  bool Update(std::span<const std::uint8_t> bytes) override {
    if (bytes.size() > failAfter - kept.size()) return false;
    kept.insert(kept.end(), bytes.begin(), bytes.end());
    return true;
  }
  std::optional<Digest> Finish() override {
    if (failFinish) return std::nullopt;
    Digest digest;
    digest.Resize(1)[0] = tag;
    return digest;
  }
  std::vector<std::uint8_t> kept;
  std::size_t failAfter = SIZE_MAX;
  bool failFinish = false;
  std::uint8_t tag = 0;
};

TEST(OneRead, EveryChecksumGetsEveryByteOnceInOrder) {
  constexpr std::size_t kNone = SIZE_MAX;
  // size of the file, block bytes, ring blocks, workers, then which failure: a read error once
  // this many bytes were read, recorder 2's update past this many bytes, recorder 4's finish.
  const std::tuple<std::size_t, std::size_t, std::size_t, unsigned, std::size_t, std::size_t, bool> cases[] = {
      {0, 4096, 4, 2, kNone, kNone, false},      {1, 4096, 4, 2, kNone, kNone, false},
      {4095, 4096, 1, 1, kNone, kNone, false},   {4096, 4096, 2, 2, kNone, kNone, false},
      {4097, 4096, 4, 5, kNone, kNone, false},   {3 * 4096 + 17, 4096, 2, 8, kNone, kNone, false},
      {100003, 1000, 3, 2, kNone, kNone, false}, {20011, 7, 5, 3, kNone, kNone, false},
      {100003, 1000, 3, 2, 50000, kNone, false}, {100003, 1000, 3, 1, 0, kNone, false},
      {100003, 1000, 3, 2, kNone, 60000, false}, {100003, 1000, 3, 2, kNone, kNone, true}};
  std::mt19937 rng(20261207);
  for (const auto& [size, block, ring, workers, readFailsAt, updateFailsAt, finishFails] : cases) {
    SCOPED_TRACE(::testing::Message() << size << " bytes, blocks " << block << " x " << ring << ", "
                                      << workers << " workers");
    std::vector<std::uint8_t> file(size);
    for (std::uint8_t& byte : file) byte = static_cast<std::uint8_t>(rng());
    // Reads return any length up to what was asked, as reads of a file being written may.
    std::size_t offset = 0;
    const ReadFn read = [&, readFailsAt = readFailsAt](std::span<std::uint8_t> into) -> std::ptrdiff_t {
      if (offset >= readFailsAt) return -1;
      const std::size_t n = std::min<std::size_t>({into.size(), file.size() - offset, 1 + rng() % into.size()});
      std::copy_n(file.begin() + offset, n, into.begin());
      offset += n;
      return static_cast<std::ptrdiff_t>(n);
    };
    Recorder recorders[5];
    Checksum* all[5];
    for (int i = 0; i < 5; ++i) recorders[i].tag = static_cast<std::uint8_t>(i), all[i] = &recorders[i];
    recorders[2].failAfter = updateFailsAt;
    recorders[4].failFinish = finishFails;
    const auto digests = ReadOnceIntoAll(read, all, {block, ring, workers});
    const bool fails = readFailsAt < size || updateFailsAt < size || finishFails;
    ASSERT_EQ(digests.has_value(), !fails);
    if (fails) continue;
    for (int i = 0; i < 5; ++i) {
      EXPECT_TRUE(recorders[i].kept == file) << "checksum " << i;
      EXPECT_EQ(std::vector((*digests)[i].Bytes().begin(), (*digests)[i].Bytes().end()),
                std::vector<std::uint8_t>{static_cast<std::uint8_t>(i)});
    }
  }
}

}  // namespace
}  // namespace tav

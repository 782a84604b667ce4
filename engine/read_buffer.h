// A page-aligned buffer for file reads: the kernel copies into an aligned destination far faster.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>

#include "engine/owned.h"

namespace tav {

inline constexpr std::align_val_t kReadAlignment{4096};
inline void FreeReadBlock(std::uint8_t* block) { ::operator delete(block, kReadAlignment); }

// Reads into a destination that is not 64-byte aligned run several times slower on some CPUs
// (the kernel's copy falls off its fast path); a page boundary suits every CPU and costs
// nothing for buffers of this size.
class ReadBuffer {
 public:
  explicit ReadBuffer(std::size_t size)
      : block_(static_cast<std::uint8_t*>(::operator new(size, kReadAlignment))), size_(size) {}

  std::uint8_t* data() const { return block_.get(); }
  std::size_t size() const { return size_; }

 private:
  Owned<std::uint8_t*, FreeReadBlock> block_;
  std::size_t size_;
};

}  // namespace tav

// A page-aligned buffer for file reads: the kernel copies into an aligned destination far faster.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>

namespace tav {

// Reads into a destination that is not 64-byte aligned run several times slower on some CPUs
// (the kernel's copy falls off its fast path); a page boundary suits every CPU and costs
// nothing for buffers of this size.
class ReadBuffer {
 public:
  static constexpr std::align_val_t kAlignment{4096};

  explicit ReadBuffer(std::size_t size)
      : data_(static_cast<std::uint8_t*>(::operator new(size, kAlignment))), size_(size) {}
  ~ReadBuffer() { ::operator delete(data_, kAlignment); }
  ReadBuffer(const ReadBuffer&) = delete;
  ReadBuffer& operator=(const ReadBuffer&) = delete;

  std::uint8_t* data() const { return data_; }
  std::size_t size() const { return size_; }

 private:
  std::uint8_t* data_;
  std::size_t size_;
};

}  // namespace tav

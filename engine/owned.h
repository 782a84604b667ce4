// The one owner of every handle the program acquires: files, streams, providers, heap blocks.
#pragma once

#include <utility>

namespace tav {

// Holds one `Handle` and calls `Release` on it exactly once, when the owner goes or is given
// another. `kEmpty` is the value that holds nothing (nullptr, 0, or -1 for a descriptor); an
// owner holding it releases nothing. Move-only, so a handle has one owner at a time; whoever
// wraps an API whose failure value differs (CreateFileW's INVALID_HANDLE_VALUE) maps it to
// `kEmpty` where the handle is made.
template <typename Handle, auto Release, Handle kEmpty = Handle{}>
class Owned {
 public:
  Owned() = default;
  explicit Owned(Handle handle) noexcept : handle_(handle) {}
  Owned(Owned&& other) noexcept : handle_(std::exchange(other.handle_, kEmpty)) {}
  Owned& operator=(Owned&& other) noexcept {
    reset(std::exchange(other.handle_, kEmpty));
    return *this;
  }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  ~Owned() { reset(); }

  Handle get() const noexcept { return handle_; }
  explicit operator bool() const noexcept { return handle_ != kEmpty; }

  // For the APIs that hand out a new handle through a pointer: what was held is released
  // first, and the handle written there is owned from then on.
  Handle* put() noexcept {
    reset();
    return &handle_;
  }
  Handle release() noexcept { return std::exchange(handle_, kEmpty); }
  void reset(Handle handle = kEmpty) noexcept {
    if (handle_ != kEmpty) Release(handle_);
    handle_ = handle;
  }

 private:
  Handle handle_ = kEmpty;
};

}  // namespace tav

// The one-read run: a ring of page-aligned blocks, filled in order and hashed by every checksum.
#include "engine/one_read.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

#include "engine/crc32.h"
#include "engine/read_buffer.h"

namespace tav {

bool Crc32Checksum::Update(std::span<const std::uint8_t> bytes) {
  crc_ = Crc32(crc_, bytes.data(), bytes.size());
  return true;
}

std::optional<Digest> Crc32Checksum::Finish() { return Crc32Digest(crc_); }

namespace {

// The shared state of one run. Every worker runs Work(): under the lock it picks the next task
// (read the next block if a slot of the ring is free, else hash a block for the checksum
// furthest behind, else finish a checksum that has had every block), does it without the lock,
// and publishes what it did. The lock orders every block's filling before its hashing, and
// every checksum's last use of a slot before the slot is filled again.
class OneRead {
 public:
  OneRead(const ReadFn& read, std::span<Checksum* const> checksums, const OneReadShape& shape)
      : read_(read),
        checksums_(checksums),
        blockBytes_(std::max<std::size_t>(shape.blockBytes, 1)),
        sizes_(std::max<std::size_t>(shape.blocks, 1)),
        next_(checksums.size()),
        busy_(checksums.size()),
        done_(checksums.size()),
        digests_(checksums.size()) {
    ring_.reserve(sizes_.size());
    for (std::size_t i = 0; i < sizes_.size(); ++i) ring_.emplace_back(blockBytes_);
  }

  void Work() {
    std::unique_lock lock(mutex_);
    for (;;) {
      if (failed_ || finished_ == checksums_.size()) return;
      if (CanRead()) {
        ReadBlock(lock);
      } else if (const int i = Pick(&OneRead::CanHash); i >= 0) {
        Hash(lock, i);
      } else if (const int i = Pick(&OneRead::CanFinish); i >= 0) {
        Finish(lock, i);
      } else {
        changed_.wait(lock);
        continue;
      }
      changed_.notify_all();
    }
  }

  std::optional<std::vector<Digest>> Result() {
    if (failed_) return std::nullopt;
    return std::move(digests_);
  }

 private:
  // The oldest block some checksum still needs; the slots of older blocks are free.
  std::uint64_t Oldest() const { return *std::min_element(next_.begin(), next_.end()); }

  bool CanRead() const {
    return !reading_ && !ended_ && blocksRead_ - Oldest() < ring_.size();
  }
  bool CanHash(std::size_t i) const { return !busy_[i] && !done_[i] && next_[i] < blocksRead_; }
  bool CanFinish(std::size_t i) const {
    return !busy_[i] && !done_[i] && ended_ && next_[i] == blocksRead_;
  }
  // Among the checksums `can` allows, the one furthest behind (the first of equals); -1: none.
  int Pick(bool (OneRead::*can)(std::size_t) const) const {
    int best = -1;
    for (std::size_t i = 0; i < checksums_.size(); ++i)
      if ((this->*can)(i) && (best < 0 || next_[i] < next_[best])) best = static_cast<int>(i);
    return best;
  }

  // Fills the next block to the brim (a short read is not the end of the file), or up to the
  // end of the file.
  void ReadBlock(std::unique_lock<std::mutex>& lock) {
    reading_ = true;
    const std::size_t slot = blocksRead_ % ring_.size();
    lock.unlock();
    std::uint8_t* block = ring_[slot].data();
    std::size_t got = 0;
    bool end = false, error = false;
    while (got < blockBytes_) {
      const std::ptrdiff_t n = read_(std::span(block + got, blockBytes_ - got));
      if (n < 0 || static_cast<std::size_t>(n) > blockBytes_ - got) {
        error = true;
        break;
      }
      if (n == 0) {
        end = true;
        break;
      }
      got += static_cast<std::size_t>(n);
    }
    lock.lock();
    reading_ = false;
    if (error) {
      failed_ = true;
      return;
    }
    if (got > 0) {
      sizes_[slot] = got;
      ++blocksRead_;
    }
    ended_ = end;
  }

  void Hash(std::unique_lock<std::mutex>& lock, int i) {
    busy_[i] = true;
    const std::size_t slot = next_[i] % ring_.size();
    const std::span<const std::uint8_t> block(ring_[slot].data(), sizes_[slot]);
    lock.unlock();
    const bool ok = checksums_[i]->Update(block);
    lock.lock();
    busy_[i] = false;
    ++next_[i];
    if (!ok) failed_ = true;
  }

  void Finish(std::unique_lock<std::mutex>& lock, int i) {
    busy_[i] = true;
    lock.unlock();
    std::optional<Digest> digest = checksums_[i]->Finish();
    lock.lock();
    busy_[i] = false;
    done_[i] = true;
    ++finished_;
    if (digest) digests_[i] = *digest;
    else failed_ = true;
  }

  const ReadFn& read_;
  const std::span<Checksum* const> checksums_;
  const std::size_t blockBytes_;
  std::vector<ReadBuffer> ring_;

  std::mutex mutex_;
  std::condition_variable changed_;
  // Guarded by mutex_: the blocks' sizes, how many blocks were read, and per checksum the next
  // block it takes and whether it is being worked on or finished.
  std::vector<std::size_t> sizes_;
  std::uint64_t blocksRead_ = 0;
  bool reading_ = false, ended_ = false, failed_ = false;
  std::vector<std::uint64_t> next_;
  std::vector<char> busy_, done_;
  std::size_t finished_ = 0;
  std::vector<Digest> digests_;
};

}  // namespace

std::optional<std::vector<Digest>> ReadOnceIntoAll(const ReadFn& read,
                                                   std::span<Checksum* const> checksums,
                                                   const OneReadShape& shape) {
  if (checksums.empty()) return std::vector<Digest>();
  OneRead run(read, checksums, shape);
  {
    // More workers than checksums could only wait. Where no thread can be started, the
    // calling thread does the work itself rather than fail the run.
    const std::size_t workers = std::clamp<std::size_t>(shape.workers, 1, checksums.size());
    std::vector<std::jthread> threads;
    try {
      for (std::size_t i = 0; i < workers; ++i) threads.emplace_back([&run] { run.Work(); });
    } catch (const std::system_error&) {
    }
    if (threads.empty()) run.Work();
  }  // every worker has ended here
  return run.Result();
}

}  // namespace tav

#pragma once

#include <sys/mman.h>

#include <algorithm>
#include <bit>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace kep::chart {

// Memory for one block: bytes (a power of two) mapped at an address aligned
// to bytes, for the system to back with huge pages. Fresh pages cost a fault
// each, and for hundreds of megabytes of points those faults were most of a
// load's time; a block is also given back to the system when it is freed.
inline void* MapBlockMemory(std::size_t bytes) {
  const std::size_t span = 2 * bytes;
  void* const raw = ::mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) throw std::bad_alloc();
  const auto start = reinterpret_cast<std::uintptr_t>(raw);
  const std::uintptr_t aligned = (start + bytes - 1) & ~(std::uintptr_t{bytes} - 1);
  if (aligned > start) ::munmap(raw, aligned - start);
  if (start + span > aligned + bytes)
    ::munmap(reinterpret_cast<void*>(aligned + bytes), start + span - aligned - bytes);
  ::madvise(reinterpret_cast<void*>(aligned), bytes, MADV_HUGEPAGE);
  return reinterpret_cast<void*>(aligned);
}

// A growable array kept in fixed-size blocks. Appending never moves existing
// elements, so a list of hundreds of millions of values grows without the
// doubling copy (and its peak of three times the data) of a contiguous
// vector, and it costs its elements plus at most one partly filled block.
template <typename T>
class BlockArray {
 public:
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }

  // Indices are checked in debug builds only: the drawing loops read
  // hundreds of millions of elements.
  T& operator[](std::size_t i) {
    assert(i < size_);
    return blocks_[i >> kShift][i & kMask];
  }
  const T& operator[](std::size_t i) const {
    assert(i < size_);
    return blocks_[i >> kShift][i & kMask];
  }
  T& back() { return (*this)[size_ - 1]; }
  const T& back() const { return (*this)[size_ - 1]; }

  void push_back(T value) {
    if ((size_ >> kShift) == blocks_.size()) AddBlock();
    blocks_[size_ >> kShift][size_ & kMask] = std::move(value);
    ++size_;
  }

  // Appends count elements, element k being value_of(k), a block at a time.
  template <typename ValueOf>
  void append(std::size_t count, ValueOf&& value_of) {
    for (std::size_t k = 0; k < count;) {
      if ((size_ >> kShift) == blocks_.size()) AddBlock();
      T* const data = blocks_[size_ >> kShift].get() + (size_ & kMask);
      const std::size_t run = std::min(count - k, kBlockSize - (size_ & kMask));
      for (std::size_t j = 0; j < run; ++j) data[j] = value_of(k + j);
      k += run;
      size_ += run;
    }
  }

  // Calls visit(data, count) for the contiguous runs that make up elements
  // first .. size - 1, in order.
  template <typename Visit>
  void visit_runs(std::size_t first, Visit&& visit) const {
    while (first < size_) {
      const std::size_t run = std::min(size_ - first, kBlockSize - (first & kMask));
      visit(blocks_[first >> kShift].get() + (first & kMask), run);
      first += run;
    }
  }

  // Stores value at index i (0 <= i <= size), moving later elements up.
  void insert(std::size_t i, T value) {
    assert(i <= size_);
    push_back(T{});
    for (std::size_t block = (size_ - 1) >> kShift;; --block) {
      T* data = blocks_[block].get();
      const std::size_t first = block << kShift;
      const std::size_t from = std::max(first, i);
      const std::size_t last = std::min(size_ - 1, first + kMask);  // inclusive
      // Shift this block's part of [i, size - 1) up by one, then pull the
      // element that crosses in from the block before.
      std::move_backward(data + (from - first), data + (last - first), data + (last - first) + 1);
      if (from == i) break;
      data[0] = std::move(blocks_[block - 1][kMask]);
    }
    (*this)[i] = std::move(value);
  }

  // Removes the element at index i (0 <= i < size), moving later elements down.
  void erase(std::size_t i) {
    assert(i < size_);
    for (std::size_t block = i >> kShift; (block << kShift) < size_; ++block) {
      T* data = blocks_[block].get();
      const std::size_t first = block << kShift;
      const std::size_t from = std::max(first, i);
      const std::size_t end = std::min(size_, first + kBlockSize);
      std::move(data + (from - first) + 1, data + (end - first), data + (from - first));
      if (end < size_) data[kMask] = std::move(blocks_[block + 1][0]);
    }
    (*this)[size_ - 1] = T{};
    --size_;
    if ((size_ + kBlockSize) >> kShift < blocks_.size()) blocks_.pop_back();
  }

  void swap(BlockArray& other) noexcept {
    blocks_.swap(other.blocks_);
    std::swap(size_, other.size_);
  }

  // Removes every element and releases the storage.
  void clear() {
    std::vector<Block>().swap(blocks_);
    size_ = 0;
  }

 private:
  static constexpr std::size_t kBlockBytes = std::size_t{2} << 20;  // one huge page
  static_assert(std::has_single_bit(sizeof(T)) && sizeof(T) <= kBlockBytes);
  static constexpr std::size_t kShift = std::countr_zero(kBlockBytes / sizeof(T));
  static constexpr std::size_t kBlockSize = std::size_t{1} << kShift;
  static constexpr std::size_t kMask = kBlockSize - 1;

  struct BlockDeleter {
    void operator()(T* block) const {
      std::destroy_n(block, kBlockSize);
      ::munmap(block, kBlockBytes);
    }
  };
  using Block = std::unique_ptr<T[], BlockDeleter>;

  // Elements are assigned before they are read, so a block of plain values
  // is not written until then.
  void AddBlock() {
    // Room for the pointer first, so that a failed push cannot lose the
    // mapped block; growing by doubling keeps appends amortised.
    if (blocks_.size() == blocks_.capacity()) blocks_.reserve(2 * blocks_.size() + 1);
    T* const block = static_cast<T*>(MapBlockMemory(kBlockBytes));
    std::uninitialized_default_construct_n(block, kBlockSize);
    blocks_.push_back(Block(block));
  }

  std::vector<Block> blocks_;
  std::size_t size_ = 0;
};

}  // namespace kep::chart

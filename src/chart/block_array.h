#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <utility>
#include <vector>

namespace kep::chart {

// A growable array kept in fixed-size blocks. Appending never moves existing
// elements, so a list of hundreds of millions of values grows without the
// doubling copy (and its peak of three times the data) of a contiguous
// vector, and it costs its elements plus at most one partly filled block.
template <typename T>
class BlockArray {
 public:
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }

  T& operator[](std::size_t i) { return blocks_[i >> kShift][i & kMask]; }
  const T& operator[](std::size_t i) const { return blocks_[i >> kShift][i & kMask]; }
  T& back() { return (*this)[size_ - 1]; }
  const T& back() const { return (*this)[size_ - 1]; }

  void push_back(T value) {
    if ((size_ >> kShift) == blocks_.size()) blocks_.push_back(std::make_unique<T[]>(kBlockSize));
    (*this)[size_] = std::move(value);
    ++size_;
  }

  // Stores value at index i (0 <= i <= size), moving later elements up.
  void insert(std::size_t i, T value) {
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
    std::vector<std::unique_ptr<T[]>>().swap(blocks_);
    size_ = 0;
  }

 private:
  static constexpr std::size_t kShift = 12;
  static constexpr std::size_t kBlockSize = std::size_t{1} << kShift;
  static constexpr std::size_t kMask = kBlockSize - 1;

  std::vector<std::unique_ptr<T[]>> blocks_;
  std::size_t size_ = 0;
};

}  // namespace kep::chart

#pragma once

#include <algorithm>
#include <bit>
#include <cassert>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace kep::chart {

// The values of a value list, kept in blocks of kBlockSize values, each block
// in the smallest of these forms that gives every value back bit for bit:
//  - runs of consecutive integers (v, v + 1, v + 2, ...), one (start, first
//    value) pair per run: the line positions of a sequence file, one run per
//    stretch of lines without a gap, cost next to nothing;
//  - unsigned integers of 8, 16 or 32 bits: digit counts cost a byte each;
//  - plain doubles: anything else (fractions, negative values in no run,
//    negative zero, NaN, infinities, integers of 2^32 and more outside a run).
// A block starts as runs and moves to a wider form when a value arrives that
// its form cannot hold, so appending stays amortised O(1). Inserting or
// removing inside a block rewrites it in the form its values then need; a
// replaced value that the form cannot hold widens its block.
class CompactValues {
 public:
  static constexpr std::size_t kBlockShift = 12;
  static constexpr std::size_t kBlockSize = std::size_t{1} << kBlockShift;
  static constexpr std::size_t kBlockMask = kBlockSize - 1;
  // A block keeps at most this many runs (4 KiB, the size of a block of
  // bytes); a block with more gaps, or on its way to more, is stored as
  // integers.
  static constexpr std::size_t kMaxRuns = 256;

  CompactValues() = default;
  CompactValues(CompactValues&&) noexcept = default;
  CompactValues& operator=(CompactValues&&) noexcept = default;

  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  // Indices are checked in debug builds only.
  double operator[](std::size_t i) const {
    assert(i < size_);
    return blocks_[i >> kBlockShift].Get(i & kBlockMask);
  }
  double back() const { return (*this)[size_ - 1]; }

  void push_back(double v) {
    if ((size_ & kBlockMask) == 0) blocks_.emplace_back();
    Block& block = blocks_.back();
    if (!block.TryAppendCommon(v) && !block.TryAppend(v)) Widen(block, v);
    ++size_;
  }
  // Appends values[0 .. count - 1]: the stretches that continue the last
  // block's run or fit its integers are stored in one go each.
  void append(const double* values, std::size_t count);
  // Appends the values of other, each plus shift, an integer (0 copies
  // them): what other keeps as runs, or as integers when shift is 0, is
  // taken over a stretch at a time rather than value by value.
  void append_shifted(const CompactValues& other, double shift);
  // Appends the values of other (another list) and leaves it empty, taking over its
  // blocks' storage rather than copying into new storage: each block of
  // other hands its first values to the last block here and, its other
  // values moved down in place, becomes the new last block. The values are
  // moved once; no memory is taken for them.
  void append_taken(CompactValues& other);
  void pop_back();
  void set(std::size_t i, double v);
  // Stores v at index i (0 <= i <= size), moving later values up.
  void insert(std::size_t i, double v);
  // Removes the value at index i (0 <= i < size), moving later values down.
  void erase(std::size_t i);
  void swap(CompactValues& other) noexcept {
    blocks_.swap(other.blocks_);
    std::swap(size_, other.size_);
  }
  // Removes every value and releases the storage.
  void clear() {
    std::vector<Block>().swap(blocks_);
    size_ = 0;
  }

  // Copies the values first .. first + count - 1 to out.
  void read(std::size_t first, std::size_t count, double* out) const;
  // Calls visit(data, count) for consecutive stretches that together make up
  // the values first .. size - 1, in order.
  template <typename Visit>
  void visit_runs(std::size_t first, Visit&& visit) const {
    double buffer[kVisitValues];
    while (first < size_) {
      const std::size_t count = std::min(size_ - first, kVisitValues);
      read(first, count, buffer);
      visit(static_cast<const double*>(buffer), count);
      first += count;
    }
  }

  // The first index i from `from` on whose value is not at least the value
  // before it (previous, for i = from), or is a NaN; size() when there is
  // none. Only the starts of runs and the other forms' values are looked at.
  std::size_t first_descent(std::size_t from, double previous) const;
  // The first index from `from` on that holds a NaN, or size(): only blocks
  // of plain doubles can hold one.
  std::size_t first_nan(std::size_t from) const;
  // The lowest and highest of the values first .. first + count - 1
  // (count > 0, no NaN among them), the earliest of equal values kept, as a
  // scan in order with < and > finds them: a run is taken by its ends, the
  // integer forms in their own width.
  void extremes(std::size_t first, std::size_t count, double& lowest, double& highest) const;

  // Takes the values first .. first + count - 1 into lowest and highest
  // with the result of a scan in order that replaces them only by a value
  // strictly below or above (a NaN changes nothing): runs are taken by their
  // ends and the integer forms by their extremes in their own width, which
  // give the same.
  void take_extremes(std::size_t first, std::size_t count, double& lowest, double& highest) const;

  // Bytes held for the values.
  std::size_t memory_bytes() const;

 private:
  static constexpr std::size_t kVisitValues = 512;

  enum class Form : std::uint8_t { kRuns, kU8, kU16, kU32, kDoubles };
  // Values from index start of the block on are first, first + 1, ...
  struct Run {
    std::uint32_t start;
    double first;
  };
  struct Block {
    Form form = Form::kRuns;
    std::uint32_t count = 0;
    std::vector<Run> runs;              // the runs form
    std::unique_ptr<std::byte[]> data;  // the other forms: kBlockSize values of the form's width

    double Get(std::size_t k) const;
    // The appends of a sequence file's points, inline: the next value of the
    // last run, or a byte.
    bool TryAppendCommon(double v) {
      if (form == Form::kRuns) {
        if (runs.empty()) return false;
        const double next = runs.back().first + static_cast<double>(count - runs.back().start);
        if (std::bit_cast<std::uint64_t>(v) != std::bit_cast<std::uint64_t>(next)) return false;
      } else if (form == Form::kU8) {
        if (!(v >= 0 && v <= 255)) return false;
        const auto byte = static_cast<std::uint8_t>(v);
        if (byte != v || std::signbit(v)) return false;
        data[count] = static_cast<std::byte>(byte);
      } else {
        return false;
      }
      ++count;
      return true;
    }
    // Stores v after the last value when the form holds it.
    bool TryAppend(double v);
    // Replaces value k with v when the form holds it.
    bool TrySet(std::size_t k, double v);
    void Read(std::size_t k, std::size_t count, double* out) const;
    // Removes the first n values (n < count), moving the others down.
    void DropFront(std::size_t n);
    // The first run that holds value k (a block of the runs form).
    std::vector<Run>::const_iterator RunOf(std::size_t k) const;
    // first_descent and extremes inside the block, from value k on.
    std::size_t FirstDescent(std::size_t k, double& previous) const;
    void Extremes(std::size_t k, std::size_t count, double& lowest, double& highest) const;
  };

  // Appends count consecutive integers from first on.
  void AppendRun(double first, std::size_t count);
  // Appends count unsigned integers of type T stored at data.
  template <typename T>
  void AppendIntegers(const std::byte* data, std::size_t count);
  // Returns f(T{}) for T the type that a block of form stores, form not
  // being kRuns: std::uint8_t, std::uint16_t, std::uint32_t or double.
  template <typename F>
  static decltype(auto) WithStoredType(Form form, F&& f);
  // Whether count values that make this many runs are kept as runs.
  static bool RunsSuit(std::size_t runs, std::size_t count);
  // A block in the smallest form that holds values[0 .. count - 1].
  static Block Encode(const double* values, std::size_t count);
  // Appends v to the last block, which cannot hold it in its form.
  static void Widen(Block& block, double v);

  std::vector<Block> blocks_;
  std::size_t size_ = 0;
};

}  // namespace kep::chart

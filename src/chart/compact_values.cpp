#include "chart/compact_values.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>

namespace kep::chart {

namespace {

// Runs hold integers small enough that first + k is exact for every k of a block.
constexpr double kLargestRunValue = 0x1p52;

bool SameBits(double a, double b) {
  return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

// An integer that a run can hold (negative zero is not one: it would read back as zero).
bool IsRunValue(double v) {
  return std::fabs(v) <= kLargestRunValue && v == std::trunc(v) && !(v == 0 && std::signbit(v));
}

// The bytes of the narrowest unsigned integer that holds v: 1, 2 or 4, or 0
// when v is no such integer.
std::size_t UnsignedWidth(double v) {
  if (!(v >= 0 && v <= 4294967295.0) || v != std::trunc(v) || std::signbit(v)) return 0;
  return v <= 255 ? 1 : v <= 65535 ? 2 : 4;
}

template <typename T>
T Load(const std::byte* data, std::size_t k) {
  T value;
  std::memcpy(&value, data + k * sizeof(T), sizeof(T));
  return value;
}

template <typename T>
void Store(std::byte* data, std::size_t k, T value) {
  std::memcpy(data + k * sizeof(T), &value, sizeof(T));
}

template <typename T>
void LoadAll(const std::byte* data, std::size_t k, std::size_t count, double* out) {
  for (std::size_t j = 0; j < count; ++j) out[j] = static_cast<double>(Load<T>(data, k + j));
}

}  // namespace

// ---- one block ----

template <typename F>
decltype(auto) CompactValues::WithStoredType(Form form, F&& f) {
  switch (form) {
    case Form::kU8:
      return f(std::uint8_t{});
    case Form::kU16:
      return f(std::uint16_t{});
    case Form::kU32:
      return f(std::uint32_t{});
    case Form::kRuns:
    case Form::kDoubles:
      break;
  }
  assert(form == Form::kDoubles);
  return f(double{});
}

bool CompactValues::RunsSuit(std::size_t runs, std::size_t count) {
  // Runs shorter on average than a full block's share of kMaxRuns (the two
  // that the block's edges may cut aside) would not fit in the end: values
  // that seldom run (digit counts) take an integer form from their third
  // run on, rather than at their 257th.
  return runs <= 2 || (runs <= kMaxRuns && (runs - 2) * (kBlockSize / kMaxRuns) <= count);
}

double CompactValues::Block::Get(std::size_t k) const {
  switch (form) {
    case Form::kRuns: {
      if (runs.size() == 1) return runs[0].first + static_cast<double>(k);
      const auto run = RunOf(k);
      return run->first + static_cast<double>(k - run->start);
    }
    default:
      return WithStoredType(
          form, [&](auto type) { return static_cast<double>(Load<decltype(type)>(data.get(), k)); });
  }
}

void CompactValues::Block::Read(std::size_t k, std::size_t n, double* out) const {
  if (n == 0) return;
  switch (form) {
    case Form::kRuns: {
      auto run = RunOf(k);
      for (std::size_t j = 0; j < n; ++j) {
        const std::size_t at = k + j;
        if (run + 1 != runs.end() && (run + 1)->start == at) ++run;
        out[j] = run->first + static_cast<double>(at - run->start);
      }
      return;
    }
    case Form::kDoubles:
      std::memcpy(out, data.get() + k * sizeof(double), n * sizeof(double));
      return;
    default:
      return WithStoredType(form, [&](auto type) { LoadAll<decltype(type)>(data.get(), k, n, out); });
  }
}

std::vector<CompactValues::Run>::const_iterator CompactValues::Block::RunOf(std::size_t k) const {
  // The last run that starts at or before k.
  return std::upper_bound(runs.begin(), runs.end(), k,
                          [](std::size_t index, const Run& r) { return index < r.start; }) -
         1;
}

namespace {

// The first of the T values k .. count - 1 at data below the one before it
// (previous for k), or a NaN; count when none is, and then previous becomes
// the last value.
template <typename T>
std::size_t DescentIn(const std::byte* data, std::size_t k, std::size_t count, double& previous) {
  T before = Load<T>(data, k);
  if (!(static_cast<double>(before) >= previous)) return k;
  for (std::size_t j = k + 1; j < count; ++j) {
    const T v = Load<T>(data, j);
    if (!(v >= before)) return j;
    before = v;
  }
  previous = static_cast<double>(before);
  return count;
}

// The extremes of the T values k .. k + n - 1 (n > 0) at data, compared in
// their own type; equal values of an integer type are the same double.
template <typename T>
void ExtremesIn(const std::byte* data, std::size_t k, std::size_t n, double& lowest, double& highest) {
  T low = Load<T>(data, k);
  T high = low;
  std::size_t j = k;
  const std::size_t end = k + n;
  if constexpr (std::is_integral_v<T>) {
    // Integers in lanes of 16 bytes, which the compiler turns into vector
    // minima and maxima; the order of equal integers does not matter.
    constexpr std::size_t kLanes = 16 / sizeof(T);
    if (n >= kLanes) {
      T lows[kLanes];
      T highs[kLanes];
      for (std::size_t l = 0; l < kLanes; ++l) lows[l] = highs[l] = Load<T>(data, j + l);
      for (j += kLanes; j + kLanes <= end; j += kLanes) {
        for (std::size_t l = 0; l < kLanes; ++l) {
          const T v = Load<T>(data, j + l);
          lows[l] = v < lows[l] ? v : lows[l];
          highs[l] = v > highs[l] ? v : highs[l];
        }
      }
      for (std::size_t l = 0; l < kLanes; ++l) {
        low = lows[l] < low ? lows[l] : low;
        high = highs[l] > high ? highs[l] : high;
      }
    }
  }
  for (; j < end; ++j) {
    const T v = Load<T>(data, j);
    low = v < low ? v : low;
    high = v > high ? v : high;
  }
  lowest = static_cast<double>(low);
  highest = static_cast<double>(high);
}

}  // namespace

std::size_t CompactValues::Block::FirstDescent(std::size_t k, double& previous) const {
  switch (form) {
    case Form::kRuns: {
      // Inside a run each value is one more than the one before: only the
      // run starts can descend.
      auto run = RunOf(k);
      double before = previous;
      for (std::size_t at = k;;) {
        if (!(run->first + static_cast<double>(at - run->start) >= before)) return at;
        const auto next = run + 1;
        const std::size_t end = next != runs.end() ? next->start : count;
        before = run->first + static_cast<double>(end - 1 - run->start);
        if (next == runs.end()) break;
        run = next;
        at = run->start;
      }
      previous = before;
      return count;
    }
    default:
      return WithStoredType(
          form, [&](auto type) { return DescentIn<decltype(type)>(data.get(), k, count, previous); });
  }
}

void CompactValues::Block::Extremes(std::size_t k, std::size_t n, double& lowest, double& highest) const {
  switch (form) {
    case Form::kRuns: {
      // A run's part ascends: its first value is its lowest, its last its
      // highest. Runs hold no negative zero, so ties between runs are the
      // same value.
      auto run = RunOf(k);
      const std::size_t end = k + n;
      double low = run->first + static_cast<double>(k - run->start);
      double high = low;
      for (std::size_t at = k;;) {
        const auto next = run + 1;
        const std::size_t part_end = std::min<std::size_t>(end, next != runs.end() ? next->start : count);
        const double first = run->first + static_cast<double>(at - run->start);
        const double last = run->first + static_cast<double>(part_end - 1 - run->start);
        low = first < low ? first : low;
        high = last > high ? last : high;
        if (part_end == end) break;
        run = next;
        at = run->start;
      }
      lowest = low;
      highest = high;
      return;
    }
    default:
      return WithStoredType(
          form, [&](auto type) { ExtremesIn<decltype(type)>(data.get(), k, n, lowest, highest); });
  }
}

bool CompactValues::Block::TryAppend(double v) {
  if (!TrySet(count, v)) return false;
  ++count;
  return true;
}

bool CompactValues::Block::TrySet(std::size_t k, double v) {
  switch (form) {
    case Form::kRuns: {
      if (k < count) return SameBits(Get(k), v);
      // Appending: v extends the last run or begins a new one.
      if (!IsRunValue(v)) return false;
      if (!runs.empty() && v == runs.back().first + static_cast<double>(k - runs.back().start)) return true;
      if (!RunsSuit(runs.size() + 1, k + 1)) return false;
      runs.push_back({static_cast<std::uint32_t>(k), v});
      return true;
    }
    case Form::kU8:
      if (UnsignedWidth(v) != 1) return false;
      Store(data.get(), k, static_cast<std::uint8_t>(v));
      return true;
    case Form::kU16:
      if (const std::size_t width = UnsignedWidth(v); width == 0 || width > 2) return false;
      Store(data.get(), k, static_cast<std::uint16_t>(v));
      return true;
    case Form::kU32:
      if (UnsignedWidth(v) == 0) return false;
      Store(data.get(), k, static_cast<std::uint32_t>(v));
      return true;
    case Form::kDoubles:
      Store(data.get(), k, v);
      return true;
  }
  return false;
}

CompactValues::Block CompactValues::Encode(const double* values, std::size_t count) {
  Block block;
  block.count = static_cast<std::uint32_t>(count);
  std::size_t runs = 0;
  bool all_run_values = true;
  std::size_t width = 1;
  for (std::size_t k = 0; k < count; ++k) {
    const double v = values[k];
    all_run_values = all_run_values && IsRunValue(v);
    if (k == 0 || v != values[k - 1] + 1) ++runs;
    const std::size_t w = width == 0 ? 0 : UnsignedWidth(v);
    width = w == 0 ? 0 : std::max(width, w);
  }
  if (all_run_values && RunsSuit(runs, count)) {
    block.runs.reserve(runs);
    for (std::size_t k = 0; k < count; ++k) {
      if (k == 0 || values[k] != values[k - 1] + 1)
        block.runs.push_back({static_cast<std::uint32_t>(k), values[k]});
    }
    return block;
  }
  block.form = width == 1 ? Form::kU8 : width == 2 ? Form::kU16 : width == 4 ? Form::kU32 : Form::kDoubles;
  block.data =
      std::make_unique_for_overwrite<std::byte[]>(kBlockSize * (width == 0 ? sizeof(double) : width));
  for (std::size_t k = 0; k < count; ++k) block.TrySet(k, values[k]);
  return block;
}

void CompactValues::Widen(Block& block, double v) {
  double values[kBlockSize];
  block.Read(0, block.count, values);
  values[block.count] = v;
  block = Encode(values, block.count + std::size_t{1});
}

// ---- the list ----

namespace {

// How many of values[0 .. count - 1] are integers that T holds (not negative
// zero), each stored at out as it is checked.
template <typename T>
std::size_t StoreWhileFits(const double* values, std::size_t count, std::byte* out) {
  constexpr double kLargest = static_cast<double>(std::numeric_limits<T>::max());
  std::size_t k = 0;
  for (; k < count; ++k) {
    const double v = values[k];
    if (!(v >= 0 && v <= kLargest)) break;
    const auto stored = static_cast<T>(v);
    if (static_cast<double>(stored) != v || std::signbit(v)) break;
    Store(out, k, stored);
  }
  return k;
}

}  // namespace

void CompactValues::append(const double* values, std::size_t count) {
  if (blocks_.capacity() < (size_ + count + kBlockMask) >> kBlockShift)
    blocks_.reserve(std::max(2 * blocks_.capacity(), (size_ + count + kBlockMask) >> kBlockShift));
  while (count > 0) {
    if ((size_ & kBlockMask) == 0) {  // a new block, in the form its first value needs
      push_back(*values);
      ++values;
      --count;
      continue;
    }
    Block& block = blocks_.back();
    const std::size_t room = std::min<std::size_t>(count, kBlockSize - block.count);
    std::size_t taken = 0;
    switch (block.form) {
      case Form::kRuns:
        if (!block.runs.empty()) {
          const double next =
              block.runs.back().first + static_cast<double>(block.count - block.runs.back().start);
          while (taken < room && SameBits(values[taken], next + static_cast<double>(taken))) ++taken;
        }
        break;
      case Form::kDoubles:
        std::memcpy(block.data.get() + sizeof(double) * block.count, values, room * sizeof(double));
        taken = room;
        break;
      default:
        taken = WithStoredType(block.form, [&](auto type) {
          using T = decltype(type);
          return StoreWhileFits<T>(values, room, block.data.get() + sizeof(T) * block.count);
        });
        break;
    }
    block.count += static_cast<std::uint32_t>(taken);
    size_ += taken;
    values += taken;
    count -= taken;
    if (taken < room) {  // a value that begins a run or needs a wider form
      push_back(*values);
      ++values;
      --count;
    }
  }
}

void CompactValues::append_shifted(const CompactValues& other, double shift) {
  assert(shift == std::trunc(shift));
  for (const Block& block : other.blocks_) {
    switch (block.form) {
      case Form::kRuns:
        for (std::size_t r = 0; r < block.runs.size(); ++r) {
          const std::size_t end = r + 1 < block.runs.size() ? block.runs[r + 1].start : block.count;
          const double first = block.runs[r].first + shift;
          const std::size_t count = end - block.runs[r].start;
          if (IsRunValue(first) && IsRunValue(first + static_cast<double>(count))) {
            AppendRun(first, count);
          } else {
            for (std::size_t k = 0; k < count; ++k)
              push_back((block.runs[r].first + static_cast<double>(k)) + shift);
          }
        }
        continue;
      case Form::kDoubles:
        break;
      default:
        if (shift == 0) {
          WithStoredType(block.form,
                         [&](auto type) { AppendIntegers<decltype(type)>(block.data.get(), block.count); });
          continue;
        }
        break;
    }
    double values[kBlockSize];
    block.Read(0, block.count, values);
    if (shift == 0) {
      append(values, block.count);  // as they are: -0.0 + 0 would be 0
    } else {
      for (std::size_t k = 0; k < block.count; ++k) push_back(values[k] + shift);
    }
  }
}

void CompactValues::Block::DropFront(std::size_t n) {
  assert(n < count);
  const std::size_t width = form == Form::kU8 ? 1 : form == Form::kU16 ? 2 : form == Form::kU32 ? 4 : 8;
  if (form == Form::kRuns) {
    // The run that holds value n starts there now, and later runs start n earlier.
    const auto first = RunOf(n);
    std::vector<Run> kept;
    kept.reserve(static_cast<std::size_t>(runs.end() - first));
    for (auto run = first; run != runs.end(); ++run) {
      const std::size_t start = std::max<std::size_t>(run->start, n);
      kept.push_back(
          {static_cast<std::uint32_t>(start - n), run->first + static_cast<double>(start - run->start)});
    }
    runs = std::move(kept);
  } else {
    std::memmove(data.get(), data.get() + n * width, (count - n) * width);
  }
  count -= static_cast<std::uint32_t>(n);
}

void CompactValues::append_taken(CompactValues& other) {
  assert(&other != this);
  if (other.empty()) return;
  blocks_.reserve(blocks_.size() + other.blocks_.size());
  for (Block& block : other.blocks_) {
    if ((size_ & kBlockMask) == 0) {  // the last block is full, or there is none: take the block whole
      size_ += block.count;
      blocks_.push_back(std::move(block));
      continue;
    }
    // The last block takes the first values, up to its room.
    Block& last = blocks_.back();
    const std::size_t take = std::min<std::size_t>(kBlockSize - last.count, block.count);
    if (last.form == block.form && last.form != Form::kRuns) {
      const std::size_t width = last.form == Form::kU8    ? 1
                                : last.form == Form::kU16 ? 2
                                : last.form == Form::kU32 ? 4
                                                          : 8;
      std::memcpy(last.data.get() + last.count * width, block.data.get(), take * width);
      last.count += static_cast<std::uint32_t>(take);
      size_ += take;
    } else {
      double values[kBlockSize];
      block.Read(0, take, values);
      append(values, take);  // in the form they need
    }
    if (take == block.count) continue;  // other's last block, used up
    block.DropFront(take);
    size_ += block.count;
    blocks_.push_back(std::move(block));
  }
  other.clear();
}

void CompactValues::AppendRun(double first, std::size_t count) {
  while (count > 0) {
    if ((size_ & kBlockMask) == 0) blocks_.emplace_back();
    Block& block = blocks_.back();
    const std::size_t take = std::min<std::size_t>(count, kBlockSize - block.count);
    const bool continues = block.form == Form::kRuns && !block.runs.empty() &&
                           SameBits(first, block.runs.back().first + (block.count - block.runs.back().start));
    if (continues || (block.form == Form::kRuns && RunsSuit(block.runs.size() + 1, block.count + 1))) {
      if (!continues) block.runs.push_back({block.count, first});
      block.count += static_cast<std::uint32_t>(take);
      size_ += take;
    } else {
      for (std::size_t k = 0; k < take; ++k) push_back(first + static_cast<double>(k));
    }
    first += static_cast<double>(take);
    count -= take;
  }
}

template <typename T>
void CompactValues::AppendIntegers(const std::byte* data, std::size_t count) {
  constexpr Form kForm = sizeof(T) == 1 ? Form::kU8 : sizeof(T) == 2 ? Form::kU16 : Form::kU32;
  for (std::size_t k = 0; k < count;) {
    if ((size_ & kBlockMask) == 0) blocks_.emplace_back();
    Block& block = blocks_.back();
    const std::size_t take = std::min<std::size_t>(count - k, kBlockSize - block.count);
    if (block.form == Form::kRuns && block.count == 0) {  // a new block: the form of the values
      block.form = kForm;
      block.data = std::make_unique_for_overwrite<std::byte[]>(kBlockSize * sizeof(T));
    }
    if (block.form == kForm) {
      std::memcpy(block.data.get() + block.count * sizeof(T), data + k * sizeof(T), take * sizeof(T));
      block.count += static_cast<std::uint32_t>(take);
      size_ += take;
    } else {
      for (std::size_t j = 0; j < take; ++j) push_back(static_cast<double>(Load<T>(data, k + j)));
    }
    k += take;
  }
}

void CompactValues::pop_back() {
  assert(size_ > 0);
  Block& block = blocks_.back();
  --block.count;
  if (block.form == Form::kRuns && block.runs.back().start == block.count) block.runs.pop_back();
  if (block.count == 0) blocks_.pop_back();
  --size_;
}

void CompactValues::set(std::size_t i, double v) {
  assert(i < size_);
  Block& block = blocks_[i >> kBlockShift];
  const std::size_t k = i & kBlockMask;
  if (block.TrySet(k, v)) return;
  double values[kBlockSize];
  block.Read(0, block.count, values);
  values[k] = v;
  block = Encode(values, block.count);
}

void CompactValues::insert(std::size_t i, double v) {
  assert(i <= size_);
  if (i == size_) return push_back(v);
  push_back(back());
  // Shift each block's part of [i, size - 1) up by one, from the last block
  // down, pulling in the value that crosses from the block before.
  double values[kBlockSize];
  for (std::size_t b = (size_ - 1) >> kBlockShift;; --b) {
    Block& block = blocks_[b];
    const std::size_t first = b << kBlockShift;
    const std::size_t from = std::max(first, i) - first;
    block.Read(0, block.count, values);
    std::move_backward(values + from, values + block.count - 1, values + block.count);
    const bool done = first + from == i;
    values[from] = done ? v : blocks_[b - 1].Get(kBlockMask);
    block = Encode(values, block.count);
    if (done) return;
  }
}

void CompactValues::erase(std::size_t i) {
  assert(i < size_);
  // Shift each block's part of (i, size) down by one, pulling in the value
  // that crosses from the block after; the last value then goes.
  double values[kBlockSize];
  for (std::size_t b = i >> kBlockShift; b < blocks_.size() && i + 1 < size_; ++b) {
    Block& block = blocks_[b];
    const std::size_t first = b << kBlockShift;
    const std::size_t from = std::max(first, i) - first;
    block.Read(0, block.count, values);
    std::move(values + from + 1, values + block.count, values + from);
    if (b + 1 < blocks_.size()) values[block.count - 1] = blocks_[b + 1].Get(0);
    block = Encode(values, block.count);
  }
  pop_back();
}

void CompactValues::read(std::size_t first, std::size_t count, double* out) const {
  assert(first + count <= size_);
  while (count > 0) {
    const Block& block = blocks_[first >> kBlockShift];
    const std::size_t k = first & kBlockMask;
    const std::size_t n = std::min<std::size_t>(count, block.count - k);
    block.Read(k, n, out);
    out += n;
    first += n;
    count -= n;
  }
}

std::size_t CompactValues::first_descent(std::size_t from, double previous) const {
  while (from < size_) {
    const Block& block = blocks_[from >> kBlockShift];
    const std::size_t k = from & kBlockMask;
    const std::size_t at = block.FirstDescent(k, previous);
    if (at < block.count) return from - k + at;
    from += block.count - k;
  }
  return size_;
}

std::size_t CompactValues::first_nan(std::size_t from) const {
  for (std::size_t b = from >> kBlockShift; b < blocks_.size(); ++b) {
    const Block& block = blocks_[b];
    if (block.form != Form::kDoubles) continue;
    const std::size_t start = b << kBlockShift;
    for (std::size_t k = std::max(from, start) - start; k < block.count; ++k) {
      if (std::isnan(Load<double>(block.data.get(), k))) return start + k;
    }
  }
  return size_;
}

void CompactValues::extremes(std::size_t first, std::size_t count, double& lowest, double& highest) const {
  assert(count > 0 && first + count <= size_);
  bool any = false;
  while (count > 0) {
    const Block& block = blocks_[first >> kBlockShift];
    const std::size_t k = first & kBlockMask;
    const std::size_t n = std::min<std::size_t>(count, block.count - k);
    double low = 0;
    double high = 0;
    block.Extremes(k, n, low, high);
    lowest = !any || low < lowest ? low : lowest;
    highest = !any || high > highest ? high : highest;
    any = true;
    first += n;
    count -= n;
  }
}

void CompactValues::take_extremes(std::size_t first, std::size_t count, double& lowest,
                                  double& highest) const {
  assert(first + count <= size_);
  double low = lowest;
  double high = highest;
  while (count > 0) {
    const Block& block = blocks_[first >> kBlockShift];
    const std::size_t k = first & kBlockMask;
    const std::size_t n = std::min<std::size_t>(count, block.count - k);
    if (block.form == Form::kDoubles) {
      for (std::size_t j = k; j < k + n; ++j) {
        const double v = Load<double>(block.data.get(), j);
        low = v < low ? v : low;
        high = v > high ? v : high;
      }
    } else {
      // No NaN and no negative zero here: values equal to an extreme are
      // the same double, so only the extremes of the stretch can replace
      // lowest and highest.
      double block_low = 0;
      double block_high = 0;
      block.Extremes(k, n, block_low, block_high);
      low = block_low < low ? block_low : low;
      high = block_high > high ? block_high : high;
    }
    first += n;
    count -= n;
  }
  lowest = low;
  highest = high;
}

std::size_t CompactValues::memory_bytes() const {
  std::size_t bytes = blocks_.capacity() * sizeof(Block);
  for (const Block& block : blocks_) {
    switch (block.form) {
      case Form::kRuns:
        bytes += block.runs.capacity() * sizeof(Run);
        break;
      case Form::kU8:
        bytes += kBlockSize;
        break;
      case Form::kU16:
        bytes += 2 * kBlockSize;
        break;
      case Form::kU32:
        bytes += 4 * kBlockSize;
        break;
      case Form::kDoubles:
        bytes += sizeof(double) * kBlockSize;
        break;
    }
  }
  return bytes;
}

}  // namespace kep::chart

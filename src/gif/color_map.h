#pragma once

#include <span>
#include <vector>

#include "gif/output_types.h"

namespace kep::gif {

inline constexpr int kMaxColors = 256;

// Bits per pixel of a colour table of count entries: 0 for none, otherwise
// the smallest b >= 1 with 2^b >= count.
int BitsPerPixelForCount(int count);

// A colour table of at most 256 entries (used as the global and as a local map).
class GIFColorMap {
 public:
  int Count() const { return static_cast<int>(colors_.size()); }
  // 0 when empty, 16 at first, then a multiple of 32, at most 256.
  int Capacity() const { return capacity_; }
  const GIFColor& operator[](int index) const { return colors_[static_cast<std::size_t>(index)]; }
  std::span<const GIFColor> Colors() const { return colors_; }

  // Appends a colour and returns its index; clears the sorted flag.
  // A map that already holds 256 entries raises "Color table overflow".
  int Add(GIFColor color);
  // Replaces the entries; more than 256 raise "Color table overflow" and leave the map unchanged.
  void Assign(std::span<const GIFColor> colors);
  void Clear();

  bool Sorted() const { return sorted_; }
  void SetSorted(bool sorted) { sorted_ = sorted; }

  int BitsPerPixel() const { return BitsPerPixelForCount(Count()); }
  // Bits per pixel minus 1 (-1 for an empty map).
  int ColorResolution() const { return BitsPerPixel() - 1; }

 private:
  void Reserve(int count);

  std::vector<GIFColor> colors_;
  int capacity_ = 0;
  bool sorted_ = false;
};

}  // namespace kep::gif

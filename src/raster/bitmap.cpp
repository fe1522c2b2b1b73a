#include "raster/bitmap.h"

#include <algorithm>
#include <cstring>

namespace kep::raster {

Bitmap::Bitmap(int width, int height) { Resize(width, height); }

void Bitmap::Resize(int width, int height) {
  width_ = std::max(width, 0);
  height_ = std::max(height, 0);
  pixels_.assign(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), clWhite.ToXrgb());
}

void Bitmap::Fill(Color color) { std::fill(pixels_.begin(), pixels_.end(), color.ToXrgb()); }

void Bitmap::CopyFrom(const Bitmap& source, int x, int y) {
  const IntRect placed{x, y, static_cast<int>(std::min<long long>(static_cast<long long>(x) + source.width_, width_)),
                       static_cast<int>(std::min<long long>(static_cast<long long>(y) + source.height_, height_))};
  const IntRect area = placed.Intersect(Bounds());
  if (area.IsEmpty()) return;
  const std::size_t count = static_cast<std::size_t>(area.Width());
  for (int row = area.Top; row < area.Bottom; ++row) {
    std::memcpy(Row(row) + area.Left, source.Row(row - y) + (area.Left - x), count * sizeof(std::uint32_t));
  }
}

}  // namespace kep::raster

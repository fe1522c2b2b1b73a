#pragma once

#include <string>
#include <vector>

#include "raster/bitmap.h"

namespace kep::raster::testing {

// The smallest rectangle holding every pixel that differs from background;
// an empty rectangle when there is none.
inline IntRect PaintedBox(const Bitmap& bitmap, Color background = clWhite) {
  IntRect box{bitmap.Width(), bitmap.Height(), 0, 0};
  for (int y = 0; y < bitmap.Height(); ++y) {
    for (int x = 0; x < bitmap.Width(); ++x) {
      if (bitmap.Pixel(x, y) == background.ToXrgb()) continue;
      box = {std::min(box.Left, x), std::min(box.Top, y), std::max(box.Right, x + 1),
             std::max(box.Bottom, y + 1)};
    }
  }
  return box.IsEmpty() ? IntRect{} : box;
}

// The bitmap as rows of characters: '.' for white, '#' for any other colour.
inline std::vector<std::string> Picture(const Bitmap& bitmap) {
  std::vector<std::string> rows;
  for (int y = 0; y < bitmap.Height(); ++y) {
    std::string row;
    for (int x = 0; x < bitmap.Width(); ++x) row += bitmap.Pixel(x, y) == clWhite.ToXrgb() ? '.' : '#';
    rows.push_back(row);
  }
  return rows;
}

// A bitmap with a different, reproducible colour in every pixel.
inline Bitmap Noise(int width, int height) {
  Bitmap bitmap(width, height);
  std::uint32_t state = 12345;
  for (std::uint32_t& pixel : bitmap.Pixels()) {
    state = state * 1103515245u + 12345u;
    pixel = (state >> 8) & 0xFFFFFF;
  }
  return bitmap;
}

}  // namespace kep::raster::testing

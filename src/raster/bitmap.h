#pragma once

#include <cassert>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "raster/color.h"
#include "raster/geometry.h"

namespace kep::raster {

// A 32-bit XRGB pixel buffer (0x00RRGGBB per pixel, rows top to bottom),
// white when created or resized. Stride is in pixels.
class Bitmap {
 public:
  Bitmap() = default;
  Bitmap(int width, int height);

  int Width() const { return width_; }
  int Height() const { return height_; }
  int Stride() const { return width_; }
  IntRect Bounds() const { return {0, 0, width_, height_}; }

  // Changes the size; every pixel becomes white. Negative sizes count as 0.
  // Memory a much smaller bitmap does not need is given back. When the
  // pixels cannot be allocated, std::bad_alloc leaves the bitmap 0 x 0.
  void Resize(int width, int height);
  void Fill(Color color);

  // Rows and pixels are not checked in release builds, where drawing code
  // clips before it writes; debug builds assert the indices.
  std::uint32_t* Row(int y) { return pixels_.data() + RowStart(y); }
  const std::uint32_t* Row(int y) const { return pixels_.data() + RowStart(y); }
  std::uint32_t Pixel(int x, int y) const { return Row(y)[CheckedX(x)]; }
  void SetPixel(int x, int y, std::uint32_t xrgb) { Row(y)[CheckedX(x)] = xrgb; }
  std::span<std::uint32_t> Pixels() { return pixels_; }
  std::span<const std::uint32_t> Pixels() const { return pixels_; }

  // Copies source onto this bitmap with source's top-left at (x, y), clipped.
  void CopyFrom(const Bitmap& source, int x, int y);

  friend bool operator==(const Bitmap&, const Bitmap&) = default;

 private:
  std::size_t RowStart(int y) const {
    assert(y >= 0 && y < height_);
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(width_);
  }
  int CheckedX(int x) const {
    assert(x >= 0 && x < width_);
    return x;
  }

  int width_ = 0;
  int height_ = 0;
  std::vector<std::uint32_t> pixels_;
};

// Writes bitmap as a binary PPM (P6) picture, for looking at drawings made by
// tests and tools; false when the file cannot be written.
bool WritePpm(const Bitmap& bitmap, const std::string& path);

}  // namespace kep::raster

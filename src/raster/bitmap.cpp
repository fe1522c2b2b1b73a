#include "raster/bitmap.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace kep::raster {

Bitmap::Bitmap(int width, int height) { Resize(width, height); }

void Bitmap::Resize(int width, int height) {
  const std::size_t count =
      static_cast<std::size_t>(std::max(width, 0)) * static_cast<std::size_t>(std::max(height, 0));
  // Empty until the new pixels are in place, so that a failed allocation
  // leaves a consistent 0 x 0 bitmap.
  width_ = 0;
  height_ = 0;
  // A buffer too small is given back before the new one is taken, so that
  // the two are never held at once; one much larger than needed is given
  // back too, so that a bitmap that shrinks returns its memory.
  if (count > pixels_.capacity() || count < pixels_.capacity() / 2) {
    pixels_.clear();
    pixels_.shrink_to_fit();
  }
  pixels_.assign(count, clWhite.ToXrgb());
  width_ = std::max(width, 0);
  height_ = std::max(height, 0);
}

void Bitmap::Fill(Color color) { std::fill(pixels_.begin(), pixels_.end(), color.ToXrgb()); }

void Bitmap::CopyFrom(const Bitmap& source, int x, int y) {
  const IntRect placed{
      x, y, static_cast<int>(std::min<long long>(static_cast<long long>(x) + source.width_, width_)),
      static_cast<int>(std::min<long long>(static_cast<long long>(y) + source.height_, height_))};
  const IntRect area = placed.Intersect(Bounds());
  if (area.IsEmpty()) return;
  const std::size_t count = static_cast<std::size_t>(area.Width());
  for (int row = area.Top; row < area.Bottom; ++row) {
    std::memcpy(Row(row) + area.Left, source.Row(row - y) + (area.Left - x), count * sizeof(std::uint32_t));
  }
}

bool WritePpm(const Bitmap& bitmap, const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  std::fprintf(file, "P6\n%d %d\n255\n", bitmap.Width(), bitmap.Height());
  std::vector<unsigned char> row(static_cast<std::size_t>(bitmap.Width()) * 3);
  bool written = true;
  for (int y = 0; y < bitmap.Height(); ++y) {
    const std::uint32_t* pixels = bitmap.Row(y);
    for (int x = 0; x < bitmap.Width(); ++x) {
      row[3 * x] = static_cast<unsigned char>(pixels[x] >> 16);
      row[3 * x + 1] = static_cast<unsigned char>(pixels[x] >> 8);
      row[3 * x + 2] = static_cast<unsigned char>(pixels[x]);
    }
    written = written && std::fwrite(row.data(), 1, row.size(), file) == row.size();
  }
  return std::fclose(file) == 0 && written;
}

}  // namespace kep::raster

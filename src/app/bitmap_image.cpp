#include "app/bitmap_image.h"

#include <cstdint>

namespace kep::app {

QImage ImageOfBitmap(const raster::Bitmap& bitmap) {
  QImage image(bitmap.Width(), bitmap.Height(), QImage::Format_RGB32);
  for (int y = 0; y < bitmap.Height(); ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(image.scanLine(y));
    const std::uint32_t* source = bitmap.Row(y);
    for (int x = 0; x < bitmap.Width(); ++x) row[x] = 0xFF000000u | source[x];
  }
  return image;
}

raster::Bitmap BitmapOfImage(const QImage& image) {
  const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
  raster::Bitmap bitmap(rgb.width(), rgb.height());
  for (int y = 0; y < rgb.height(); ++y) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(rgb.constScanLine(y));
    std::uint32_t* target = bitmap.Row(y);
    for (int x = 0; x < rgb.width(); ++x) target[x] = row[x] & 0x00FFFFFFu;
  }
  return bitmap;
}

}  // namespace kep::app

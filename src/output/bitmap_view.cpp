#include "output/bitmap_view.h"

#include <cstdlib>

#include "output/messages.h"

namespace kep::output {

BitmapView BitmapView::XRGB32(const std::uint32_t* pixels, int width, int height, int stride_pixels) {
  BitmapView view;
  view.width = width;
  view.height = height;
  view.stride = static_cast<std::ptrdiff_t>(stride_pixels) * 4;
  view.format = PixelFormat::kXRGB32;
  view.pixels = reinterpret_cast<const std::uint8_t*>(pixels);
  return view;
}

int BitsOf(PixelFormat format) {
  switch (format) {
    case PixelFormat::kIndexed1:
      return 1;
    case PixelFormat::kIndexed4:
      return 4;
    case PixelFormat::kIndexed8:
      return 8;
    case PixelFormat::kRGB555:
    case PixelFormat::kRGB565:
      return 16;
    case PixelFormat::kBGR24:
      return 24;
    case PixelFormat::kXRGB32:
      return 32;
  }
  return 0;
}

bool IsIndexed(PixelFormat format) {
  return format == PixelFormat::kIndexed1 || format == PixelFormat::kIndexed4 ||
         format == PixelFormat::kIndexed8;
}

std::string_view BitmapFault(const BitmapView& bitmap) {
  const int bits = BitsOf(bitmap.format);
  if (bits == 0) return messages::kUnsupportedPixelFormat;
  if (bitmap.width < 0 || bitmap.height < 0) return messages::kInvalidImageDimensions;
  if (bitmap.Empty()) return {};
  if (bitmap.pixels == nullptr) return messages::kImageHasNoDIB;
  const long long row_bytes = (static_cast<long long>(bitmap.width) * bits + 7) / 8;
  if (std::llabs(static_cast<long long>(bitmap.stride)) < row_bytes) return messages::kInvalidImageDimensions;
  return {};
}

}  // namespace kep::output

#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace kep::gif {

// One colour table entry.
struct GIFColor {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  friend bool operator==(const GIFColor&, const GIFColor&) = default;
};

enum class PixelFormat {
  kIndexed1,  // 8 pixels per byte, most significant bit first, colours from the palette
  kIndexed4,  // 2 pixels per byte, high nibble first, colours from the palette
  kIndexed8,  // one palette index per byte
  kRGB555,    // 16-bit little-endian words: 0RRRRRGG GGGBBBBB
  kRGB565,    // 16-bit little-endian words: RRRRRGGG GGGBBBBB
  kBGR24,     // blue, green, red bytes
  kXRGB32,    // 32-bit native words 0x00RRGGBB
};

// A bitmap the GIF export reads but never changes: size, row stride in bytes
// (negative for bottom-up memory), pixel format, and for the indexed formats
// its palette.
struct BitmapView {
  int width = 0;
  int height = 0;
  std::ptrdiff_t stride = 0;
  PixelFormat format = PixelFormat::kXRGB32;
  const std::uint8_t* pixels = nullptr;
  std::span<const GIFColor> palette;

  const std::uint8_t* Row(int y) const { return pixels + static_cast<std::ptrdiff_t>(y) * stride; }
  bool Empty() const { return width == 0 || height == 0; }

  // The view of a 32-bit XRGB pixel buffer whose rows are stride_pixels apart.
  static BitmapView XRGB32(const std::uint32_t* pixels, int width, int height, int stride_pixels);
};

// Bits per pixel of a format (1, 4, 8, 16, 24 or 32).
int BitsOf(PixelFormat format);
bool IsIndexed(PixelFormat format);

// Checks that a non-empty view can be read: known format, non-negative size,
// pixel memory present and rows at least as long as the pixels need.
void ValidateBitmap(const BitmapView& bitmap);

}  // namespace kep::gif

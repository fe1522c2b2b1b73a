#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace kep::output {

// One palette entry.
struct PaletteColor {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  friend bool operator==(const PaletteColor&, const PaletteColor&) = default;
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

// A bitmap an image writer reads but never changes: size, row stride in bytes
// (negative for bottom-up memory), pixel format, and for the indexed formats
// its palette.
struct BitmapView {
  int width = 0;
  int height = 0;
  std::ptrdiff_t stride = 0;
  PixelFormat format = PixelFormat::kXRGB32;
  const std::uint8_t* pixels = nullptr;
  std::span<const PaletteColor> palette;

  const std::uint8_t* Row(int y) const { return pixels + static_cast<std::ptrdiff_t>(y) * stride; }
  bool Empty() const { return width == 0 || height == 0; }

  // The view of a 32-bit XRGB pixel buffer whose rows are stride_pixels apart.
  static BitmapView XRGB32(const std::uint32_t* pixels, int width, int height, int stride_pixels);
};

// Bits per pixel of a format (1, 4, 8, 16, 24 or 32); 0 for a value that
// names no format.
int BitsOf(PixelFormat format);
bool IsIndexed(PixelFormat format);

// Why a view cannot be read, as the message each image format raises: an
// unknown format, a negative size, missing pixel memory for a non-empty view
// or rows shorter than the pixels need. Empty when the view can be read.
std::string_view BitmapFault(const BitmapView& bitmap);

}  // namespace kep::output

#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "gif/color_map.h"
#include "gif/output_types.h"

namespace kep::gif {

// The colour reduction methods by their setting values. Only kNone,
// kFourGrays, kMonochrome, kGrayScale and kWebPalette are implemented; the
// others raise GIFException "Color reduction method %d is not supported".
enum class ReductionMethod : int {
  kNone = 0,          // the distinct colours in order of first appearance (at most 256)
  kSystem20 = 1,      // not supported
  kHalftone = 2,      // not supported
  kFourGrays = 3,     // 0, 128, 192, 255 gray, nearest colour
  kMonochrome = 4,    // black and white by luminance
  kGrayScale = 5,     // 256 grays by luminance
  kWebPalette = 6,    // 216 web colours by integer division (the default)
  kQuantize = 7,      // not supported
  kOptimized = 8,     // not supported
  kCustomPalette = 9  // not supported
};

// Dither kinds: 0 maps every pixel on its own; the error-diffusion kinds 1 to 6
// raise GIFException "Dither kind %d is not supported".
enum class DitherMode : int { kNearest = 0 };

// An 8-bit indexed picture: one byte per pixel, rows top to bottom, and its
// colour table (for the web palette 256 slots: 216 colours, then 40 black).
struct IndexedBitmap {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> indices;
  std::vector<GIFColor> palette;
};

// The web palette: entry 36*r + 6*g + b is (51*r, 51*g, 51*b) for r, g, b in 0..5.
std::span<const GIFColor> WebPalette();

// Maps the rows of one bitmap onto a reduction method's palette.
class ColorReducer {
 public:
  // Raises GIFException for a method or dither kind that is not supported.
  ColorReducer(ReductionMethod method, DitherMode dither, int reduction_bits,
               std::span<const GIFColor> custom_palette = {});
  ~ColorReducer();
  ColorReducer(const ColorReducer&) = delete;
  ColorReducer& operator=(const ColorReducer&) = delete;

  // Writes the palette index of every pixel of row y of source to out (source.width bytes).
  void MapRow(const BitmapView& source, int y, std::uint8_t* out);
  // The colour table; for kNone it holds the colours met so far.
  std::span<const GIFColor> Palette() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// A new 8-bit picture of the source's size mapped onto the method's palette.
// A source of width or height 0 raises "Invalid image dimensions".
IndexedBitmap ReduceBitmapColors(const BitmapView& source, ReductionMethod method, DitherMode dither,
                                 int reduction_bits, std::span<const GIFColor> custom_palette = {});

}  // namespace kep::gif

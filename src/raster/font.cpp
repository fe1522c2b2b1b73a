#include "raster/font.h"

#include <cstdint>
#include <cstdlib>

namespace kep::raster {

int Font::EmPixels() const {
  if (pixel_height > 0) return pixel_height;
  // Points to pixels at 96 dots per inch, rounded half away from zero.
  const std::int64_t scaled = std::llabs(static_cast<std::int64_t>(points)) * 96;
  const std::int64_t pixels = (scaled + 36) / 72;
  return pixels < 1 ? 1 : static_cast<int>(pixels);
}

}  // namespace kep::raster

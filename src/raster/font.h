#pragma once

#include <string>

#include "raster/color.h"

namespace kep::raster {

// A font request: a family name, a size and a style. The size is in points
// (pixels at 96 dots per inch: 8 points are 11 pixels of em height) unless
// pixel_height is above 0, which then gives the em height in pixels.
// "Arial" resolves to Liberation Sans, "Courier New" to Liberation Mono,
// "MS Sans Serif" to the platform's default sans face.
struct Font {
  std::string name = "Arial";
  int points = 10;
  int pixel_height = 0;
  bool bold = false;
  bool italic = false;
  Color color = clBlack;

  // The em height in pixels this font is drawn at.
  int EmPixels() const;
  friend bool operator==(const Font&, const Font&) = default;
};

}  // namespace kep::raster

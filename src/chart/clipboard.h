#pragma once

#include "raster/bitmap.h"

namespace kep::chart {

// The system clipboard as the chart's capture and the save command use it.
// Both calls raise kep::Error "Cannot open clipboard" when the clipboard
// cannot be used; GetBitmap raises "Unsupported clipboard format" when it
// holds no image.
class Clipboard {
 public:
  virtual ~Clipboard() = default;
  // Replaces the clipboard's content with a copy of bitmap.
  virtual void SetBitmap(const raster::Bitmap& bitmap) = 0;
  // A copy of the clipboard's image as 32-bit pixels.
  virtual raster::Bitmap GetBitmap() = 0;
};

}  // namespace kep::chart

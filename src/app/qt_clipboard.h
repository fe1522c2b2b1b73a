#pragma once

#include "chart/clipboard.h"

namespace kep::app {

// The desktop clipboard holding an image.
class QtClipboard : public chart::Clipboard {
 public:
  void SetBitmap(const raster::Bitmap& bitmap) override;
  raster::Bitmap GetBitmap() override;
};

}  // namespace kep::app

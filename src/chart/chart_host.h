#pragma once

#include "raster/bitmap.h"

namespace kep::chart {

enum class CursorShape { kDefault, kHand };

// What a chart panel needs of the window that shows it. The Qt widget
// implements it for the desktop viewer; a headless host implements it for
// tests and the command-line renderer.
class ChartHost {
 public:
  virtual ~ChartHost() = default;

  // Asks for a paint later (the panel's paint handler then runs).
  virtual void Invalidate() = 0;
  // Runs the panel's paint handler now, before returning.
  virtual void PaintNow() = 0;
  // The window's pixels: a bitmap of the panel's client size that the host
  // shows as it is. The panel draws into it and reads its size from it.
  virtual raster::Bitmap& WindowPixels() = 0;
  // Tells the host that the panel drew onto the window pixels outside a
  // paint (the zoom rectangle), so that it shows them without repainting.
  virtual void WindowPixelsDrawn() {}
  virtual void SetCursor(CursorShape shape) = 0;
};

}  // namespace kep::chart

#pragma once

#include "raster/color.h"

namespace kep::raster {

// psAlternate paints every other pixel (the small dots of a chart pen).
enum class PenStyle { psSolid, psDot, psClear, psAlternate };
enum class PenMode { pmCopy, pmNotXor };

// A pen of the drawing surface.
struct Pen {
  Color color = clBlack;
  int width = 1;
  PenStyle style = PenStyle::psSolid;
  PenMode mode = PenMode::pmCopy;
  friend bool operator==(const Pen&, const Pen&) = default;
};

// A pen of a chart part: a pen with Visible and SmallDots. A pen that is not
// visible draws nothing. The kinds below differ only in their defaults.
struct ChartPen : Pen {
  bool visible = true;
  bool small_dots = false;
  friend bool operator==(const ChartPen&, const ChartPen&) = default;
};

struct ChartAxisPen : ChartPen {
  ChartAxisPen() { width = 2; }
};
struct DarkGrayPen : ChartPen {
  DarkGrayPen() { color = clGray; }
};
struct DottedGrayPen : ChartPen {
  DottedGrayPen() {
    color = clGray;
    style = PenStyle::psDot;
  }
};
struct ChartHiddenPen : ChartPen {
  ChartHiddenPen() { visible = false; }
};

}  // namespace kep::raster

#pragma once

#include <memory>
#include <optional>
#include <span>
#include <string>

#include "raster/color.h"
#include "raster/font_engine.h"
#include "raster/geometry.h"

namespace kep::raster {

// A point of a stroked path, in pixels of the page.
struct PathPoint {
  double x = 0;
  double y = 0;
};

// The pen of a stroked path: width pixels wide; dash > 0 draws dash pixels
// on and dash off from the path's start, the gaps in gap colour when there
// is one.
struct VectorPen {
  int width = 1;
  Color color;
  int dash = 0;
  std::optional<Color> gap;
  friend bool operator==(const VectorPen&, const VectorPen&) = default;
};

// One vector file format, written by a VectorSurface. The surface hands it
// geometry already placed on the page: paths through pixel centres with the
// parts far off the page cut away, rectangles and clips limited to the page
// and a pixel around it.
class VectorDevice {
 public:
  virtual ~VectorDevice() = default;

  virtual void FillRect(const IntRect& rect, Color color) = 0;
  // An open path of at least two points.
  virtual void StrokePath(std::span<const PathPoint> path, const VectorPen& pen) = 0;
  // A text line of at least one glyph, as VectorSurface::Text describes it.
  virtual void Text(const GlyphRun& run, IntPoint position, IntPoint anchor, int angle, Color color,
                    std::optional<Color> background) = 0;
  // Limits drawing to clip (possibly empty), or lifts the limit.
  virtual void SetClip(const std::optional<IntRect>& clip) = 0;
  // Ends the drawing and returns the file's bytes; raises kep::Error when the
  // drawing failed.
  virtual std::string Finish() = 0;
};

// Appends code to out in UTF-8.
void AppendUtf8(char32_t code, std::string& out);

// An SVG document whose user units are the chart's pixels, with text as
// text elements.
std::unique_ptr<VectorDevice> MakeSvgDevice(int width, int height);
// A one-page PDF of 96 pixels to the inch, drawn with cairo.
std::unique_ptr<VectorDevice> MakePdfDevice(int width, int height);

}  // namespace kep::raster

#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "raster/color.h"
#include "raster/font_engine.h"
#include "raster/geometry.h"
#include "raster/vector_device.h"

namespace kep::raster {

// A vector drawing (SVG, or PDF made with cairo) of width x height logical
// pixels, which a ChartCanvas draws onto instead of a bitmap (AttachVector).
// Coordinates follow the bitmap rules: pixel (x, y) is the square from
// (x, y) to (x + 1, y + 1); a one-pixel line runs through pixel centres.
// SVG keeps pixels as its user units; PDF maps 96 pixels to an inch.
//
// Consecutive lines in the same pen that continue each other become one
// path, so a polyline is one element of the file, not one per segment.
// Text keeps its characters: SVG text elements in the face's family at the
// font engine's glyph positions, PDF glyphs that carry their characters.
class VectorSurface {
 public:
  enum class Format { kSvg, kPdf };

  // Raises kep::Error when cairo cannot make a PDF surface.
  VectorSurface(Format format, int width, int height);
  ~VectorSurface();
  VectorSurface(const VectorSurface&) = delete;
  VectorSurface& operator=(const VectorSurface&) = delete;

  int Width() const { return width_; }
  int Height() const { return height_; }

  void FillRect(const IntRect& rect, Color color);
  // A line from pixel to pixel in a pen of width pixels; dash > 0 draws
  // dash pixels on and dash off, the gaps in gap colour when there is one.
  void Line(IntPoint from, IntPoint to, int width, Color color, int dash, std::optional<Color> gap);
  // Text laid out by the font engine, its cell's anchor point (anchor, in the
  // text's own frame) at position, rotated counter-clockwise by angle
  // degrees; the cell is filled with background first when there is one.
  void Text(const GlyphRun& run, IntPoint position, IntPoint anchor, int angle, Color color,
            std::optional<Color> background);
  // Limits drawing to clip, or lifts the limit.
  void SetClip(const std::optional<IntRect>& clip);

  // Ends the drawing and returns the file's bytes. Raises kep::Error with
  // cairo's message when a PDF drawing failed.
  std::string Finish();

 private:
  void StrokePending();

  int width_ = 0;
  int height_ = 0;
  std::unique_ptr<VectorDevice> device_;
  std::vector<PathPoint> pending_;  // a path that waits to be stroked
  VectorPen pending_pen_;
  IntPoint pending_end_;
};

}  // namespace kep::raster

#pragma once

#include <cstdint>
#include <vector>

#include "raster/geometry.h"

namespace kep::raster {

// One run of a line's pixels across its major axis: for a line that is wider
// than it is tall (x-major) the pixels (major, minor_first..minor_last) are
// a column x = major, rows minor_first..minor_last; for a y-major line they
// are a row y = major, columns minor_first..minor_last. path_index is the
// position along the line of the first path pixel that covers the run
// (0 for the start point), which dotted pens use for their pattern.
struct LineRun {
  bool x_major = true;
  int major = 0;
  int minor_first = 0;
  int minor_last = 0;
  std::int64_t path_index = 0;
};

// Turns a line into runs of pixels, clipped to a rectangle.
//
// The path is the one-pixel Bresenham line from `from` towards `to`; `to`
// itself is not part of it. Path pixel i (0 <= i < n, n = the larger of
// |dx| and |dy|) steps i pixels along the major axis and
// floor((2 i |minor delta| + n) / (2 n)) pixels along the minor one, so ties
// round away from the start point.
//
// A line of width w is the union of w x w squares centred on the path pixels.
// For even widths the extra pixel lies on the negative side (left of a
// vertical line, above a horizontal one): the square spans offsets
// -(w / 2) .. w - 1 - w / 2 in both directions. Every pixel of the union is
// reported once, so raster modes that invert pixels work on wide lines.
//
// Coordinates anywhere in the int range are clipped arithmetically; the
// work is bounded by the clip rectangle, not by the length of the line.
class LineRasterizer {
 public:
  // Largest pen width drawn; wider pens are drawn at this width.
  static constexpr int kMaxWidth = 4096;

  // Calls visit(const LineRun&) for each run inside clip, which must not be empty.
  template <typename Visit>
  void Rasterize(IntPoint from, IntPoint to, int width, const IntRect& clip, Visit&& visit) {
    if (!Prepare(from, to, width, clip)) return;
    for (std::int64_t major = run_first_; major <= run_last_; ++major) {
      LineRun run;
      if (MakeRun(major, run)) visit(run);
    }
  }

 private:
  bool Prepare(IntPoint from, IntPoint to, int width, const IntRect& clip);
  bool MakeRun(std::int64_t major, LineRun& run) const;
  // Path indices whose major coordinate lies in [low, high].
  void MajorIndexRange(std::int64_t low, std::int64_t high, std::int64_t& first, std::int64_t& last) const;

  bool x_major_ = true;
  std::int64_t major0_ = 0;  // start point, major axis
  int major_step_ = 1;       // +1 or -1
  std::int64_t brush_low_ = 0;
  std::int64_t brush_high_ = 0;
  std::int64_t clip_minor_first_ = 0;
  std::int64_t clip_minor_last_ = 0;
  std::int64_t index_first_ = 0;  // path pixels kept: index_first_ .. index_first_ + minors_.size() - 1
  std::int64_t run_first_ = 0;    // runs to visit, major coordinates
  std::int64_t run_last_ = -1;
  std::vector<std::int64_t> minors_;  // minor coordinate of each kept path pixel
};

}  // namespace kep::raster

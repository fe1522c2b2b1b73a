#include "raster/line_rasterizer.h"

#include <algorithm>

namespace kep::raster {
namespace {

// Products of two coordinate differences need up to 66 bits.
__extension__ typedef __int128 Wide;

}  // namespace

bool LineRasterizer::Prepare(IntPoint from, IntPoint to, int width, const IntRect& clip) {
  const std::int64_t dx = static_cast<std::int64_t>(to.x) - from.x;
  const std::int64_t dy = static_cast<std::int64_t>(to.y) - from.y;
  const std::int64_t adx = dx < 0 ? -dx : dx;
  const std::int64_t ady = dy < 0 ? -dy : dy;
  const std::int64_t n = std::max(adx, ady);
  if (n == 0 || clip.IsEmpty()) return false;

  x_major_ = adx >= ady;
  major0_ = x_major_ ? from.x : from.y;
  const std::int64_t minor0 = x_major_ ? from.y : from.x;
  major_step_ = (x_major_ ? dx : dy) < 0 ? -1 : 1;
  const int minor_step = (x_major_ ? dy : dx) < 0 ? -1 : 1;
  const std::int64_t minor_delta = x_major_ ? ady : adx;

  const int w = std::clamp(width, 1, kMaxWidth);
  brush_low_ = -(w / 2);
  brush_high_ = brush_low_ + w - 1;

  const std::int64_t clip_major_first = x_major_ ? clip.Left : clip.Top;
  const std::int64_t clip_major_last = (x_major_ ? clip.Right : clip.Bottom) - 1;
  clip_minor_first_ = x_major_ ? clip.Top : clip.Left;
  clip_minor_last_ = (x_major_ ? clip.Bottom : clip.Right) - 1;

  // Keep the path pixels whose brush square touches the clip: first along
  // the major axis, then along the minor one, where the minor offset
  // m(i) = floor((2 i minor_delta + n) / (2 n)) never decreases.
  std::int64_t first = 0;
  std::int64_t last = 0;
  MajorIndexRange(clip_major_first - brush_high_, clip_major_last - brush_low_, first, last);
  first = std::max<std::int64_t>(first, 0);
  last = std::min(last, n - 1);
  if (first > last) return false;

  // The smallest index whose minor offset is at least k (n when there is none).
  const auto first_index_at_least = [&](std::int64_t k) -> std::int64_t {
    if (k <= 0) return 0;
    if (k > minor_delta) return n;  // m(i) <= minor_delta for every i <= n
    const Wide numerator = static_cast<Wide>(2 * k - 1) * n;
    const Wide denominator = static_cast<Wide>(2) * minor_delta;
    return static_cast<std::int64_t>((numerator + denominator - 1) / denominator);
  };
  const std::int64_t low = clip_minor_first_ - brush_high_;
  const std::int64_t high = clip_minor_last_ - brush_low_;
  const std::int64_t k_low = minor_step > 0 ? low - minor0 : minor0 - high;
  const std::int64_t k_high = minor_step > 0 ? high - minor0 : minor0 - low;
  if (k_high < 0) return false;
  first = std::max(first, first_index_at_least(k_low));
  last = std::min(last, first_index_at_least(k_high + 1) - 1);
  if (first > last) return false;

  // Walk the kept part of the path with the Bresenham error term.
  const std::int64_t two_n = 2 * n;
  const Wide start = static_cast<Wide>(2) * first * minor_delta + n;
  std::int64_t m = first == 0 ? 0 : static_cast<std::int64_t>(start / two_n);
  std::int64_t rest = first == 0 ? n : static_cast<std::int64_t>(start % two_n);
  index_first_ = first;
  minors_.resize(static_cast<std::size_t>(last - first + 1));
  for (std::int64_t& minor : minors_) {
    minor = minor0 + minor_step * m;
    rest += 2 * minor_delta;
    if (rest >= two_n) {
      rest -= two_n;
      ++m;
    }
  }

  const std::int64_t major_a = major0_ + major_step_ * first;
  const std::int64_t major_b = major0_ + major_step_ * last;
  run_first_ = std::max(std::min(major_a, major_b) + brush_low_, clip_major_first);
  run_last_ = std::min(std::max(major_a, major_b) + brush_high_, clip_major_last);
  return true;
}

void LineRasterizer::MajorIndexRange(std::int64_t low, std::int64_t high, std::int64_t& first,
                                     std::int64_t& last) const {
  if (major_step_ > 0) {
    first = low - major0_;
    last = high - major0_;
  } else {
    first = major0_ - high;
    last = major0_ - low;
  }
}

bool LineRasterizer::MakeRun(std::int64_t major, LineRun& run) const {
  // The path pixels whose square covers this major coordinate.
  std::int64_t first = 0;
  std::int64_t last = 0;
  MajorIndexRange(major - brush_high_, major - brush_low_, first, last);
  first = std::max(first, index_first_);
  last = std::min(last, index_first_ + static_cast<std::int64_t>(minors_.size()) - 1);
  if (first > last) return false;
  const std::int64_t a = minors_[static_cast<std::size_t>(first - index_first_)];
  const std::int64_t b = minors_[static_cast<std::size_t>(last - index_first_)];
  const std::int64_t minor_first = std::max(std::min(a, b) + brush_low_, clip_minor_first_);
  const std::int64_t minor_last = std::min(std::max(a, b) + brush_high_, clip_minor_last_);
  if (minor_first > minor_last) return false;
  run.x_major = x_major_;
  run.major = static_cast<int>(major);
  run.minor_first = static_cast<int>(minor_first);
  run.minor_last = static_cast<int>(minor_last);
  run.path_index = first;
  return true;
}

}  // namespace kep::raster

#include "raster/geometry.h"

#include <algorithm>

namespace kep::raster {

IntRect IntRect::Intersect(const IntRect& other) const {
  const int left = std::max(Left, other.Left);
  const int top = std::max(Top, other.Top);
  const int right = std::min(Right, other.Right);
  const int bottom = std::min(Bottom, other.Bottom);
  if (right <= left || bottom <= top) return {left, top, left, top};
  return {left, top, right, bottom};
}

}  // namespace kep::raster

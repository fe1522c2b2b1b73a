#pragma once

namespace kep::raster {

struct IntPoint {
  int x = 0;
  int y = 0;
  friend bool operator==(const IntPoint&, const IntPoint&) = default;
};

// A pixel rectangle: Left and Top are inside, Right and Bottom are not.
struct IntRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;

  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  bool Contains(IntPoint p) const { return p.x >= Left && p.x < Right && p.y >= Top && p.y < Bottom; }
  IntRect Intersect(const IntRect& other) const;  // empty rectangles come back normalised to size 0
  friend bool operator==(const IntRect&, const IntRect&) = default;
};

}  // namespace kep::raster

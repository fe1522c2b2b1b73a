#include "raster/vector_surface.h"

#include <algorithm>
#include <cstdint>

namespace kep::raster {
namespace {

// Keeps the part of the segment (x0, y0)-(x1, y1) inside [low, high] in
// both directions (Liang-Barsky); false when nothing is left. Readers hold
// coordinates with limited precision, and cairo's fixed point cannot hold
// the far ends of lines that leave the page at all.
bool ClipSegment(double& x0, double& y0, double& x1, double& y1, double low, double high) {
  const double dx = x1 - x0;
  const double dy = y1 - y0;
  double enter = 0;
  double leave = 1;
  const double p[] = {-dx, dx, -dy, dy};
  const double q[] = {x0 - low, high - x0, y0 - low, high - y0};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return false;
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0) {
      enter = std::max(enter, t);
    } else {
      leave = std::min(leave, t);
    }
  }
  if (enter > leave) return false;
  x1 = x0 + leave * dx;
  y1 = y0 + leave * dy;
  x0 += enter * dx;
  y0 += enter * dy;
  return true;
}

}  // namespace

void AppendUtf8(char32_t code, std::string& out) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

VectorSurface::VectorSurface(Format format, int width, int height)
    : width_(std::max(width, 1)),
      height_(std::max(height, 1)),
      device_(format == Format::kSvg ? MakeSvgDevice(width_, height_) : MakePdfDevice(width_, height_)) {}

VectorSurface::~VectorSurface() = default;

void VectorSurface::FillRect(const IntRect& rect, Color color) {
  StrokePending();
  // Only the part on the page (and a pixel around it) is drawn.
  const IntRect part = rect.Intersect({-1, -1, width_ + 1, height_ + 1});
  if (part.IsEmpty()) return;
  device_->FillRect(part, color);
}

void VectorSurface::Line(IntPoint from, IntPoint to, int width, Color color, int dash,
                         std::optional<Color> gap) {
  const VectorPen pen{std::max(width, 1), color, dash, gap};
  if (!pending_.empty() && (pen != pending_pen_ || from != pending_end_)) StrokePending();
  // A pen of odd width is centred on the pixel centres; an even one has its
  // extra pixel on the left or above, so its centre is the pixels' edge.
  const double offset = pen.width % 2 == 1 ? 0.5 : 0;
  double x0 = from.x + offset;
  double y0 = from.y + offset;
  double x1 = to.x + offset;
  double y1 = to.y + offset;
  const double margin = pen.width + 16.0;
  const double extent = std::max(width_, height_) + margin;
  if (!ClipSegment(x0, y0, x1, y1, -margin, extent)) {
    StrokePending();
    return;
  }
  if (pending_.empty() || x0 != from.x + offset || y0 != from.y + offset) {
    StrokePending();
    pending_.push_back({x0, y0});
  }
  pending_.push_back({x1, y1});
  pending_pen_ = pen;
  // A clipped end does not continue into the next line.
  pending_end_ = (x1 == to.x + offset && y1 == to.y + offset) ? to : IntPoint{INT32_MIN, INT32_MIN};
}

void VectorSurface::StrokePending() {
  if (pending_.empty()) return;
  device_->StrokePath(pending_, pending_pen_);
  pending_.clear();
}

void VectorSurface::Text(const GlyphRun& run, IntPoint position, IntPoint anchor, int angle, Color color,
                         std::optional<Color> background) {
  StrokePending();
  if (run.glyphs.empty()) return;
  device_->Text(run, position, anchor, angle, color, background);
}

void VectorSurface::SetClip(const std::optional<IntRect>& clip) {
  StrokePending();
  if (clip) {
    device_->SetClip(clip->Intersect({-1, -1, width_ + 1, height_ + 1}));
  } else {
    device_->SetClip(std::nullopt);
  }
}

std::string VectorSurface::Finish() {
  StrokePending();
  return device_->Finish();
}

}  // namespace kep::raster

#include "raster/chart_canvas.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "raster/font_engine.h"
#include "raster/vector_surface.h"

namespace kep::raster {
namespace {

constexpr std::uint32_t kColorBits = 0x00FFFFFF;

std::uint32_t Combine(std::uint32_t pixel, std::uint32_t color, PenMode mode) {
  return mode == PenMode::pmNotXor ? ~(color ^ pixel) & kColorBits : color;
}

// color over base with coverage alpha (0..255), per channel, rounded.
std::uint32_t Blend(std::uint32_t base, std::uint32_t color, std::uint32_t alpha) {
  if (alpha == 255) return color;
  const std::uint32_t inverse = 255 - alpha;
  std::uint32_t result = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const std::uint32_t mixed = ((color >> shift) & 0xFF) * alpha + ((base >> shift) & 0xFF) * inverse + 128;
    result |= (((mixed + (mixed >> 8)) >> 8) & 0xFF) << shift;
  }
  return result;
}

IntRect Normalized(const IntRect& rect) {
  return {std::min(rect.Left, rect.Right), std::min(rect.Top, rect.Bottom), std::max(rect.Left, rect.Right),
          std::max(rect.Top, rect.Bottom)};
}

}  // namespace

ChartCanvas::ChartCanvas() : fonts_(std::make_unique<FontEngine>()) {}

ChartCanvas::~ChartCanvas() = default;

// ---- targets and the off-screen image ----

void ChartCanvas::SetWindow(Bitmap* window) {
  if (target_ == window_) target_ = window;
  window_ = window;
}

IntRect ChartCanvas::BeginDraw(Bitmap& target, const IntRect& rect) {
  RemoveClip();
  if (!use_offscreen_buffer_) {
    target_ = &target;
    return rect;
  }
  const int width = std::max(rect.Width(), 0);
  const int height = std::max(rect.Height(), 0);
  const int device_width = ToDevice(width);
  const int device_height = ToDevice(height);
  if (!offscreen_ || offscreen_->Width() != device_width || offscreen_->Height() != device_height) {
    offscreen_ = std::make_unique<Bitmap>(device_width, device_height);
  }
  target_ = offscreen_.get();
  return {0, 0, width, height};
}

void ChartCanvas::PresentImage(Bitmap& target, const IntRect& rect) {
  if (use_offscreen_buffer_ && offscreen_) {
    target.CopyFrom(*offscreen_, ToDevice(rect.Left), ToDevice(rect.Top));
    image_stale_ = false;
  }
  target_ = window_;
}

void ChartCanvas::BlitImage() {
  if (window_ != nullptr && offscreen_) window_->CopyFrom(*offscreen_, 0, 0);
}

void ChartCanvas::SetUseOffscreenBuffer(bool use) {
  if (use == use_offscreen_buffer_) return;
  use_offscreen_buffer_ = use;
  if (!use) {
    if (target_ == offscreen_.get()) target_ = window_;
    offscreen_.reset();
    image_stale_ = true;
  }
}

const Bitmap* ChartCanvas::OffscreenImage() const { return offscreen_.get(); }

// ---- scale ----

void ChartCanvas::SetScale(double scale) {
  scale_ = std::isfinite(scale) ? std::clamp(scale, kMinScale, kMaxScale) : kMinScale;
}

int ChartCanvas::ToDevice(int logical) const {
  // Vector output keeps logical pixels; it scales as a whole.
  if (scale_ == 1 || vector_ != nullptr) return logical;
  return static_cast<int>(std::clamp(std::floor(logical * scale_ + 0.5), -2e9, 2e9));
}

IntRect ChartCanvas::ToDevice(const IntRect& logical) const {
  return {ToDevice(logical.Left), ToDevice(logical.Top), ToDevice(logical.Right), ToDevice(logical.Bottom)};
}

int ChartCanvas::ToLogical(int device) const {
  if (scale_ == 1) return device;
  return static_cast<int>(std::floor(device / scale_ + 0.5));
}

int ChartCanvas::DeviceWidth(int logical) const { return std::max(ToDevice(logical), 1); }

Font ChartCanvas::DeviceFont() const {
  if (scale_ == 1 || vector_ != nullptr) return font_;
  Font font = font_;
  font.pixel_height = std::max(1, static_cast<int>(std::lround(font_.EmPixels() * scale_)));
  return font;
}

void ChartCanvas::AttachVector(VectorSurface* vector) {
  vector_ = vector;
  if (vector_ != nullptr) vector_->SetClip(clip_);
}

// ---- pen, brush, font, alignment, background ----

void ChartCanvas::AssignChartPen(const ChartPen& pen) {
  pen_ = pen;
  if (!pen.visible) {
    pen_.style = PenStyle::psClear;
  } else if (pen.small_dots && pen.width == 1 && pen.style != PenStyle::psClear) {
    pen_.style = PenStyle::psAlternate;
  }
}

void ChartCanvas::SetTextAlign(HorizontalAlign horizontal, VerticalAlign vertical) {
  h_align_ = horizontal;
  v_align_ = vertical;
}

void ChartCanvas::RestoreDefaults() {
  pen_ = Pen{};
  brush_ = Brush{};
  font_ = Font{};
  background_color_ = clWhite;
  background_mode_ = BackgroundMode::kTransparent;
}

// ---- clipping ----

void ChartCanvas::ClipToRect(const IntRect& rect) {
  clip_ = clip_ ? clip_->Intersect(rect) : rect;
  if (vector_ != nullptr) vector_->SetClip(clip_);
}

void ChartCanvas::RemoveClip() {
  clip_.reset();
  if (vector_ != nullptr) vector_->SetClip(clip_);
}

void ChartCanvas::ClipToPlot(const IntRect& plot) {
  ClipToRect({plot.Left + 1, plot.Top + 1, plot.Right, plot.Bottom - 1});
}

IntRect ChartCanvas::DrawableArea() const {
  if (target_ == nullptr) return {};
  const IntRect bounds = target_->Bounds();
  return clip_ ? bounds.Intersect(ToDevice(*clip_)) : bounds;
}

// ---- pixels ----

void ChartCanvas::PaintRun(const LineRun& run, std::uint32_t color, PenMode mode) {
  if (run.x_major) {
    for (int y = run.minor_first; y <= run.minor_last; ++y) {
      std::uint32_t& pixel = target_->Row(y)[run.major];
      pixel = Combine(pixel, color, mode);
    }
  } else {
    PaintRow(run.major, run.minor_first, run.minor_last + 1, color, mode);
  }
}

void ChartCanvas::PaintRow(int y, int left, int right, std::uint32_t color, PenMode mode) {
  std::uint32_t* row = target_->Row(y);
  if (mode == PenMode::pmCopy) {
    std::fill(row + left, row + right, color);
  } else {
    for (int x = left; x < right; ++x) row[x] = Combine(row[x], color, mode);
  }
}

void ChartCanvas::PaintRect(const IntRect& rect, std::uint32_t color, PenMode mode) {
  if (vector_ != nullptr) {
    // A vector drawing has no pixels to invert: not-xor paints as copy.
    vector_->FillRect(rect, Color::FromXrgb(color));
    return;
  }
  const IntRect area = rect.Intersect(DrawableArea());
  for (int y = area.Top; y < area.Bottom; ++y) PaintRow(y, area.Left, area.Right, color, mode);
}

// ---- lines ----

void ChartCanvas::LineTo(IntPoint p) {
  const IntPoint from = pen_position_;
  pen_position_ = p;
  if (scale_ == 1 || vector_ != nullptr) {
    DeviceLine(from, p);
    return;
  }
  // A pen of logical width w covers logical pixels p - w / 2 onwards; the
  // device pen of width W covers device pixels from its path pixel - W / 2.
  // Shifting the path lines the two up, so that a scaled line covers the
  // device pixels of its logical ones.
  const int logical_width = pen_.style == PenStyle::psSolid ? std::max(pen_.width, 1) : 1;
  const int shift = DeviceWidth(logical_width) / 2 - ToDevice(logical_width / 2);
  const auto device = [&](IntPoint point) {
    const IntPoint mapped = ToDevice(point);
    return IntPoint{mapped.x + shift, mapped.y + shift};
  };
  DeviceLine(device(from), device(p));
}

void ChartCanvas::DeviceLine(IntPoint from, IntPoint p) {
  if (pen_.style == PenStyle::psClear) return;
  const bool fill_gaps = background_mode_ == BackgroundMode::kOpaque;
  // Patterned pens: 3 pixels on and 3 off, or every other pixel, per scale.
  const int on = pen_.style == PenStyle::psSolid ? 0 : DeviceWidth(pen_.style == PenStyle::psDot ? 3 : 1);
  if (vector_ != nullptr) {
    vector_->Line(from, p, on == 0 ? pen_.width : 1, pen_.color, on,
                  fill_gaps ? std::optional<Color>(background_color_) : std::nullopt);
    return;
  }
  const IntRect area = DrawableArea();
  if (area.IsEmpty()) return;

  const std::uint32_t color = pen_.color.ToXrgb();
  const PenMode mode = pen_.mode;
  if (pen_.style == PenStyle::psSolid) {
    rasterizer_.Rasterize(from, p, DeviceWidth(pen_.width), area,
                          [&](const LineRun& run) { PaintRun(run, color, mode); });
    return;
  }
  // Patterned pens are one logical pixel wide: each run is one path pixel.
  const int period = 2 * on;
  const std::uint32_t gap_color = background_color_.ToXrgb();
  rasterizer_.Rasterize(from, p, DeviceWidth(1), area, [&](const LineRun& run) {
    if (run.path_index % period < on) {
      PaintRun(run, color, mode);
    } else if (fill_gaps) {
      PaintRun(run, gap_color, mode);
    }
  });
}

void ChartCanvas::Polyline(std::span<const IntPoint> points) {
  if (points.empty()) return;
  MoveTo(points.front());
  for (const IntPoint& point : points.subspan(1)) LineTo(point);
}

// ---- rectangles ----

void ChartCanvas::Rectangle(const IntRect& rect) {
  const IntRect box = ToDevice(Normalized(rect));
  if (box.IsEmpty() || (target_ == nullptr && vector_ == nullptr)) return;
  IntRect inside = box;
  if (pen_.style != PenStyle::psClear) {
    const int width = std::clamp(pen_.style == PenStyle::psSolid ? DeviceWidth(pen_.width) : DeviceWidth(1),
                                 1, LineRasterizer::kMaxWidth);
    if (pen_.style == PenStyle::psSolid) {
      DrawFrame(box, width);
    } else {
      DrawPatternedFrame(box);
    }
    inside = {box.Left + width, box.Top + width, box.Right - width, box.Bottom - width};
  }
  if (!inside.IsEmpty()) FillWithBrush(inside);
}

void ChartCanvas::DrawFrame(const IntRect& box, int width) {
  // Bands inside the box, each pixel painted once: top and bottom across the
  // whole width, left and right between them.
  const std::uint32_t color = pen_.color.ToXrgb();
  const int band_h = std::min(width, box.Height());
  const int top_end = box.Top + band_h;
  const int bottom_start = std::max(box.Bottom - width, top_end);
  PaintRect({box.Left, box.Top, box.Right, top_end}, color, pen_.mode);
  PaintRect({box.Left, bottom_start, box.Right, box.Bottom}, color, pen_.mode);
  const int band_w = std::min(width, box.Width());
  const int left_end = box.Left + band_w;
  const int right_start = std::max(box.Right - width, left_end);
  PaintRect({box.Left, top_end, left_end, bottom_start}, color, pen_.mode);
  PaintRect({right_start, top_end, box.Right, bottom_start}, color, pen_.mode);
}

void ChartCanvas::DrawPatternedFrame(const IntRect& box) {
  // Clockwise from the top-left corner; every side leaves its end point to
  // the next one, so each pixel of the outline is drawn once.
  const int right = box.Right - 1;
  const int bottom = box.Bottom - 1;
  if (box.Width() == 1 || box.Height() == 1) {
    DeviceLine({box.Left, box.Top},
               box.Width() == 1 ? IntPoint{box.Left, box.Bottom} : IntPoint{box.Right, box.Top});
    return;
  }
  const IntPoint corners[] = {
      {box.Left, box.Top}, {right, box.Top}, {right, bottom}, {box.Left, bottom}, {box.Left, box.Top}};
  for (std::size_t i = 0; i + 1 < std::size(corners); ++i) DeviceLine(corners[i], corners[i + 1]);
}

void ChartCanvas::FillWithBrush(const IntRect& rect) {
  if (brush_.style == BrushStyle::bsClear) return;
  const std::uint32_t color = brush_.color.ToXrgb();
  if (brush_.style == BrushStyle::bsSolid) {
    PaintRect(rect, color, pen_.mode);
    return;
  }
  // Cross hatch: lines every 8 logical pixels of the target, the rest background.
  const bool fill_gaps = background_mode_ == BackgroundMode::kOpaque;
  const std::uint32_t gap_color = background_color_.ToXrgb();
  const int step = DeviceWidth(8);
  if (vector_ != nullptr) {
    if (fill_gaps) PaintRect(rect, gap_color, pen_.mode);
    for (int y = rect.Top + (step - rect.Top % step) % step; y < rect.Bottom; y += step)
      PaintRect({rect.Left, y, rect.Right, y + 1}, color, pen_.mode);
    for (int x = rect.Left + (step - rect.Left % step) % step; x < rect.Right; x += step)
      PaintRect({x, rect.Top, x + 1, rect.Bottom}, color, pen_.mode);
    return;
  }
  const IntRect area = rect.Intersect(DrawableArea());
  for (int y = area.Top; y < area.Bottom; ++y) {
    std::uint32_t* row = target_->Row(y);
    for (int x = area.Left; x < area.Right; ++x) {
      if (y % step == 0 || x % step == 0) {
        row[x] = Combine(row[x], color, pen_.mode);
      } else if (fill_gaps) {
        row[x] = Combine(row[x], gap_color, pen_.mode);
      }
    }
  }
}

void ChartCanvas::FillRect(const IntRect& rect, Color color) {
  PaintRect(ToDevice(rect), color.ToXrgb(), PenMode::pmCopy);
}

// ---- text ----

int ChartCanvas::TextWidth(std::string_view text) { return fonts_->TextWidth(font_, text); }

int ChartCanvas::TextHeight(std::string_view) { return fonts_->Metrics(font_).Height(); }

int ChartCanvas::TextLineHeight() { return TextHeight("W"); }

void ChartCanvas::TextOut(int x, int y, std::string_view text) { RotatedTextOut(x, y, text, 0); }

void ChartCanvas::RotatedTextOut(int x, int y, std::string_view text, int angle) {
  if (text.empty()) return;
  if (vector_ != nullptr) {
    VectorText(x, y, text, angle);
    return;
  }
  const IntRect area = DrawableArea();
  if (area.IsEmpty()) return;
  x = ToDevice(x);
  y = ToDevice(y);
  fonts_->Render(DeviceFont(), text, text_image_);
  const TextImage& image = text_image_;

  // The anchor inside the text cell, in the text's own frame.
  const int anchor_u = h_align_ == HorizontalAlign::kLeft     ? 0
                       : h_align_ == HorizontalAlign::kCenter ? image.cell_width / 2
                                                              : image.cell_width;
  const int anchor_v = v_align_ == VerticalAlign::kTop ? 0 : image.cell_height;

  // Counter-clockwise on a surface whose y grows downwards: the text's u
  // axis runs along (cos, -sin), its v axis along (sin, cos). Right angles
  // use exact unit steps so that they map pixels one to one.
  const int turn = ((angle % 360) + 360) % 360;
  double c = 0;
  double s = 0;
  switch (turn) {
    case 0:
      c = 1;
      break;
    case 90:
      s = 1;
      break;
    case 180:
      c = -1;
      break;
    case 270:
      s = -1;
      break;
    default: {
      const double radians = turn * std::numbers::pi / 180.0;
      c = std::cos(radians);
      s = std::sin(radians);
    }
  }

  // Bounding box of the rotated buffer on the surface.
  const double u0 = image.left - anchor_u;
  const double u1 = u0 + image.width;
  const double v0 = image.top - anchor_v;
  const double v1 = v0 + image.height;
  double min_x = 1e300, max_x = -1e300, min_y = 1e300, max_y = -1e300;
  for (const double u : {u0, u1}) {
    for (const double v : {v0, v1}) {
      const double px = x + u * c + v * s;
      const double py = y - u * s + v * c;
      min_x = std::min(min_x, px), max_x = std::max(max_x, px);
      min_y = std::min(min_y, py), max_y = std::max(max_y, py);
    }
  }
  const auto to_int = [](double value) { return static_cast<int>(std::clamp(value, -2e9, 2e9)); };
  const IntRect box = IntRect{to_int(std::floor(min_x)), to_int(std::floor(min_y)), to_int(std::ceil(max_x)),
                              to_int(std::ceil(max_y))}
                          .Intersect(area);

  const std::uint32_t color = font_.color.ToXrgb();
  const bool opaque = background_mode_ == BackgroundMode::kOpaque;
  const std::uint32_t background = background_color_.ToXrgb();
  for (int py = box.Top; py < box.Bottom; ++py) {
    std::uint32_t* row = target_->Row(py);
    const double dy = py + 0.5 - y;
    for (int px = box.Left; px < box.Right; ++px) {
      // Sample the buffer at the pixel centre mapped back into the text frame.
      const double dx = px + 0.5 - x;
      const int u = static_cast<int>(std::floor(dx * c - dy * s)) + anchor_u;
      const int v = static_cast<int>(std::floor(dx * s + dy * c)) + anchor_v;
      if (u < image.left || v < image.top || u >= image.left + image.width || v >= image.top + image.height)
        continue;
      const std::uint8_t alpha = image.At(u, v);
      const bool in_cell = u >= 0 && v >= 0 && u < image.cell_width && v < image.cell_height;
      if (opaque && in_cell) {
        row[px] = Blend(background, color, alpha);
      } else if (alpha != 0) {
        row[px] = Blend(row[px], color, alpha);
      }
    }
  }
}

}  // namespace kep::raster

namespace kep::raster {

void ChartCanvas::VectorText(int x, int y, std::string_view text, int angle) {
  fonts_->Layout(font_, text, glyph_run_);
  const int anchor_u = h_align_ == HorizontalAlign::kLeft     ? 0
                       : h_align_ == HorizontalAlign::kCenter ? glyph_run_.width / 2
                                                              : glyph_run_.width;
  const int anchor_v = v_align_ == VerticalAlign::kTop ? 0 : glyph_run_.metrics.Height();
  const bool opaque = background_mode_ == BackgroundMode::kOpaque;
  vector_->Text(glyph_run_, {x, y}, {anchor_u, anchor_v}, ((angle % 360) + 360) % 360, font_.color,
                opaque ? std::optional<Color>(background_color_) : std::nullopt);
}

}  // namespace kep::raster

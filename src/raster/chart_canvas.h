#pragma once

#include <memory>
#include <optional>
#include <span>
#include <string_view>

#include "raster/bitmap.h"
#include "raster/chart_pen.h"
#include "raster/color.h"
#include "raster/font.h"
#include "raster/font_engine.h"
#include "raster/geometry.h"
#include "raster/line_rasterizer.h"

namespace kep::raster {

class VectorSurface;

enum class BrushStyle { bsSolid, bsClear, bsCross };
enum class HorizontalAlign { kLeft, kCenter, kRight };
enum class VerticalAlign { kTop, kBottom };  // top or bottom of the text cell
enum class BackgroundMode { kTransparent, kOpaque };

struct Brush {
  Color color = clWhite;
  BrushStyle style = BrushStyle::bsSolid;
  friend bool operator==(const Brush&, const Brush&) = default;
};

// The chart's drawing surface: the current pen, brush, font, text alignment
// and background mode over a target bitmap, and the off-screen image in which
// a chart is composed before it is copied to its window.
//
// Pixel rules: a line leaves its end point unpainted; a rectangle covers
// Left..Right-1 by Top..Bottom-1; a dotted pen paints 3 pixels on and 3 off
// (the gaps untouched in transparent mode, background colour in opaque mode);
// a not-xor pen sets each pixel to ~(pen ^ pixel), so drawing twice restores it.
// Nothing outside the clip rectangle or the target is touched.
//
// A pen wider than one pixel paints a square of its width centred on each
// pixel of the one-pixel line, the extra pixel of an even width on the left
// of vertical and above horizontal lines (see LineRasterizer); dotted pens
// are one pixel wide, as wide pens are solid. A rectangle's outline of width
// w lies inside the rectangle (its outer w pixels) and the brush fills the
// rest. The pen's raster mode applies to lines, outlines and brush fills,
// not to text. Text and rotated text are described at RotatedTextOut.
//
// The surface draws at a scale s (1 by default). Callers keep working in
// logical pixels, the pixels of the chart at scale 1: coordinates,
// rectangles, clips and text extents are logical, and the surface maps them
// onto a target s times as large, each coordinate c to round(c * s). Pen
// widths, dot patterns, hatching and font sizes are s times as large too, and
// glyphs are rendered at the scaled size. Text is measured at scale 1, so a
// chart laid out at any scale is the scale-1 chart, drawn sharper. At scale 1
// the mapping is the identity and the pixels are those described above.
//
// With a vector surface attached (AttachVector), the drawing operations go
// to it instead of to a bitmap, in logical pixels.
class ChartCanvas {
 public:
  // Raises kep::Error when no font can be found at all.
  ChartCanvas();
  ~ChartCanvas();
  ChartCanvas(const ChartCanvas&) = delete;
  ChartCanvas& operator=(const ChartCanvas&) = delete;

  // ---- targets and the off-screen image ----
  // The panel's own window pixels, supplied by the host (may be null before
  // the host has a window). After PresentImage the surface draws onto it.
  void SetWindow(Bitmap* window);
  Bitmap* Window() const { return window_; }

  // Off-screen mode: makes sure the image has rect's size (recreated, white,
  // when the size differs), draws into it and returns (0, 0, width, height).
  // Direct mode: draws onto target and returns rect. Either way the clip is
  // removed, since it belonged to the previous drawing.
  IntRect BeginDraw(Bitmap& target, const IntRect& rect);
  // Off-screen mode: copies the whole image onto target with its top-left at
  // rect's top-left and clears ImageStale. Then the window is the target again.
  void PresentImage(Bitmap& target, const IntRect& rect);
  // Copies the off-screen image onto the window at (0, 0).
  void BlitImage();

  bool UseOffscreenBuffer() const { return use_offscreen_buffer_; }
  // Switching off discards the image and marks it stale; switching on leaves
  // it absent, so the next paint draws in full.
  void SetUseOffscreenBuffer(bool use);
  bool ImageStale() const { return image_stale_; }
  void SetImageStale(bool stale) { image_stale_ = stale; }
  // The off-screen image, when one exists.
  const Bitmap* OffscreenImage() const;
  // The bitmap drawing operations go to now (null when there is none).
  Bitmap* Target() const { return target_; }
  // Sends drawing to bitmap directly (used for the rubber band on the window).
  void SetTarget(Bitmap* bitmap) { target_ = bitmap; }

  // ---- scale ----
  static constexpr double kMinScale = 1;
  static constexpr double kMaxScale = 8;
  double Scale() const { return scale_; }
  // Takes effect from the next BeginDraw; s is clamped to kMinScale..kMaxScale.
  void SetScale(double scale);
  // A logical coordinate or length on the target: round(value * s).
  int ToDevice(int logical) const;
  IntRect ToDevice(const IntRect& logical) const;
  IntPoint ToDevice(IntPoint logical) const { return {ToDevice(logical.x), ToDevice(logical.y)}; }
  // The logical size of a target of device pixels: round(device / s).
  int ToLogical(int device) const;

  // ---- vector output ----
  // Sends the drawing operations to vector until DetachVector; the bitmap
  // targets are left alone meanwhile. The surface does not own vector.
  void AttachVector(VectorSurface* vector);
  void DetachVector() { AttachVector(nullptr); }
  VectorSurface* Vector() const { return vector_; }

  // ---- pen, brush, font, alignment, background ----
  const Pen& GetPen() const { return pen_; }
  void SetPen(const Pen& pen) { pen_ = pen; }
  // An invisible chart pen becomes the clear style; otherwise colour, width,
  // style and mode are copied (small dots with width 1 draw every other pixel).
  void AssignChartPen(const ChartPen& pen);
  void SetPenMode(PenMode mode) { pen_.mode = mode; }

  const Brush& GetBrush() const { return brush_; }
  void SetBrush(const Brush& brush) { brush_ = brush; }
  void SetBrushColor(Color color) { brush_.color = color; }
  void SetBrushStyle(BrushStyle style) { brush_.style = style; }

  const Font& GetFont() const { return font_; }
  void SetFont(const Font& font) { font_ = font; }

  void SetTextAlign(HorizontalAlign horizontal, VerticalAlign vertical);
  HorizontalAlign TextHorizontalAlign() const { return h_align_; }
  VerticalAlign TextVerticalAlign() const { return v_align_; }

  void SetBackgroundMode(BackgroundMode mode) { background_mode_ = mode; }
  BackgroundMode GetBackgroundMode() const { return background_mode_; }
  void SetBackgroundColor(Color color) { background_color_ = color; }
  Color BackgroundColor() const { return background_color_; }

  // Pen black, width 1, solid, copy; brush white, solid; font black, 10
  // points; background colour white; background mode transparent.
  void RestoreDefaults();

  // ---- drawing ----
  void MoveTo(IntPoint p) { pen_position_ = p; }
  // Draws from the pen position to p (p itself unpainted) and moves there.
  void LineTo(IntPoint p);
  void Line(IntPoint from, IntPoint to) {
    MoveTo(from);
    LineTo(to);
  }
  // The same pixels as MoveTo(points[0]) and LineTo for every later point.
  void Polyline(std::span<const IntPoint> points);
  // Outline with the pen (unless clear), fill with the brush (unless clear).
  void Rectangle(const IntRect& rect);
  // Fills rect with a colour, ignoring pen and brush.
  void FillRect(const IntRect& rect, Color color);

  // Text in the current font and font colour, anchored at (x, y) by the
  // current alignment; in opaque background mode the text cell is filled.
  void TextOut(int x, int y, std::string_view text);
  // The same, rotated counter-clockwise by angle degrees; the alignment
  // applies in the rotated text's own frame. Right angles move every pixel
  // of the unrotated text exactly; other angles sample it at the nearest
  // pixel. The text is one line: a carriage return is drawn as whatever the
  // font shows for it. The text cell is TextWidth wide and TextHeight high.
  void RotatedTextOut(int x, int y, std::string_view text, int angle);
  int TextWidth(std::string_view text);
  // The height of the text cell, ascent + descent of the current font.
  int TextHeight(std::string_view text);
  // The height of the text "W" in the current font.
  int TextLineHeight();

  // ---- clipping ----
  void ClipToRect(const IntRect& rect);  // intersects with the current clip
  void RemoveClip();
  // ClipToRect(Left + 1, Top + 1, Right, Bottom - 1).
  void ClipToPlot(const IntRect& plot);
  std::optional<IntRect> Clip() const { return clip_; }

  // The fonts and glyph cache behind the text operations.
  FontEngine& Fonts() { return *fonts_; }

 private:
  // The part of the target drawing may touch: its bounds within the clip.
  IntRect DrawableArea() const;
  // Text on the attached vector surface.
  void VectorText(int x, int y, std::string_view text, int angle);
  // A line between two device pixels with the current pen.
  void DeviceLine(IntPoint from, IntPoint to);
  // The current font at the device's size.
  Font DeviceFont() const;
  // A pen or pattern length on the target, at least 1.
  int DeviceWidth(int logical) const;
  void PaintRun(const LineRun& run, std::uint32_t color, PenMode mode);
  void PaintRow(int y, int left, int right, std::uint32_t color, PenMode mode);
  void PaintRect(const IntRect& rect, std::uint32_t color, PenMode mode);
  void DrawFrame(const IntRect& box, int width);
  void DrawPatternedFrame(const IntRect& box);
  void FillWithBrush(const IntRect& rect);

  std::unique_ptr<FontEngine> fonts_;
  double scale_ = 1;
  VectorSurface* vector_ = nullptr;
  LineRasterizer rasterizer_;
  TextImage text_image_;
  GlyphRun glyph_run_;
  Bitmap* window_ = nullptr;
  Bitmap* target_ = nullptr;
  std::unique_ptr<Bitmap> offscreen_;
  bool use_offscreen_buffer_ = true;
  bool image_stale_ = true;
  Pen pen_;
  Brush brush_;
  Font font_;
  HorizontalAlign h_align_ = HorizontalAlign::kLeft;
  VerticalAlign v_align_ = VerticalAlign::kTop;
  BackgroundMode background_mode_ = BackgroundMode::kTransparent;
  Color background_color_ = clWhite;
  IntPoint pen_position_;
  std::optional<IntRect> clip_;
};

// Sets a canvas' font for a scope and puts the one it had back after it, so
// that a measurement leaves nothing behind for the next drawing.
class FontScope {
 public:
  FontScope(ChartCanvas& canvas, const Font& font) : canvas_(canvas), saved_(canvas.GetFont()) {
    canvas_.SetFont(font);
  }
  ~FontScope() { canvas_.SetFont(saved_); }
  FontScope(const FontScope&) = delete;
  FontScope& operator=(const FontScope&) = delete;

 private:
  ChartCanvas& canvas_;
  Font saved_;
};

}  // namespace kep::raster

#pragma once

#include <cstdint>

#include "chart/chart.h"
#include "chart/chart_host.h"
#include "raster/bitmap.h"

namespace kep::chart {

// A window without a windowing system, for tests and the command-line
// renderer: it owns the window pixels, keeps a paint that was asked for
// pending until ProcessPaint (the event loop's turn), paints at once on
// PaintNow, and counts paints and the full draws among them.
//
// It attaches itself to the chart and detaches when destroyed, so it must
// not outlive the chart.
class HeadlessHost : public ChartHost {
 public:
  HeadlessHost(Chart& chart, int width, int height);
  ~HeadlessHost() override;
  HeadlessHost(const HeadlessHost&) = delete;
  HeadlessHost& operator=(const HeadlessHost&) = delete;

  // ChartHost
  void Invalidate() override { paint_pending_ = true; }
  void PaintNow() override;
  raster::Bitmap& WindowPixels() override { return pixels_; }
  void WindowPixelsDrawn() override { ++window_drawings_; }
  void SetCursor(CursorShape shape) override { cursor_ = shape; }

  // Changes the window's size (white pixels, as a new window area) and asks
  // for a paint.
  void Resize(int width, int height);
  // Whether a paint has been asked for and not yet made.
  bool PaintPending() const { return paint_pending_; }
  // Makes the pending paint, if any; true when there was one.
  bool ProcessPaint();

  const raster::Bitmap& Pixels() const { return pixels_; }
  CursorShape Cursor() const { return cursor_; }
  // Paints made (each a copy of the off-screen image or a full draw).
  int PaintCount() const { return paint_count_; }
  // The paints that drew the chart in full.
  int FullDrawCount() const { return full_draw_count_; }
  // Drawings onto the window outside a paint (the zoom rectangle).
  int WindowDrawings() const { return window_drawings_; }

 private:
  Chart& chart_;
  raster::Bitmap pixels_;
  bool paint_pending_ = false;
  CursorShape cursor_ = CursorShape::kDefault;
  int paint_count_ = 0;
  int full_draw_count_ = 0;
  int window_drawings_ = 0;
};

}  // namespace kep::chart

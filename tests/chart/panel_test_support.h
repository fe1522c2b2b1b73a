#pragma once

#include <memory>

#include "chart/chart.h"
#include "chart/chart_series.h"
#include "raster/bitmap.h"

namespace kep::chart::testing {

// The panel settings the viewer uses: margins 1, 2D, white, no bevel, no
// legend, a clear back wall and a one-line title.
inline void UseViewerPanelSettings(Chart& chart) {
  chart.SetMarginLeft(1);
  chart.SetMarginTop(1);
  chart.SetMarginRight(1);
  chart.SetMarginBottom(1);
  chart.SetView3D(false);
  chart.SetChart3DPercent(5);
  chart.SetColor(raster::clWhite);
  chart.SetBevelOuter(PanelBevel::bvNone);
  chart.Legend().SetVisible(false);
  chart.BackWall().SetBrush({raster::clWhite, raster::BrushStyle::bsClear});
  chart.Title().SetText({"Tavrine file: "});
}

// Adds a series (which draws nothing) with points x = 0 .. count-1 and
// y = x mod 50.
inline ChartSeries& AddPlainSeries(Chart& chart, int count) {
  auto series = std::make_unique<ChartSeries>();
  for (int i = 0; i < count; ++i) series->AddPoint(i, i % 50, "", raster::clSeriesColor);
  return chart.AddSeries(std::move(series));
}

// The number of pixels of bitmap inside rect that have colour xrgb.
inline int CountPixels(const raster::Bitmap& bitmap, const raster::IntRect& rect, std::uint32_t xrgb) {
  int count = 0;
  for (int y = rect.Top; y < rect.Bottom; ++y) {
    for (int x = rect.Left; x < rect.Right; ++x) count += bitmap.Pixel(x, y) == xrgb ? 1 : 0;
  }
  return count;
}

}  // namespace kep::chart::testing

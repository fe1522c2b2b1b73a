#pragma once

#include <memory>

#include "chart/chart.h"
#include "chart/chart_series.h"
#include "chart/line_series.h"
#include "raster/bitmap.h"
#include "viewer/program_chart.h"

namespace kep::chart::testing {

// The viewer's chart settings on a chart without series. The viewer's line
// series takes its share of the settings but is not added: a chart with a
// series draws axes, and these tests look at the panel's layout alone before
// they add the series they need.
inline void UseViewerPanelSettings(Chart& chart) {
  LineSeries not_added;
  viewer::ApplyProgramSettings(chart, not_added);
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

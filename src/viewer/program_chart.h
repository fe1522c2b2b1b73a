#pragma once

#include "chart/chart.h"
#include "chart/line_series.h"

namespace kep::viewer {

// The chart's size in the main window's client area at start-up.
inline constexpr int kChartWidth = 753;
inline constexpr int kChartHeight = 561;

// The left axis' top that opening a file gives the chart: the file's largest
// digit count plus 1.
inline double LeftAxisTop(double largest_digit_count) { return largest_digit_count + 1; }

// Gives chart and series the settings the viewer stores with its main
// window: the white 2D panel with margins of 1 %, the title "Tavrine file: ",
// the axis titles, the animated zoom of 16 steps, no legend, and the blue
// line of width 2.
void ApplyProgramSettings(chart::Chart& chart, chart::LineSeries& series);

// The viewer's chart with its only series, both with the program's settings.
// The desktop viewer and the command-line renderer each make one, so that
// both draw the same chart. Its value labels use label_format's separators,
// which each program takes from the user's locale once at start-up.
class ProgramChart {
 public:
  explicit ProgramChart(chart::NumberFormat label_format = {});
  ProgramChart(const ProgramChart&) = delete;
  ProgramChart& operator=(const ProgramChart&) = delete;

  chart::Chart& Chart() { return chart_; }
  const chart::Chart& Chart() const { return chart_; }
  chart::LineSeries& Series() { return series_; }
  const chart::LineSeries& Series() const { return series_; }

 private:
  chart::Chart chart_;
  chart::LineSeries& series_;
};

}  // namespace kep::viewer

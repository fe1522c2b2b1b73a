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

// The most sequences one chart shows.
inline constexpr int kMaxSequences = 16;

// The line colour of the sequence in slot 0 .. kMaxSequences - 1: the first
// is the program's blue, the others come from a palette whose colours stay
// apart on white and under the common colour blindnesses.
raster::Color SequenceColor(int slot);

// Gives chart and series the settings the viewer stores with its main
// window: the white 2D panel with margins of 1 %, the title "Tavrine file: ",
// the axis titles, the animated zoom of 16 steps, the legend (drawn only
// once a second series is shown), and the blue line of width 2.
void ApplyProgramSettings(chart::Chart& chart, chart::LineSeries& series);
// The series' part of those settings, with the line in color.
void ApplySeriesSettings(chart::LineSeries& series, raster::Color color);

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
  // The first sequence's series, which the chart always has.
  chart::LineSeries& Series() { return series_; }
  const chart::LineSeries& Series() const { return series_; }

  // Every sequence's series, the first one first.
  int SeriesCount() const { return static_cast<int>(chart_.SeriesList().size()); }
  chart::LineSeries& SeriesAt(int i) const;
  // Adds a series for one more sequence, with the program's settings and the
  // colour of the first slot no other series uses; at most kMaxSequences.
  chart::LineSeries& AddSeries();
  // Removes a series AddSeries made.
  void RemoveSeries(const chart::LineSeries& series);

  // The left axis' top that shows every active series whole: the largest
  // digit count among them plus 1.
  double FreshLeftAxisTop() const;

 private:
  chart::Chart chart_;
  chart::LineSeries& series_;
};

}  // namespace kep::viewer

// A full DrawChart of the viewer's line chart at its size with 10^3, 10^6
// and 10^8 points, drawing every segment (the baseline) and drawing by pixel
// columns (the reduced path), plus the 16-frame animated zoom. The reduced
// figures carry their speed-up over the baseline of the same size as
// "x_faster".
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>

#include "chart/chart.h"
#include "chart/headless_host.h"
#include "chart/line_series.h"
#include "raster/bitmap.h"
#include "viewer/program_chart.h"

namespace {

using kep::chart::Chart;
using kep::chart::LineDrawingPath;
using kep::chart::LineSeries;
using kep::viewer::kChartHeight;
using kep::viewer::kChartWidth;

// Digit counts that grow along the file, with the jitter of real terms.
double DigitCount(std::int64_t i) {
  const std::uint64_t hash = static_cast<std::uint64_t>(i) * 0x9E3779B97F4A7C15ULL;
  int digits = 1;
  for (std::int64_t v = i; v >= 10; v /= 10) ++digits;
  return 3.0 * digits + static_cast<double>((hash >> 60) % 7);
}

// The viewer's chart with its points, kept while the benchmarks of its size
// run (only one at a time: 10^8 points take 1.6 GB).
struct LineChart {
  explicit LineChart(std::int64_t count) {
    chart.Title().SetText({"Sequence file: bench.kep"});
    for (std::int64_t i = 1; i <= count; ++i) {
      series->AddPoint(static_cast<double>(i), DigitCount(i), "", kep::raster::clSeriesColor);
    }
    series->SetDrawingPath(LineDrawingPath::kReduced);
    chart.DrawChart(picture, picture.Bounds());  // settles the layout and builds the drawing index
  }

  kep::viewer::ProgramChart program;
  Chart& chart = program.Chart();
  LineSeries* series = &program.Series();
  kep::raster::Bitmap picture{kChartWidth, kChartHeight};
};

std::unique_ptr<LineChart> shared_chart;
std::int64_t shared_count = 0;

LineChart& ChartWith(std::int64_t count) {
  if (shared_count != count) {
    shared_chart.reset();
    shared_chart = std::make_unique<LineChart>(count);
    shared_count = count;
  }
  return *shared_chart;
}

// Milliseconds per paint of the every-segment baseline, by point count.
std::map<std::int64_t, double> baseline_ms;

void ReportPaint(benchmark::State& state, std::int64_t count, bool reduced, double seconds, int paints) {
  const double ms = seconds * 1e3 / paints;
  state.counters["ms_per_paint"] = ms;
  if (!reduced) {
    baseline_ms[count] = ms;
  } else if (baseline_ms.count(count) != 0) {
    state.counters["x_faster"] = baseline_ms[count] / ms;
  }
}

void BM_DrawChart(benchmark::State& state) {
  const std::int64_t count = state.range(0);
  const bool reduced = state.range(1) != 0;
  LineChart& c = ChartWith(count);
  c.series->SetDrawingPath(reduced ? LineDrawingPath::kReduced : LineDrawingPath::kEverySegment);
  double seconds = 0;
  int paints = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    c.chart.DrawChart(c.picture, c.picture.Bounds());
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ++paints;
    if (reduced != c.series->LastPaintReduced()) state.SkipWithError("the chart took the other drawing path");
  }
  ReportPaint(state, count, reduced, seconds, paints);
  state.counters["index_bytes_per_point"] =
      static_cast<double>(c.series->DrawingIndexBytes()) / static_cast<double>(count);
}

// Zoom into the middle of the data with AnimatedZoom (15 animated frames and
// the final paint), then undo the zoom outside the timing.
void BM_AnimatedZoom(benchmark::State& state) {
  const std::int64_t count = state.range(0);
  const bool reduced = state.range(1) != 0;
  LineChart& c = ChartWith(count);
  c.series->SetDrawingPath(reduced ? LineDrawingPath::kReduced : LineDrawingPath::kEverySegment);
  c.chart.SetAnimatedZoom(true);
  c.chart.SetAnimatedZoomSteps(16);
  kep::chart::HeadlessHost host(c.chart, kChartWidth, kChartHeight);
  host.PaintNow();
  const double n = static_cast<double>(count);
  double seconds = 0;
  int zooms = 0;
  for (auto _ : state) {
    const int paints_before = host.PaintCount();
    const auto start = std::chrono::steady_clock::now();
    c.chart.ZoomToValues(
        {.bottom = {n * 0.3, n * 0.55}, .top = {n * 0.3, n * 0.55}, .left = {2, 20}, .right = {2, 20}});
    host.ProcessPaint();
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ++zooms;
    state.PauseTiming();
    state.counters["paints"] = host.PaintCount() - paints_before;
    c.chart.UndoZoom();
    host.ProcessPaint();
    state.ResumeTiming();
  }
  state.counters["ms_per_zoom"] = seconds * 1e3 / zooms;
  c.chart.SetAnimatedZoom(false);
}

}  // namespace

// Baselines first, so that each reduced figure can be set beside its own.
BENCHMARK(BM_DrawChart)->Args({1000, 0})->Args({1000, 1})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawChart)->Args({1000000, 0})->Args({1000000, 1})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AnimatedZoom)->Args({1000000, 0})->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_AnimatedZoom)->Args({1000000, 1})->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_DrawChart)->Args({100000000, 0})->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_DrawChart)->Args({100000000, 1})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AnimatedZoom)->Args({100000000, 1})->Unit(benchmark::kMillisecond)->Iterations(5);

BENCHMARK_MAIN();

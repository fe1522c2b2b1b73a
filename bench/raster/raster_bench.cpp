// Drawing-surface speed on the chart's 753 x 561 panel: a whole chart frame
// (background, title, back wall, two axes with labels, ticks and dotted grid,
// a rotated title, a series of 1,000 segments of width 2 clipped to the plot),
// the series alone, the text alone and the copy of the off-screen image.
// Every figure is printed at the end beside a plain fill of the same surface,
// measured in the same run.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "raster/chart_canvas.h"

namespace {

using namespace kep::raster;

constexpr int kWidth = 753;
constexpr int kHeight = 561;
constexpr IntRect kPlot{60, 30, 740, 520};
constexpr int kSegments = 1000;

std::vector<IntPoint> SeriesPoints() {
  std::vector<IntPoint> points;
  for (int i = 0; i <= kSegments; ++i) {
    const double t = static_cast<double>(i) / kSegments;
    const int x = kPlot.Left + static_cast<int>(t * kPlot.Width());
    const int y =
        kPlot.Bottom - static_cast<int>((0.1 + 0.8 * t) * kPlot.Height() * (0.6 + 0.4 * std::sin(i * 0.37)));
    points.push_back({x, y});
  }
  return points;
}

// The pixels the 1-pixel path of the series steps through.
std::int64_t PathPixels(const std::vector<IntPoint>& points) {
  std::int64_t total = 0;
  for (std::size_t i = 1; i < points.size(); ++i) {
    total += std::max(std::abs(points[i].x - points[i - 1].x), std::abs(points[i].y - points[i - 1].y));
  }
  return total;
}

void DrawSeries(ChartCanvas& canvas, const std::vector<IntPoint>& points) {
  canvas.ClipToPlot(kPlot);
  canvas.SetPen(Pen{clBlue, 2});
  canvas.Polyline(points);
  canvas.RemoveClip();
}

void DrawText(ChartCanvas& canvas) {
  canvas.SetFont(Font{"Arial", 8, 0, false, false, clBlue});
  canvas.SetTextAlign(HorizontalAlign::kCenter, VerticalAlign::kTop);
  canvas.TextOut((kPlot.Left + kPlot.Right) / 2, 6, "Sequence file: b000045.kep");
  canvas.SetFont(Font{"Arial", 8});
  for (int i = 0; i <= 10; ++i) {
    canvas.TextOut(kPlot.Left + i * kPlot.Width() / 10, kPlot.Bottom + 6, std::to_string(i * 1000));
  }
  canvas.SetTextAlign(HorizontalAlign::kRight, VerticalAlign::kTop);
  const int half = canvas.TextLineHeight() / 2;
  for (int i = 0; i <= 12; ++i) {
    canvas.TextOut(kPlot.Left - 6, kPlot.Bottom - i * kPlot.Height() / 12 - half, std::to_string(i * 2));
  }
  canvas.SetTextAlign(HorizontalAlign::kCenter, VerticalAlign::kTop);
  canvas.TextOut((kPlot.Left + kPlot.Right) / 2, kPlot.Bottom + 20, "Sequence Length");
  canvas.SetTextAlign(HorizontalAlign::kCenter, VerticalAlign::kBottom);
  canvas.RotatedTextOut(20, (kPlot.Top + kPlot.Bottom) / 2, "Number Size", 90);
  canvas.SetTextAlign(HorizontalAlign::kLeft, VerticalAlign::kTop);
}

void DrawFrame(ChartCanvas& canvas, Bitmap& window, const std::vector<IntPoint>& points) {
  const IntRect bounds = canvas.BeginDraw(window, window.Bounds());
  canvas.FillRect(bounds, clWhite);
  canvas.SetPen(Pen{});
  canvas.SetBrushStyle(BrushStyle::bsClear);
  canvas.Rectangle({kPlot.Left, kPlot.Top, kPlot.Right + 1, kPlot.Bottom + 1});
  DrawText(canvas);
  canvas.AssignChartPen(DottedGrayPen{});
  for (int i = 1; i < 10; ++i) {
    const int x = kPlot.Left + i * kPlot.Width() / 10;
    canvas.Line({x, kPlot.Top}, {x, kPlot.Bottom});
  }
  for (int i = 1; i < 12; ++i) {
    const int y = kPlot.Bottom - i * kPlot.Height() / 12;
    canvas.Line({kPlot.Left, y}, {kPlot.Right, y});
  }
  canvas.AssignChartPen(DarkGrayPen{});
  for (int i = 0; i <= 10; ++i) {
    const int x = kPlot.Left + i * kPlot.Width() / 10;
    canvas.Line({x, kPlot.Bottom + 1}, {x, kPlot.Bottom + 5});
  }
  for (int i = 0; i <= 12; ++i) {
    const int y = kPlot.Bottom - i * kPlot.Height() / 12;
    canvas.Line({kPlot.Left - 1, y}, {kPlot.Left - 5, y});
  }
  canvas.AssignChartPen(ChartAxisPen{});
  canvas.Line({kPlot.Left, kPlot.Bottom}, {kPlot.Right, kPlot.Bottom});
  canvas.Line({kPlot.Left, kPlot.Top}, {kPlot.Left, kPlot.Bottom});
  DrawSeries(canvas, points);
  canvas.RestoreDefaults();
  canvas.PresentImage(window, window.Bounds());
}

void BM_Fill(benchmark::State& state) {
  Bitmap surface(kWidth, kHeight);
  std::uint32_t shade = 0;
  for (auto _ : state) {
    surface.Fill(Color(shade++ & 0xFFFFFF));
    benchmark::DoNotOptimize(surface.Pixels().data());
  }
  state.counters["MP/s"] =
      benchmark::Counter(kWidth * kHeight * 1e-6, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_Fill);

void BM_ChartFrame(benchmark::State& state) {
  ChartCanvas canvas;
  Bitmap window(kWidth, kHeight);
  canvas.SetWindow(&window);
  const std::vector<IntPoint> points = SeriesPoints();
  DrawFrame(canvas, window, points);  // warms the glyph cache as the first paint does
  const FontEngine::CacheStats before = canvas.Fonts().GlyphCacheStats();
  for (auto _ : state) {
    DrawFrame(canvas, window, points);
    benchmark::DoNotOptimize(window.Pixels().data());
  }
  const FontEngine::CacheStats after = canvas.Fonts().GlyphCacheStats();
  const double lookups = static_cast<double>(after.hits + after.misses - before.hits - before.misses);
  state.counters["glyph_hit_%"] =
      lookups > 0 ? 100.0 * static_cast<double>(after.hits - before.hits) / lookups : 0;
  state.counters["glyph_hit_%_first_frame"] =
      100.0 * static_cast<double>(before.hits) / static_cast<double>(before.hits + before.misses);
}
BENCHMARK(BM_ChartFrame)->Unit(benchmark::kMillisecond);

void BM_SeriesLines(benchmark::State& state) {
  ChartCanvas canvas;
  Bitmap window(kWidth, kHeight);
  canvas.SetUseOffscreenBuffer(false);
  canvas.BeginDraw(window, window.Bounds());
  const std::vector<IntPoint> points = SeriesPoints();
  for (auto _ : state) {
    DrawSeries(canvas, points);
    benchmark::DoNotOptimize(window.Pixels().data());
  }
  state.counters["path_MP/s"] = benchmark::Counter(static_cast<double>(PathPixels(points)) * 1e-6,
                                                   benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_SeriesLines)->Unit(benchmark::kMicrosecond);

void BM_Text(benchmark::State& state) {
  ChartCanvas canvas;
  Bitmap window(kWidth, kHeight);
  canvas.SetUseOffscreenBuffer(false);
  canvas.BeginDraw(window, window.Bounds());
  for (auto _ : state) {
    DrawText(canvas);
    benchmark::DoNotOptimize(window.Pixels().data());
  }
}
BENCHMARK(BM_Text)->Unit(benchmark::kMicrosecond);

// Repainting an unchanged chart: one copy of the off-screen image.
void BM_Repaint(benchmark::State& state) {
  ChartCanvas canvas;
  Bitmap window(kWidth, kHeight);
  canvas.SetWindow(&window);
  DrawFrame(canvas, window, SeriesPoints());
  for (auto _ : state) {
    canvas.BlitImage();
    benchmark::DoNotOptimize(window.Pixels().data());
  }
}
BENCHMARK(BM_Repaint)->Unit(benchmark::kMicrosecond);

// Keeps each run's time per iteration (ns) and counters for the summary.
class Collector : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration) continue;
      const std::string name = run.benchmark_name();
      nanoseconds[name] = run.real_accumulated_time * 1e9 / static_cast<double>(run.iterations);
      for (const auto& [key, counter] : run.counters) counters[name + "." + key] = counter.value;
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> nanoseconds;
  std::map<std::string, double> counters;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  Collector collector;
  benchmark::RunSpecifiedBenchmarks(&collector);
  benchmark::Shutdown();
  auto& ns = collector.nanoseconds;
  if (!ns.contains("BM_Fill") || !ns.contains("BM_ChartFrame")) return 0;
  const double fill = ns["BM_Fill"];
  std::printf("\nbaseline: plain fill of the %dx%d surface %.1f us\n", kWidth, kHeight, fill * 1e-3);
  std::printf("%-34s %12s %14s\n", "", "time", "x fill");
  const auto row = [&](const char* label, const char* name) {
    if (ns.contains(name)) std::printf("%-34s %9.1f us %13.2fx\n", label, ns[name] * 1e-3, ns[name] / fill);
  };
  row("chart frame (target < 2 ms)", "BM_ChartFrame");
  row("  series, 1000 segments width 2", "BM_SeriesLines");
  row("  text (27 labels and titles)", "BM_Text");
  row("repaint (copy of the image)", "BM_Repaint");
  auto& counters = collector.counters;
  const double fill_rate = counters["BM_Fill.MP/s"];
  const double line_rate = counters["BM_SeriesLines.path_MP/s"];
  std::printf("line path pixels: %.1f MP/s against fill %.1f MP/s (%.3fx)\n", line_rate, fill_rate,
              line_rate / fill_rate);
  std::printf("glyph cache hit rate: %.2f%% per frame (%.1f%% in the first frame, which fills the cache)\n",
              counters["BM_ChartFrame.glyph_hit_%"], counters["BM_ChartFrame.glyph_hit_%_first_frame"]);
  return 0;
}

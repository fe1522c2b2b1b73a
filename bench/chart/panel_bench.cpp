// The chart panel's paint cycle on the viewer's chart at its size: a paint of
// an unchanged chart (one image copy), a full draw, and one pointer move of
// a zoom drag, against filling the panel's pixels once (the baseline).
#include <benchmark/benchmark.h>

#include <memory>

#include "chart/chart.h"
#include "chart/chart_series.h"
#include "chart/headless_host.h"
#include "viewer/program_chart.h"

namespace {

using kep::chart::Chart;
using kep::chart::HeadlessHost;
using kep::viewer::kChartHeight;
using kep::viewer::kChartWidth;
using kep::viewer::ProgramChart;

// The viewer's chart, its line series empty, with a plain series of 1000
// points (a plain series draws no line, so this measures the panel:
// background, title, axes, wall).
std::unique_ptr<ProgramChart> MakeChart() {
  auto program = std::make_unique<ProgramChart>();
  auto series = std::make_unique<kep::chart::ChartSeries>();
  for (int i = 0; i < 1000; ++i) series->AddPoint(i, i % 50, "", kep::raster::clSeriesColor);
  program->Chart().AddSeries(std::move(series));
  return program;
}

void BM_PanelFillBaseline(benchmark::State& state) {
  kep::raster::Bitmap pixels(kChartWidth, kChartHeight);
  for (auto _ : state) {
    pixels.Fill(kep::raster::clWhite);
    benchmark::DoNotOptimize(pixels.Row(0));
  }
}
BENCHMARK(BM_PanelFillBaseline)->Unit(benchmark::kMicrosecond);

void BM_PaintUnchanged(benchmark::State& state) {
  const auto program = MakeChart();
  Chart& chart = program->Chart();
  HeadlessHost host(chart, kChartWidth, kChartHeight);
  host.ProcessPaint();
  for (auto _ : state) {
    host.PaintNow();
    benchmark::DoNotOptimize(host.Pixels().Row(0));
  }
  if (host.FullDrawCount() != 1) state.SkipWithError("an unchanged chart was drawn again");
}
BENCHMARK(BM_PaintUnchanged)->Unit(benchmark::kMicrosecond);

void BM_PaintFull(benchmark::State& state) {
  const auto program = MakeChart();
  Chart& chart = program->Chart();
  HeadlessHost host(chart, kChartWidth, kChartHeight);
  for (auto _ : state) {
    chart.RepaintNow();
    benchmark::DoNotOptimize(host.Pixels().Row(0));
  }
}
BENCHMARK(BM_PaintFull)->Unit(benchmark::kMicrosecond);

void BM_ZoomDragMove(benchmark::State& state) {
  const auto program = MakeChart();
  Chart& chart = program->Chart();
  HeadlessHost host(chart, kChartWidth, kChartHeight);
  host.ProcessPaint();
  const auto& plot = chart.PlotRect();
  chart.MouseDown(kep::chart::MouseButton::mbLeft, {}, plot.Left + 10, plot.Top + 10);
  int step = 0;
  for (auto _ : state) {
    step = (step + 1) % 300;
    chart.MouseMove({}, plot.Left + 100 + step, plot.Top + 100 + step / 2);
  }
}
BENCHMARK(BM_ZoomDragMove)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();

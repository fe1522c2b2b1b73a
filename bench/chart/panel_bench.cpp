// The chart panel's paint cycle on the viewer's 753 x 561 panel: a paint of
// an unchanged chart (one image copy), a full draw, and one pointer move of
// a zoom drag, against filling the panel's pixels once (the baseline).
#include <benchmark/benchmark.h>

#include <memory>

#include "chart/chart.h"
#include "chart/chart_series.h"
#include "chart/headless_host.h"

namespace {

using kep::chart::Chart;
using kep::chart::HeadlessHost;

constexpr int kWidth = 753;
constexpr int kHeight = 561;

// The viewer's panel settings with a series of 1000 points (a plain series
// draws no line, so this measures the panel: background, title, axes, wall).
std::unique_ptr<Chart> MakeChart() {
  auto chart = std::make_unique<Chart>();
  chart->SetMarginLeft(1);
  chart->SetMarginTop(1);
  chart->SetMarginRight(1);
  chart->SetMarginBottom(1);
  chart->SetView3D(false);
  chart->SetColor(kep::raster::clWhite);
  chart->SetBevelOuter(kep::chart::PanelBevel::bvNone);
  chart->Title().SetText({"Tavrine file: "});
  auto series = std::make_unique<kep::chart::ChartSeries>();
  for (int i = 0; i < 1000; ++i) series->AddPoint(i, i % 50, "", kep::raster::clSeriesColor);
  chart->AddSeries(std::move(series));
  return chart;
}

void BM_PanelFillBaseline(benchmark::State& state) {
  kep::raster::Bitmap pixels(kWidth, kHeight);
  for (auto _ : state) {
    pixels.Fill(kep::raster::clWhite);
    benchmark::DoNotOptimize(pixels.Row(0));
  }
}
BENCHMARK(BM_PanelFillBaseline)->Unit(benchmark::kMicrosecond);

void BM_PaintUnchanged(benchmark::State& state) {
  auto chart = MakeChart();
  HeadlessHost host(*chart, kWidth, kHeight);
  host.ProcessPaint();
  for (auto _ : state) {
    host.PaintNow();
    benchmark::DoNotOptimize(host.Pixels().Row(0));
  }
  if (host.FullDrawCount() != 1) state.SkipWithError("an unchanged chart was drawn again");
}
BENCHMARK(BM_PaintUnchanged)->Unit(benchmark::kMicrosecond);

void BM_PaintFull(benchmark::State& state) {
  auto chart = MakeChart();
  HeadlessHost host(*chart, kWidth, kHeight);
  for (auto _ : state) {
    chart->RepaintNow();
    benchmark::DoNotOptimize(host.Pixels().Row(0));
  }
}
BENCHMARK(BM_PaintFull)->Unit(benchmark::kMicrosecond);

void BM_ZoomDragMove(benchmark::State& state) {
  auto chart = MakeChart();
  HeadlessHost host(*chart, kWidth, kHeight);
  host.ProcessPaint();
  const auto& plot = chart->PlotRect();
  chart->MouseDown(kep::chart::MouseButton::mbLeft, {}, plot.Left + 10, plot.Top + 10);
  int step = 0;
  for (auto _ : state) {
    step = (step + 1) % 300;
    chart->MouseMove({}, plot.Left + 100 + step, plot.Top + 100 + step / 2);
  }
}
BENCHMARK(BM_ZoomDragMove)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();

// Adding points in the usual ascending order, against appending the same
// pairs to two plain vectors (the baseline), and reading the statistics.
#include <benchmark/benchmark.h>

#include <vector>

#include "chart/chart_series.h"

namespace {

constexpr int kPoints = 1 << 20;

void BM_VectorPushBackBaseline(benchmark::State& state) {
  for (auto _ : state) {
    std::vector<double> x;
    std::vector<double> y;
    for (int i = 0; i < kPoints; ++i) {
      x.push_back(i + 1);
      y.push_back(i % 40);
    }
    benchmark::DoNotOptimize(x.data());
    benchmark::DoNotOptimize(y.data());
  }
  state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_VectorPushBackBaseline)->Unit(benchmark::kMillisecond);

void BM_SeriesAddPoint(benchmark::State& state) {
  for (auto _ : state) {
    kep::chart::ChartSeries series;
    for (int i = 0; i < kPoints; ++i) series.AddPoint(i + 1, i % 40, "", kep::raster::clSeriesColor);
    benchmark::DoNotOptimize(series.PointCount());
  }
  state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_SeriesAddPoint)->Unit(benchmark::kMillisecond);

void BM_SeriesStatistics(benchmark::State& state) {
  kep::chart::ChartSeries series;
  for (int i = 0; i < kPoints; ++i) series.AddPoint(i + 1, i % 40, "", kep::raster::clSeriesColor);
  for (auto _ : state) {
    series.YValues().ReplaceValueAt(0, 0);  // makes the statistics stale
    benchmark::DoNotOptimize(series.HighestY());
  }
  state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_SeriesStatistics)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

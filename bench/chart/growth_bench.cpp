// The growth readout's cost at 10^6 and 10^8 points: one slope query over a
// random range from the running sums, beside the baseline of one walk over
// the range's points forming the same least-squares sums, both in the same
// run; building the sums once is timed too.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <random>

#include "chart/line_series.h"

namespace {

using kep::chart::LineSeries;

double DigitCount(std::int64_t i) {
  const std::uint64_t hash = static_cast<std::uint64_t>(i) * 0x9E3779B97F4A7C15ULL;
  return 1 + 0.2 * static_cast<double>(i / 1000) + static_cast<double>((hash >> 60) % 7);
}

// One series at a time: 10^8 points take 1.6 GB.
std::unique_ptr<LineSeries> shared_series;

LineSeries& SeriesWith(std::int64_t count) {
  if (!shared_series || shared_series->PointCount() != count) {
    shared_series.reset();
    shared_series = std::make_unique<LineSeries>();
    for (std::int64_t i = 1; i <= count; ++i) {
      shared_series->AddPoint(static_cast<double>(i), std::floor(DigitCount(i)), "",
                              kep::raster::clSeriesColor);
    }
  }
  return *shared_series;
}

// Ranges covering most of the series, as a zoomed-out view does.
std::pair<int, int> RandomRange(std::mt19937_64& random, int count) {
  const int first = static_cast<int>(random() % static_cast<std::uint64_t>(count / 10));
  const int last = count - 1 - static_cast<int>(random() % static_cast<std::uint64_t>(count / 10));
  return {first, last};
}

void BM_GrowthWalk(benchmark::State& state) {
  LineSeries& series = SeriesWith(state.range(0));
  std::mt19937_64 random(1);
  for (auto _ : state) {
    const auto [first, last] = RandomRange(random, series.PointCount());
    long double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (int i = first; i <= last; ++i) {
      const long double x = series.XValueAt(i);
      const long double y = series.YValueAt(i);
      sx += x;
      sy += y;
      sxx += x * x;
      sxy += x * y;
    }
    const long double n = last - first + 1;
    benchmark::DoNotOptimize((sxy - sx * sy / n) / (sxx - sx * sx / n));
  }
}

void BM_GrowthQuery(benchmark::State& state) {
  LineSeries& series = SeriesWith(state.range(0));
  series.Growth(0, series.PointCount() - 1);  // builds the sums
  std::mt19937_64 random(1);
  for (auto _ : state) {
    const auto [first, last] = RandomRange(random, series.PointCount());
    benchmark::DoNotOptimize(series.Growth(first, last).slope);
  }
}

void BM_GrowthBuild(benchmark::State& state) {
  LineSeries& series = SeriesWith(state.range(0));
  for (auto _ : state) {
    kep::chart::GrowthSums sums;
    sums.Build(series.XValues(), series.YValues());
    benchmark::DoNotOptimize(sums.Query(0, 1).points);
  }
}

BENCHMARK(BM_GrowthWalk)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GrowthQuery)->Arg(1'000'000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GrowthWalk)->Arg(100'000'000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_GrowthQuery)->Arg(100'000'000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GrowthBuild)->Arg(10'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GrowthBuild)->Arg(100'000'000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();

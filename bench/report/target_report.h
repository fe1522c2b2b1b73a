// Benchmark programs that end with a table of their targets: each workload's
// median beside the median of its baseline from the same run, their ratio,
// the target, and whether the target was met. The console shows the usual
// Google Benchmark output first; the table follows it.
#pragma once

#include <benchmark/benchmark.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kep::bench {

// Repetitions of each benchmark whose median goes into a table.
constexpr int kRepetitions = 5;

// Repeats a benchmark kRepetitions times and shows only the aggregates
// (mean, median, deviation) on the console: BENCHMARK(...)->Apply(Repeated).
inline void Repeated(benchmark::internal::Benchmark* benchmark) {
  benchmark->Repetitions(kRepetitions)->DisplayAggregatesOnly(true);
}

// A benchmark's median over its repetitions: the time of one iteration
// (wall-clock for benchmarks timed in real time, CPU time otherwise) and
// the medians of its counters.
struct Median {
  double seconds = 0;
  std::map<std::string, double, std::less<>> counters;
};

// The console reporter, keeping the median of every benchmark that was
// repeated, by the benchmark's function name.
class MedianReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override;
  const Median* Find(std::string_view name) const;

 private:
  std::map<std::string, Median, std::less<>> medians_;
};

enum class Unit { kSeconds, kMiB, kBytes };

struct Quantity {
  double value = 0;
  Unit unit = Unit::kSeconds;
};

// A target: at most `limit` times the baseline, or a figure of at most
// `limit` in `unit`.
struct Target {
  enum class On { kRatio, kFigure };
  On on = On::kRatio;
  double limit = 0;
  Unit unit = Unit::kSeconds;
};

inline Target AtMostTimes(double ratio) { return {Target::On::kRatio, ratio}; }
inline Target AtMost(double limit, Unit unit) { return {Target::On::kFigure, limit, unit}; }

// What a figure is set beside: a measurement of the same run, named.
struct Baseline {
  std::string name;
  std::optional<Quantity> figure;
};

// The median time of a benchmark, or one of its counters in `unit`.
std::optional<Quantity> MedianTime(const MedianReporter& medians, std::string_view benchmark);
std::optional<Quantity> MedianCounter(const MedianReporter& medians, std::string_view benchmark,
                                      std::string_view counter, Unit unit);

// "10^7" for a power of ten, the plain number otherwise.
std::string CountText(std::size_t count);

// A blank line, the title, and the heads of the columns.
void PrintTableHeading(std::string_view title);

// One line of the table: the workload, its figure, the baseline and the
// ratio to it, the target and whether it was met. A figure that is missing
// (its benchmark was filtered out or failed) shows as "not run"; a line
// without a target shows only the figures and their ratio.
void PrintTargetLine(std::string_view workload, const std::optional<Quantity>& figure,
                     const std::optional<Baseline>& baseline = std::nullopt,
                     const std::optional<Target>& target = std::nullopt);

// The benchmark program's main: runs the benchmarks selected on the command
// line, then hands their medians to `print_targets`. Returns the exit code.
int RunWithTargets(int argc, char** argv, const std::function<void(const MedianReporter&)>& print_targets);

}  // namespace kep::bench

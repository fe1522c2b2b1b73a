#include "report/target_report.h"

#include <charconv>
#include <cstdio>

namespace kep::bench {
namespace {

// Column widths of the table.
constexpr int kWorkloadWidth = 52;
constexpr int kFigureWidth = 11;
constexpr int kBaselineWidth = 22;
constexpr int kRatioWidth = 9;
constexpr int kTargetWidth = 11;

// A benchmark timed in real (or manual) time reports wall-clock time; the
// others report CPU time, as the console does.
bool TimedInRealTime(const benchmark::BenchmarkReporter::Run& run) {
  return run.run_name.time_type.find("real_time") != std::string::npos ||
         run.run_name.time_type.find("manual_time") != std::string::npos;
}

// Three significant digits, whole numbers from 100 on; digits are written
// without the C library's locale.
std::string Significant(double value) {
  char text[32];
  const auto [end, error] =
      value >= 100 ? std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 0)
                   : std::to_chars(text, text + sizeof text, value, std::chars_format::general, 3);
  return error == std::errc() ? std::string(text, end) : std::string("?");
}

std::string QuantityText(const Quantity& quantity) {
  switch (quantity.unit) {
    case Unit::kSeconds:
      if (quantity.value >= 1) return Significant(quantity.value) + " s";
      if (quantity.value >= 1e-3) return Significant(quantity.value * 1e3) + " ms";
      return Significant(quantity.value * 1e6) + " us";
    case Unit::kMiB:
      return Significant(quantity.value) + " MiB";
    case Unit::kBytes:
      return Significant(quantity.value) + " B";
  }
  return {};
}

std::string TargetText(const Target& target) {
  return "<= " + (target.on == Target::On::kRatio ? Significant(target.limit) + "x"
                                                  : QuantityText({target.limit, target.unit}));
}

// "met" or "missed", or "not run" when a figure the target needs is missing.
std::string Verdict(const Target& target, const std::optional<Quantity>& figure,
                    const std::optional<double>& ratio) {
  std::optional<double> judged = ratio;
  if (target.on == Target::On::kFigure) judged = figure ? std::optional(figure->value) : std::nullopt;
  if (!judged) return "not run";
  return *judged <= target.limit ? "met" : "missed";
}

}  // namespace

void MedianReporter::ReportRuns(const std::vector<Run>& runs) {
  for (const Run& run : runs) {
    if (run.error_occurred || run.run_type != Run::RT_Aggregate || run.aggregate_name != "median") continue;
    Median& median = medians_[run.run_name.function_name];
    const double adjusted = TimedInRealTime(run) ? run.GetAdjustedRealTime() : run.GetAdjustedCPUTime();
    median.seconds = adjusted / benchmark::GetTimeUnitMultiplier(run.time_unit);
    for (const auto& [name, counter] : run.counters) median.counters[name] = counter.value;
  }
  ConsoleReporter::ReportRuns(runs);
}

const Median* MedianReporter::Find(std::string_view name) const {
  const auto found = medians_.find(name);
  return found == medians_.end() ? nullptr : &found->second;
}

std::optional<Quantity> MedianTime(const MedianReporter& medians, std::string_view benchmark) {
  const Median* median = medians.Find(benchmark);
  if (!median) return std::nullopt;
  return Quantity{median->seconds, Unit::kSeconds};
}

std::optional<Quantity> MedianCounter(const MedianReporter& medians, std::string_view benchmark,
                                      std::string_view counter, Unit unit) {
  const Median* median = medians.Find(benchmark);
  if (!median) return std::nullopt;
  const auto found = median->counters.find(counter);
  if (found == median->counters.end()) return std::nullopt;
  return Quantity{found->second, unit};
}

std::string CountText(std::size_t count) {
  int exponent = 0;
  std::size_t rest = count;
  while (rest >= 10 && rest % 10 == 0) {
    rest /= 10;
    ++exponent;
  }
  return rest == 1 && exponent >= 2 ? "10^" + std::to_string(exponent) : std::to_string(count);
}

void PrintTableHeading(std::string_view title) {
  std::printf("\n%.*s\n", static_cast<int>(title.size()), title.data());
  std::printf("%-*s %*s  %-*s %*s  %-*s %s\n", kWorkloadWidth, "Workload", kFigureWidth, "Median",
              kBaselineWidth, "Baseline (same run)", kRatioWidth, "Ratio", kTargetWidth, "Target", "Verdict");
}

void PrintTargetLine(std::string_view workload, const std::optional<Quantity>& figure,
                     const std::optional<Baseline>& baseline, const std::optional<Target>& target) {
  const std::string figure_text = figure ? QuantityText(*figure) : "not run";
  std::string baseline_text;
  std::optional<double> ratio;
  if (baseline) {
    baseline_text = baseline->name + " " + (baseline->figure ? QuantityText(*baseline->figure) : "not run");
    if (figure && baseline->figure && baseline->figure->value > 0)
      ratio = figure->value / baseline->figure->value;
  }
  const std::string ratio_text = ratio ? Significant(*ratio) + "x" : "";
  const std::string target_text = target ? TargetText(*target) : "";
  const std::string verdict = target ? Verdict(*target, figure, ratio) : "";
  std::printf("%-*.*s %*s  %-*s %*s  %-*s %s\n", kWorkloadWidth, static_cast<int>(workload.size()),
              workload.data(), kFigureWidth, figure_text.c_str(), kBaselineWidth, baseline_text.c_str(),
              kRatioWidth, ratio_text.c_str(), kTargetWidth, target_text.c_str(), verdict.c_str());
}

int RunWithTargets(int argc, char** argv, const std::function<void(const MedianReporter&)>& print_targets) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  MedianReporter medians;
  benchmark::RunSpecifiedBenchmarks(&medians);
  print_targets(medians);
  std::fflush(stdout);
  benchmark::Shutdown();
  return 0;
}

}  // namespace kep::bench

// Following a growing file: the CPU cost of taking in one appended line of a
// followed 2-million-line file, against the baseline of a full load of the
// same file, both measured in this run, each a median over repetitions; a
// table of the target ends the output. The file is made once in the
// temporary folder and removed at the end.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "report/target_report.h"
#include "viewer/load_controller.h"
#include "viewer/sequence_loader.h"
#include "viewer/view_history.h"

namespace {

constexpr int kLines = 2'000'000;

class FollowedFile {
 public:
  FollowedFile() : path_((std::filesystem::temp_directory_path() / "kepgraph-bench-follow.kep").string()) {
    std::FILE* out = std::fopen(path_.c_str(), "wb");
    if (out == nullptr) std::abort();
    for (int i = 1; i <= kLines; ++i) std::fprintf(out, "%d %d = 2^3 * 3^2 * 7 * 11\n", i, 1000 + i % 50000);
    std::fclose(out);
  }
  ~FollowedFile() { std::remove(path_.c_str()); }
  const std::string& Path() const { return path_; }

  // One more line, its index following the last one of every repetition.
  void AppendLine() {
    std::FILE* out = std::fopen(path_.c_str(), "ab");
    if (out == nullptr) std::abort();
    std::fprintf(out, "%d 123456789 = x\n", next_index_++);
    std::fclose(out);
  }

 private:
  std::string path_;
  int next_index_ = kLines + 1;
};

FollowedFile& File() {
  static FollowedFile file;
  return file;
}

void BM_FullLoad(benchmark::State& state) {
  for (auto _ : state) {
    kep::viewer::ProgramChart program;
    benchmark::DoNotOptimize(kep::viewer::LoadSequence(File().Path(), program, {}).points.points);
  }
}

// One line appended, seen by the follower and taken into the chart.
void BM_AppendOneLine(benchmark::State& state) {
  kep::viewer::ProgramChart program;
  kep::viewer::ViewHistory views(program);
  kep::viewer::LoadController loads(program, views);
  loads.Open(File().Path(), {});
  loads.Wait();
  views.Restart();
  for (auto _ : state) {
    state.PauseTiming();
    File().AppendLine();
    state.ResumeTiming();
    loads.CheckFile();
    loads.Wait();
  }
  state.counters["points"] = static_cast<double>(program.Series().PointCount());
}

void Repeated(benchmark::internal::Benchmark* benchmark) {
  kep::bench::Repeated(benchmark->MinTime(0.5)->MeasureProcessCPUTime());
}

BENCHMARK(BM_FullLoad)->Unit(benchmark::kMillisecond)->Apply(Repeated);
BENCHMARK(BM_AppendOneLine)->Unit(benchmark::kMicrosecond)->Apply(Repeated);

void PrintTargets(const kep::bench::MedianReporter& medians) {
  kep::bench::PrintTableHeading("Targets (medians of process CPU time; the baseline measured in this run)");
  kep::bench::PrintTargetLine(
      "following: one line appended to " + kep::bench::CountText(kLines) + " lines",
      kep::bench::MedianTime(medians, "BM_AppendOneLine"),
      kep::bench::Baseline{"full load", kep::bench::MedianTime(medians, "BM_FullLoad")},
      kep::bench::AtMost(1e-4, kep::bench::Unit::kSeconds));
}

}  // namespace

int main(int argc, char** argv) { return kep::bench::RunWithTargets(argc, argv, PrintTargets); }

// Following a growing file: the CPU cost of taking in one appended line of a
// followed 2-million-line file, against the baseline of a full load of the
// same file, both measured in this run. The file is made once in the
// temporary folder and removed at the end.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

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

 private:
  std::string path_;
};

const FollowedFile& File() {
  static const FollowedFile file;
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
  int next = kLines + 1;
  for (auto _ : state) {
    state.PauseTiming();
    std::FILE* out = std::fopen(File().Path().c_str(), "ab");
    std::fprintf(out, "%d 123456789 = x\n", next++);
    std::fclose(out);
    state.ResumeTiming();
    loads.CheckFile();
    loads.Wait();
  }
  state.counters["points"] = static_cast<double>(program.Series().PointCount());
}

BENCHMARK(BM_FullLoad)->Unit(benchmark::kMillisecond)->MinTime(2.0)->MeasureProcessCPUTime();
BENCHMARK(BM_AppendOneLine)->Unit(benchmark::kMillisecond)->MinTime(2.0)->MeasureProcessCPUTime();

}  // namespace

BENCHMARK_MAIN();

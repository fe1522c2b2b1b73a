// Loading sequence files, each figure beside a baseline measured in the same
// run on the same file:
//  - reading points (what --info does) against a memchr newline count over
//    the same reused buffer;
//  - kepgraph-render of the file to a GIF, and its peak memory, against
//    wc -l;
//  - the viewer's open (load, then the first paint of the chart), and the
//    bytes a point then takes: its X and Y values and the drawing index.
// The files are made once in the temporary folder and removed at the end:
// KEP_BENCH_LINES lines of short terms (default 10 million, about 440 MB) and
// KEP_BENCH_LONG_MB megabytes of 100,000-digit terms (default 300).
// KEP_BENCH_HUGE_LINES (unset by default: 10^8 lines take 4.4 GB of disk)
// adds the render of a file of that many short-term lines beside wc -l, with
// the render's peak memory.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "chart/headless_host.h"
#include "sequence/sequence_file.h"
#include "viewer/program_chart.h"
#include "viewer/sequence_loader.h"

extern char** environ;

namespace {

std::size_t Setting(const char* name, std::size_t fallback) {
  const char* value = std::getenv(name);
  return value ? std::strtoull(value, nullptr, 10) : fallback;
}

// Lines "index term = factors" with terms growing from min_digits to
// max_digits over the file.
std::string MakeFile(const char* name, std::size_t lines, std::size_t min_digits, std::size_t max_digits) {
  const std::string path = (std::filesystem::temp_directory_path() / name).string();
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) std::abort();
  std::string digits;
  for (std::size_t i = 0; i < max_digits; ++i) digits += static_cast<char>('1' + (i * 7) % 9);
  std::fputs("Tavrine benchmark sequence\n", out);
  char prefix[32];
  for (std::size_t i = 1; i <= lines; ++i) {
    const std::size_t length = min_digits + (max_digits - min_digits) * i / lines;
    const int n = std::snprintf(prefix, sizeof prefix, "%zu ", i);
    std::fwrite(prefix, 1, static_cast<std::size_t>(n), out);
    std::fwrite(digits.data(), 1, length, out);
    std::fputs(" = 2^3 * 3^2 * 7\n", out);
  }
  std::fclose(out);
  return path;
}

// The baseline: the file read through one reused buffer of the reader's
// piece size, its newlines counted with memchr.
std::size_t CountNewlines(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY);
  const auto buffer = std::make_unique_for_overwrite<char[]>(kep::sequence::SequenceFile::kPieceBytes);
  std::size_t count = 0;
  for (ssize_t got; (got = ::read(fd, buffer.get(), kep::sequence::SequenceFile::kPieceBytes)) > 0;) {
    const char* p = buffer.get();
    const char* const end = p + got;
    while ((p = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p))))) {
      ++count;
      ++p;
    }
  }
  ::close(fd);
  return count;
}

struct Files {
  std::string short_terms =
      MakeFile("kepgraph-bench-short.kep", Setting("KEP_BENCH_LINES", 10'000'000), 1, 40);
  std::string long_terms = MakeFile("kepgraph-bench-long.kep",
                                    (Setting("KEP_BENCH_LONG_MB", 300) << 20) / 100'020, 99'000, 100'000);
  Files() {  // read both once so that every measurement finds them in the page cache
    CountNewlines(short_terms);
    CountNewlines(long_terms);
  }
  ~Files() {
    std::remove(short_terms.c_str());
    std::remove(long_terms.c_str());
  }
};

Files& BenchFiles() {
  static Files files;
  return files;
}

void NewlineCount(benchmark::State& state, const std::string& path) {
  for (auto _ : state) benchmark::DoNotOptimize(CountNewlines(path));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * std::filesystem::file_size(path)));
}

void ReadPoints(benchmark::State& state, const std::string& path) {
  for (auto _ : state) {
    const kep::viewer::LoadedSequence loaded = kep::viewer::ReadSequence(path, {}, {}, false);
    benchmark::DoNotOptimize(loaded.summary.points);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * std::filesystem::file_size(path)));
}

// Runs a program to its end; returns its peak resident memory in KiB.
long Run(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t child = 0;
  if (posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ) != 0) std::abort();
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  rusage usage{};
  ::wait4(child, &status, 0, &usage);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) std::abort();
  return usage.ru_maxrss;
}

void BM_WcLines_10M(benchmark::State& state) {
  for (auto _ : state) Run({"wc", "-l", BenchFiles().short_terms});
}
void BM_Render_10M(benchmark::State& state) {
  const std::string gif = (std::filesystem::temp_directory_path() / "kepgraph-bench.gif").string();
  long peak = 0;
  for (auto _ : state) peak = Run({KEP_RENDER_PATH, BenchFiles().short_terms, "-o", gif});
  state.counters["peak_MiB"] = static_cast<double>(peak) / 1024;
  std::remove(gif.c_str());
}
void BM_WcLines_Long(benchmark::State& state) {
  for (auto _ : state) Run({"wc", "-l", BenchFiles().long_terms});
}
void BM_RenderInfo_Long(benchmark::State& state) {
  for (auto _ : state) Run({KEP_RENDER_PATH, "--info", BenchFiles().long_terms});
}

// The viewer's open: the load into the chart and the paint that shows it.
void BM_ViewerOpen_10M(benchmark::State& state) {
  for (auto _ : state) {
    kep::viewer::ProgramChart program;
    kep::chart::HeadlessHost host(program.Chart(), kep::viewer::kChartWidth, kep::viewer::kChartHeight);
    host.PaintNow();
    kep::viewer::LoadSequence(BenchFiles().short_terms, program, {});
    program.Chart().RepaintNow();
    const kep::chart::LineSeries& series = program.Series();
    const std::size_t bytes =
        series.XValues().MemoryBytes() + series.YValues().MemoryBytes() + series.DrawingIndexBytes();
    state.counters["bytes_per_point"] = static_cast<double>(bytes) / series.PointCount();
  }
}

// The file of KEP_BENCH_HUGE_LINES lines, made on first use.
struct HugeFile {
  std::string path = MakeFile("kepgraph-bench-huge.kep", Setting("KEP_BENCH_HUGE_LINES", 0), 1, 40);
  HugeFile() { CountNewlines(path); }
  ~HugeFile() { std::remove(path.c_str()); }
};

const std::string& HugePath() {
  static HugeFile file;
  return file.path;
}

void BM_WcLines_Huge(benchmark::State& state) {
  for (auto _ : state) Run({"wc", "-l", HugePath()});
}
void BM_Render_Huge(benchmark::State& state) {
  const std::string gif = (std::filesystem::temp_directory_path() / "kepgraph-bench-huge.gif").string();
  long peak = 0;
  for (auto _ : state) peak = Run({KEP_RENDER_PATH, HugePath(), "-o", gif});
  state.counters["peak_MiB"] = static_cast<double>(peak) / 1024;
  std::remove(gif.c_str());
}

const bool kHugeRegistered = [] {
  if (Setting("KEP_BENCH_HUGE_LINES", 0) == 0) return false;
  benchmark::RegisterBenchmark("BM_WcLines_Huge", BM_WcLines_Huge)
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime();
  benchmark::RegisterBenchmark("BM_Render_Huge", BM_Render_Huge)
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime();
  return true;
}();

void BM_NewlineCount_ShortTerms(benchmark::State& state) { NewlineCount(state, BenchFiles().short_terms); }
void BM_ReadPoints_ShortTerms(benchmark::State& state) { ReadPoints(state, BenchFiles().short_terms); }
void BM_NewlineCount_LongTerms(benchmark::State& state) { NewlineCount(state, BenchFiles().long_terms); }
void BM_ReadPoints_LongTerms(benchmark::State& state) { ReadPoints(state, BenchFiles().long_terms); }

BENCHMARK(BM_NewlineCount_ShortTerms)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_ReadPoints_ShortTerms)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_NewlineCount_LongTerms)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_ReadPoints_LongTerms)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_WcLines_10M)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_Render_10M)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_WcLines_Long)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_RenderInfo_Long)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_ViewerOpen_10M)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();

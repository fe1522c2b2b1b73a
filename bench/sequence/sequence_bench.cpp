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
// Beside them, one pass over the short-term file in the page cache counting
// its newlines, read with pread through a reused buffer of the reader's
// piece size or of 2 MiB, or mapped whole with MADV_SEQUENTIAL (and with
// MAP_POPULATE): which way of reading is faster.
// Every figure is a median over repetitions; a table of the targets, each
// beside its baseline, ends the output.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/mman.h>
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
#include "report/target_report.h"
#include "sequence/sequence_file.h"
#include "viewer/program_chart.h"
#include "viewer/sequence_loader.h"

extern char** environ;

namespace {

std::size_t Setting(const char* name, std::size_t fallback) {
  const char* value = std::getenv(name);
  return value ? std::strtoull(value, nullptr, 10) : fallback;
}

std::size_t ShortLines() { return Setting("KEP_BENCH_LINES", 10'000'000); }
std::size_t LongMegabytes() { return Setting("KEP_BENCH_LONG_MB", 300); }
std::size_t HugeLines() { return Setting("KEP_BENCH_HUGE_LINES", 0); }

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

constexpr std::size_t kPieceBytes = kep::sequence::SequenceFile::kPieceBytes;
constexpr std::size_t kLargeBlockBytes = std::size_t{2} << 20;

std::size_t NewlinesIn(const char* p, const char* const end) {
  std::size_t count = 0;
  while ((p = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p))))) {
    ++count;
    ++p;
  }
  return count;
}

// The baseline: the file read with pread through one reused buffer of
// `block_bytes`, its newlines counted with memchr.
std::size_t CountNewlines(const std::string& path, std::size_t block_bytes = kPieceBytes) {
  const int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) std::abort();
  const auto buffer = std::make_unique_for_overwrite<char[]>(block_bytes);
  std::size_t count = 0;
  off_t offset = 0;
  for (ssize_t got; (got = ::pread(fd, buffer.get(), block_bytes, offset)) > 0; offset += got) {
    count += NewlinesIn(buffer.get(), buffer.get() + got);
  }
  ::close(fd);
  return count;
}

// The same count over the whole file mapped at once and read in order;
// `map_flags` may add MAP_POPULATE to map every page up front.
std::size_t CountNewlinesMapped(const std::string& path, int map_flags) {
  const int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) std::abort();
  const std::size_t size = std::filesystem::file_size(path);
  void* const mapped = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | map_flags, fd, 0);
  if (mapped == MAP_FAILED) std::abort();
  ::madvise(mapped, size, MADV_SEQUENTIAL);
  const char* const text = static_cast<const char*>(mapped);
  const std::size_t count = NewlinesIn(text, text + size);
  ::munmap(mapped, size);
  ::close(fd);
  return count;
}

struct Files {
  std::string short_terms = MakeFile("kepgraph-bench-short.kep", ShortLines(), 1, 40);
  std::string long_terms =
      MakeFile("kepgraph-bench-long.kep", (LongMegabytes() << 20) / 100'020, 99'000, 100'000);
  // Read once here so that every measurement finds the files in the page
  // cache; the counts check the other ways of reading.
  std::size_t short_newlines = CountNewlines(short_terms);
  std::size_t long_newlines = CountNewlines(long_terms);
  ~Files() {
    std::remove(short_terms.c_str());
    std::remove(long_terms.c_str());
  }
};

Files& BenchFiles() {
  static Files files;
  return files;
}

// One way of reading the whole file and counting its newlines, checked
// against the count taken when the file was made.
template <typename Count>
void NewlineCount(benchmark::State& state, const std::string& path, std::size_t newlines, Count count) {
  for (auto _ : state) {
    if (count(path) != newlines) state.SkipWithError("the newline count differs");
  }
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
  std::string path = MakeFile("kepgraph-bench-huge.kep", HugeLines(), 1, 40);
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

// Every figure is a median of repetitions. A run of a program or an open
// of the viewer is one iteration, so that its median is over whole runs;
// passes within the process repeat for a short time.
void Repeated(benchmark::internal::Benchmark* benchmark) {
  kep::bench::Repeated(benchmark->Unit(benchmark::kMillisecond)->UseRealTime());
}
void RepeatedRuns(benchmark::internal::Benchmark* benchmark) { Repeated(benchmark->Iterations(1)); }
void RepeatedPasses(benchmark::internal::Benchmark* benchmark) { Repeated(benchmark->MinTime(0.5)); }

const bool kHugeRegistered = [] {
  if (HugeLines() == 0) return false;
  benchmark::RegisterBenchmark("BM_WcLines_Huge", BM_WcLines_Huge)->Apply(RepeatedRuns);
  benchmark::RegisterBenchmark("BM_Render_Huge", BM_Render_Huge)->Apply(RepeatedRuns);
  return true;
}();

void BM_NewlineCount_ShortTerms(benchmark::State& state) {
  NewlineCount(state, BenchFiles().short_terms, BenchFiles().short_newlines,
               [](const std::string& path) { return CountNewlines(path); });
}
void BM_NewlineCount_ShortTerms_Pread2MiB(benchmark::State& state) {
  NewlineCount(state, BenchFiles().short_terms, BenchFiles().short_newlines,
               [](const std::string& path) { return CountNewlines(path, kLargeBlockBytes); });
}
void BM_NewlineCount_ShortTerms_Mmap(benchmark::State& state) {
  NewlineCount(state, BenchFiles().short_terms, BenchFiles().short_newlines,
               [](const std::string& path) { return CountNewlinesMapped(path, 0); });
}
void BM_NewlineCount_ShortTerms_MmapPopulate(benchmark::State& state) {
  NewlineCount(state, BenchFiles().short_terms, BenchFiles().short_newlines,
               [](const std::string& path) { return CountNewlinesMapped(path, MAP_POPULATE); });
}
void BM_ReadPoints_ShortTerms(benchmark::State& state) { ReadPoints(state, BenchFiles().short_terms); }
void BM_NewlineCount_LongTerms(benchmark::State& state) {
  NewlineCount(state, BenchFiles().long_terms, BenchFiles().long_newlines,
               [](const std::string& path) { return CountNewlines(path); });
}
void BM_ReadPoints_LongTerms(benchmark::State& state) { ReadPoints(state, BenchFiles().long_terms); }

BENCHMARK(BM_NewlineCount_ShortTerms)->Apply(RepeatedPasses);
BENCHMARK(BM_NewlineCount_ShortTerms_Pread2MiB)->Apply(RepeatedPasses);
BENCHMARK(BM_ReadPoints_ShortTerms)->Apply(RepeatedPasses);
BENCHMARK(BM_NewlineCount_LongTerms)->Apply(RepeatedPasses);
BENCHMARK(BM_ReadPoints_LongTerms)->Apply(RepeatedPasses);
BENCHMARK(BM_WcLines_10M)->Apply(RepeatedRuns);
BENCHMARK(BM_Render_10M)->Apply(RepeatedRuns);
BENCHMARK(BM_WcLines_Long)->Apply(RepeatedRuns);
BENCHMARK(BM_RenderInfo_Long)->Apply(RepeatedRuns);
BENCHMARK(BM_ViewerOpen_10M)->Apply(RepeatedRuns);
// Last: a mapping of the file counts in this process's peak memory, which a
// program spawned afterwards reports as its own (the spawn shares this
// process's memory until it runs the program).
BENCHMARK(BM_NewlineCount_ShortTerms_Mmap)->Apply(RepeatedPasses);
BENCHMARK(BM_NewlineCount_ShortTerms_MmapPopulate)->Apply(RepeatedPasses);

void PrintTargets(const kep::bench::MedianReporter& medians) {
  using kep::bench::AtMost;
  using kep::bench::AtMostTimes;
  using kep::bench::Baseline;
  using kep::bench::PrintTableHeading;
  using kep::bench::PrintTargetLine;
  using kep::bench::Unit;
  const auto time = [&](std::string_view benchmark) { return kep::bench::MedianTime(medians, benchmark); };
  const auto counter = [&](std::string_view benchmark, std::string_view name, Unit unit) {
    return kep::bench::MedianCounter(medians, benchmark, name, unit);
  };
  const std::string lines = kep::bench::CountText(ShortLines()) + " lines";
  const Baseline wc{"wc -l", time("BM_WcLines_10M")};
  const auto render = time("BM_Render_10M");

  PrintTableHeading("Targets (medians; each baseline measured in this run on the same file)");
  PrintTargetLine("render of " + lines + " to GIF", render, wc, AtMostTimes(3));
  PrintTargetLine("  the same, stretch target", render, wc, AtMostTimes(2));
  PrintTargetLine("  its peak memory", counter("BM_Render_10M", "peak_MiB", Unit::kMiB));
  // Not run unless KEP_BENCH_HUGE_LINES is set; the line says how to run it.
  const std::string huge =
      HugeLines() != 0 ? kep::bench::CountText(HugeLines()) + " lines" : "10^8 lines (KEP_BENCH_HUGE_LINES)";
  PrintTargetLine("render of " + huge + " to GIF", time("BM_Render_Huge"),
                  Baseline{"wc -l", time("BM_WcLines_Huge")}, AtMostTimes(3));
  PrintTargetLine("  its peak memory", counter("BM_Render_Huge", "peak_MiB", Unit::kMiB), std::nullopt,
                  AtMost(500, Unit::kMiB));
  PrintTargetLine("--info on " + std::to_string(LongMegabytes()) + " MB of 10^5-digit terms",
                  time("BM_RenderInfo_Long"), Baseline{"wc -l", time("BM_WcLines_Long")}, AtMostTimes(1.5));
  PrintTargetLine("viewer open of " + lines + " to the chart, headless", time("BM_ViewerOpen_10M"), wc,
                  AtMost(0.25, Unit::kSeconds));
  PrintTargetLine("  its bytes per point", counter("BM_ViewerOpen_10M", "bytes_per_point", Unit::kBytes),
                  std::nullopt, AtMost(4, Unit::kBytes));

  PrintTableHeading("Reading points in the process, against a newline count through the same buffer");
  const auto newlines = time("BM_NewlineCount_ShortTerms");
  PrintTargetLine("points of " + lines, time("BM_ReadPoints_ShortTerms"), Baseline{"count", newlines});
  PrintTargetLine("points of the 10^5-digit terms", time("BM_ReadPoints_LongTerms"),
                  Baseline{"count", time("BM_NewlineCount_LongTerms")});

  PrintTableHeading("One pass counting the newlines of " + lines +
                    " in the page cache (a ratio below 1 is faster than pread of pieces)");
  const Baseline pieces{"pread " + std::to_string(kPieceBytes >> 10) + " KiB", newlines};
  PrintTargetLine(pieces.name + ", the reader's piece", newlines);
  PrintTargetLine("pread 2 MiB", time("BM_NewlineCount_ShortTerms_Pread2MiB"), pieces);
  PrintTargetLine("mmap + MADV_SEQUENTIAL", time("BM_NewlineCount_ShortTerms_Mmap"), pieces);
  PrintTargetLine("mmap + MAP_POPULATE + MADV_SEQUENTIAL", time("BM_NewlineCount_ShortTerms_MmapPopulate"),
                  pieces);
}

}  // namespace

int main(int argc, char** argv) { return kep::bench::RunWithTargets(argc, argv, PrintTargets); }

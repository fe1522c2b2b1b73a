// The readout's lookup (the point nearest the mouse, its line read from the
// file through the sparse index, the text formatted) on a warm file of
// KEP_BENCH_READOUT_LINES lines (default 100 million, about 2 GB), and on a
// file whose one long line holds a term of KEP_BENCH_TERM_DIGITS digits
// (default 10^9). The baseline, measured in the same run on the same file,
// is one pread of the most that a lookup may read before its line: one
// index span, a MiB. The files are made in the temporary folder and removed
// at the end.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <random>
#include <string>

#include "chart/headless_host.h"
#include "sequence/sequence_reader.h"
#include "viewer/readout.h"
#include "viewer/sequence_loader.h"

namespace {

std::size_t Setting(const char* name, std::size_t fallback) {
  const char* value = std::getenv(name);
  return value ? std::strtoull(value, nullptr, 10) : fallback;
}

std::string TempPath(const char* name) { return (std::filesystem::temp_directory_path() / name).string(); }

// Lines "index term = 7" with terms of 1 to 12 digits.
std::string MakeManyLines(std::size_t lines) {
  const std::string path = TempPath("kepgraph-bench-readout-lines.kep");
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) std::abort();
  std::string line;
  for (std::size_t i = 0; i < lines; ++i) {
    line = std::to_string(i) + ' ' + std::string(1 + i % 12, static_cast<char>('1' + i % 9)) + " = 7\n";
    std::fwrite(line.data(), 1, line.size(), out);
  }
  std::fclose(out);
  return path;
}

// A few short lines around one whose term has `digits` digits.
std::string MakeLongTerm(std::size_t digits) {
  const std::string path = TempPath("kepgraph-bench-readout-term.kep");
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) std::abort();
  std::fputs("1 12 = 2^2 * 3\n2 ", out);
  const std::string block(1 << 20, '9');
  for (std::size_t left = digits; left > 0;) {
    const std::size_t n = std::min(left, block.size());
    std::fwrite(block.data(), 1, n, out);
    left -= n;
  }
  std::fputs(" = 3^2 * 37 * 333667 * ...\n3 5 = 5\n", out);
  std::fclose(out);
  return path;
}

// A file opened into a chart as the viewer opens it, its reader kept for
// the readout, and read once more so that it is warm.
struct OpenFile {
  explicit OpenFile(std::string file_path) : path(std::move(file_path)) {
    host.PaintNow();
    loaded = kep::viewer::ReadSequence(path, {});
    kep::viewer::PutInPlace(loaded, program, {});
    loaded.points.reset();
    program.Chart().RepaintNow();
    source =
        kep::viewer::ReadoutSource{path, loaded.file.get(), loaded.reader.get(), kep::viewer::StampOf(path)};
    if (std::system(("cat '" + path + "' > /dev/null").c_str()) != 0) std::abort();
  }
  ~OpenFile() { std::remove(path.c_str()); }

  std::string path;
  kep::viewer::ProgramChart program;
  kep::chart::HeadlessHost host{program.Chart(), kep::viewer::kChartWidth, kep::viewer::kChartHeight};
  kep::viewer::LoadedSequence loaded;
  std::optional<kep::viewer::ReadoutSource> source;
};

OpenFile& ManyLines() {
  static OpenFile file(MakeManyLines(Setting("KEP_BENCH_READOUT_LINES", 100'000'000)));
  return file;
}

OpenFile& LongTerm() {
  static OpenFile file(MakeLongTerm(Setting("KEP_BENCH_TERM_DIGITS", 1'000'000'000)));
  return file;
}

// Lookups at mouse positions spread over the plot's width, or at the
// position of one X value.
void Lookups(benchmark::State& state, OpenFile& file, std::optional<double> at_x = std::nullopt) {
  const kep::chart::Chart& chart = file.program.Chart();
  const kep::raster::IntRect& plot = chart.PlotRect();
  std::mt19937 random(15);
  std::uniform_int_distribution<int> pixel_x(plot.Left, plot.Right - 1);
  std::int64_t shown = 0;
  for (auto _ : state) {
    const int x = at_x ? chart.BottomAxis().XValueToPixel(*at_x) : pixel_x(random);
    const auto point = kep::viewer::LookUpReadout(file.program, file.source, x, (plot.Top + plot.Bottom) / 2);
    shown += point && point->text.find(" = ") != std::string::npos;
  }
  if (shown != state.iterations()) state.SkipWithError("a lookup showed no line text");
}

// The baseline: one pread of an index span at a random mark.
void SpanReads(benchmark::State& state, OpenFile& file) {
  const auto& index = file.loaded.reader->LineIndex();
  const int fd = file.loaded.file->Descriptor();
  const auto buffer = std::make_unique_for_overwrite<char[]>(kep::sequence::SequenceReader::kMarkEveryBytes);
  std::mt19937 random(15);
  std::uniform_int_distribution<std::size_t> mark(0, index.size() - 1);
  for (auto _ : state) {
    benchmark::DoNotOptimize(::pread(fd, buffer.get(), kep::sequence::SequenceReader::kMarkEveryBytes,
                                     static_cast<off_t>(index[mark(random)].offset)));
  }
}

void BM_ReadSpan_ManyLines(benchmark::State& state) { SpanReads(state, ManyLines()); }
void BM_ReadoutLookup_ManyLines(benchmark::State& state) {
  Lookups(state, ManyLines());
  // The index against the bytes of the points' values.
  const auto& index = ManyLines().loaded.reader->LineIndex();
  const kep::chart::LineSeries& series = ManyLines().program.Series();
  const std::size_t point_bytes = series.XValues().MemoryBytes() + series.YValues().MemoryBytes();
  state.counters["index_per_series_%"] =
      100.0 * static_cast<double>(index.size() * sizeof index[0]) / static_cast<double>(point_bytes);
}
void BM_ReadSpan_LongTerm(benchmark::State& state) { SpanReads(state, LongTerm()); }
void BM_ReadoutLookup_LongTerm(benchmark::State& state) { Lookups(state, LongTerm(), 2.0); }

BENCHMARK(BM_ReadSpan_ManyLines)->Unit(benchmark::kMicrosecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_ReadoutLookup_ManyLines)->Unit(benchmark::kMicrosecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_ReadSpan_LongTerm)->Unit(benchmark::kMicrosecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_ReadoutLookup_LongTerm)->Unit(benchmark::kMicrosecond)->MinTime(1.0)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();

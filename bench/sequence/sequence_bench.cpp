// Reading a sequence file and building its points, against the baseline of
// reading the same file and counting its newlines with memchr, in one run.
// KEP_BENCH_MB sets the file size (default 500 MB); the files are made once in
// the temporary folder and removed at the end.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "sequence/sequence_file.h"

namespace {

std::size_t TargetBytes() {
  const char* mb = std::getenv("KEP_BENCH_MB");
  return (mb ? std::strtoull(mb, nullptr, 10) : 500) << 20;
}

// Lines "index term = factor text" with terms of min_digits growing to
// max_digits over the file.
std::string MakeFile(const char* name, std::size_t min_digits, std::size_t max_digits) {
  const std::string path = (std::filesystem::temp_directory_path() / name).string();
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) std::abort();
  std::string digits;
  for (std::size_t i = 0; i < max_digits; ++i) digits += static_cast<char>('1' + (i * 7) % 9);
  const std::size_t target = TargetBytes();
  const std::size_t average = (min_digits + max_digits) / 2 + 32;
  const std::size_t lines = target / average + 1;
  std::fputs("Tavrine benchmark sequence\n", out);
  char prefix[32];
  for (std::size_t i = 1; i <= lines; ++i) {
    const std::size_t length = min_digits + (max_digits - min_digits) * i / lines;
    const int n = std::snprintf(prefix, sizeof prefix, "%zu ", i);
    std::fwrite(prefix, 1, static_cast<std::size_t>(n), out);
    std::fwrite(digits.data(), 1, length, out);
    std::fputs(" = 2^3 * 3^2 * 7 * 11\n", out);
  }
  std::fclose(out);
  return path;
}

std::size_t CountNewlines(const std::string& path, std::size_t& bytes);

struct Files {
  std::string short_terms = MakeFile("kepgraph-bench-short.kep", 1, 120);
  std::string long_terms = MakeFile("kepgraph-bench-long.kep", 99'000, 100'000);
  Files() {  // read both once so that every measurement finds them in the page cache
    std::size_t bytes = 0;
    CountNewlines(short_terms, bytes);
    CountNewlines(long_terms, bytes);
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

// The baseline: read the whole file into one buffer and count its newlines.
std::size_t CountNewlines(const std::string& path, std::size_t& bytes) {
  const int fd = ::open(path.c_str(), O_RDONLY);
  const std::size_t size = std::filesystem::file_size(path);
  auto buffer = std::make_unique_for_overwrite<char[]>(size);
  bytes = 0;
  for (ssize_t got; (got = ::read(fd, buffer.get() + bytes, size - bytes)) > 0;) bytes += got;
  ::close(fd);
  std::size_t count = 0;
  const char* p = buffer.get();
  const char* const end = p + bytes;
  while ((p = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p))))) {
    ++count;
    ++p;
  }
  return count;
}

void Baseline(benchmark::State& state, const std::string& path) {
  std::size_t bytes = 0;
  for (auto _ : state) benchmark::DoNotOptimize(CountNewlines(path, bytes));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

void ReadAndBuildPoints(benchmark::State& state, const std::string& path) {
  const std::size_t bytes = std::filesystem::file_size(path);
  for (auto _ : state) {
    const kep::sequence::LineList lines = kep::sequence::ReadSequenceLines(path);
    const unsigned column = kep::sequence::ChooseNumberColumn(lines, false);
    double sum = 0;
    const std::size_t largest =
        kep::sequence::BuildPoints(lines, column, [&](double x, double y) { sum += x + y; });
    benchmark::DoNotOptimize(sum);
    benchmark::DoNotOptimize(largest);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

void BM_NewlineCount_ShortTerms(benchmark::State& state) { Baseline(state, BenchFiles().short_terms); }
void BM_ReadPoints_ShortTerms(benchmark::State& state) { ReadAndBuildPoints(state, BenchFiles().short_terms); }
void BM_NewlineCount_LongTerms(benchmark::State& state) { Baseline(state, BenchFiles().long_terms); }
void BM_ReadPoints_LongTerms(benchmark::State& state) { ReadAndBuildPoints(state, BenchFiles().long_terms); }

BENCHMARK(BM_NewlineCount_ShortTerms)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_ReadPoints_ShortTerms)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_NewlineCount_LongTerms)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_ReadPoints_LongTerms)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();

// GIF encoding speed. The LZW encoder against giflib's EGifPutLine on the same
// index rasters in the same run (giflib writing to memory through its output
// callback), and colour reduction of a 32-bit bitmap. Prints megapixels per
// second for each and, at the end, our rate over giflib's.
#include <benchmark/benchmark.h>
#include <gif_lib.h>

#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "gif/gif_image.h"
#include "gif/lzw_encoder.h"

namespace {

using kep::gif::BitmapView;
using kep::gif::GIFImage;
using kep::gif::LZWEncoder;
using kep::gif::MemoryStream;

struct Raster {
  std::string name;
  int width;
  int height;
  std::vector<std::uint8_t> indices;
};

// A saved chart in web-palette indices: white, a gray wall, black axes and
// ticks, a blue data line and rows of text-like glyph blobs.
Raster ChartRaster() {
  Raster r{"chart 753x561", 753, 561, {}};
  r.indices.assign(753 * 561, 215);
  auto at = [&](int x, int y) -> std::uint8_t& { return r.indices[static_cast<std::size_t>(y) * 753 + x]; };
  for (int y = 40; y < 500; ++y) {
    for (int x = 70; x < 730; ++x) at(x, y) = 129;
  }
  for (int x = 70; x < 730; ++x) at(x, 500) = 0;
  for (int y = 40; y <= 500; ++y) at(70, y) = 0;
  for (int t = 70; t < 730; t += 60) {
    for (int y = 500; y < 505; ++y) at(t, y) = 0;
  }
  int previous = 480;
  for (int x = 71; x < 730; ++x) {
    const int y = 480 - (x - 71) * (x - 71) / 1000 - (x * 37 % 11);
    for (int v = std::min(previous, y); v <= std::max(previous, y); ++v) at(x, std::max(v, 41)) = 5;
    previous = y;
  }
  std::mt19937 random(3);
  for (int line = 0; line < 12; ++line) {  // label text left of the axis and below it
    for (int glyph = 0; glyph < 5; ++glyph) {
      for (int y = 0; y < 11; ++y) {
        for (int x = 0; x < 6; ++x) {
          if (random() % 3 == 0) at(20 + glyph * 8 + x, 45 + line * 38 + y) = 0;
          if (random() % 3 == 0) at(80 + line * 55 + glyph * 8 + x, 515 + y) = 0;
        }
      }
    }
  }
  for (int x = 250; x < 500; ++x) {  // the title
    for (int y = 10; y < 24; ++y) {
      if (random() % 3 == 0) at(x, y) = 0;
    }
  }
  return r;
}

Raster GradientRaster() {
  Raster r{"gradient 4096x4096", 4096, 4096, {}};
  r.indices.resize(4096u * 4096u);
  for (int y = 0; y < 4096; ++y) {
    for (int x = 0; x < 4096; ++x) r.indices[static_cast<std::size_t>(y) * 4096 + x] = (x + y) * 255 / 8190;
  }
  return r;
}

Raster NoiseRaster() {
  Raster r{"noise 4096x4096", 4096, 4096, {}};
  r.indices.resize(4096u * 4096u);
  std::mt19937 random(1);
  for (auto& p : r.indices) p = static_cast<std::uint8_t>(random());
  return r;
}

const std::vector<Raster>& Rasters() {
  static const std::vector<Raster> rasters = {ChartRaster(), GradientRaster(), NoiseRaster()};
  return rasters;
}

void SetRates(benchmark::State& state, const Raster& raster, std::size_t bytes) {
  const double pixels = static_cast<double>(raster.width) * raster.height;
  state.counters["MP/s"] = benchmark::Counter(pixels * 1e-6, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["bytes"] = static_cast<double>(bytes);
}

void OurLZW(benchmark::State& state, const Raster& raster) {
  MemoryStream stream;
  LZWEncoder encoder;
  for (auto _ : state) {
    stream.Clear();
    encoder.Encode(stream, 8, raster.width, raster.height, false, raster.indices.data(), 256);
    benchmark::DoNotOptimize(stream.Bytes().data());
  }
  SetRates(state, raster, stream.Bytes().size());
}

int WriteToVector(GifFileType* file, const GifByteType* data, int size) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(file->UserData);
  out->insert(out->end(), data, data + size);
  return size;
}

void GiflibLZW(benchmark::State& state, const Raster& raster) {
  std::vector<GifColorType> colors(256);
  for (int i = 0; i < 256; ++i) colors[static_cast<std::size_t>(i)] = {static_cast<GifByteType>(i), 0, 0};
  std::vector<GifPixelType> pixels(raster.indices.begin(), raster.indices.end());  // giflib may mask in place
  std::vector<std::uint8_t> out;
  std::size_t image_bytes = 0;
  for (auto _ : state) {
    out.clear();
    int error = 0;
    GifFileType* file = EGifOpen(&out, WriteToVector, &error);
    ColorMapObject* map = GifMakeMapObject(256, colors.data());
    bool ok = file != nullptr && map != nullptr &&
              EGifPutScreenDesc(file, raster.width, raster.height, 8, 0, nullptr) == GIF_OK &&
              EGifPutImageDesc(file, 0, 0, raster.width, raster.height, false, map) == GIF_OK;
    const std::size_t before = out.size();
    for (int y = 0; ok && y < raster.height; ++y) {
      ok = EGifPutLine(file, pixels.data() + static_cast<std::size_t>(y) * raster.width, raster.width) ==
           GIF_OK;
    }
    image_bytes = out.size() - before;
    GifFreeMapObject(map);
    if (file == nullptr || EGifCloseFile(file, &error) != GIF_OK || !ok) {
      state.SkipWithError("giflib failed");
      return;
    }
    benchmark::DoNotOptimize(out.data());
  }
  SetRates(state, raster, image_bytes);
}

// The save path: a 32-bit bitmap reduced onto the web palette into a GIF frame.
void ColourReduction(benchmark::State& state) {
  constexpr int kSize = 4096;
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(kSize) * kSize);
  std::mt19937 random(5);
  for (std::size_t i = 0; i < pixels.size(); ++i) {
    pixels[i] = (i / 7919) % 3 == 0 ? static_cast<std::uint32_t>(random() & 0xFFFFFF) : 0xFFFFFF;
  }
  const BitmapView view = BitmapView::XRGB32(pixels.data(), kSize, kSize, kSize);
  GIFImage image;
  for (auto _ : state) {
    image.AssignFromBitmap(view);
    benchmark::DoNotOptimize(image.Images()[0].Data().data());
  }
  state.counters["MP/s"] =
      benchmark::Counter(double{kSize} * kSize * 1e-6, benchmark::Counter::kIsIterationInvariantRate);
}

// Keeps each run's rate for the closing comparison.
class Collector : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      const auto rate = run.counters.find("MP/s");
      if (rate == run.counters.end() || run.error_occurred) continue;
      const std::string name = run.benchmark_name();
      rates[name.substr(0, name.find("/min_time"))] = rate->second.value;
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> rates;
};

}  // namespace

int main(int argc, char** argv) {
  for (const Raster& raster : Rasters()) {
    benchmark::RegisterBenchmark(("LZW/ours/" + raster.name).c_str(), OurLZW, raster)
        ->Unit(benchmark::kMillisecond)
        ->MinTime(1.0);
    benchmark::RegisterBenchmark(("LZW/giflib/" + raster.name).c_str(), GiflibLZW, raster)
        ->Unit(benchmark::kMillisecond)
        ->MinTime(1.0);
  }
  benchmark::RegisterBenchmark("Reduce/web palette 4096x4096 XRGB32", ColourReduction)
      ->Unit(benchmark::kMillisecond)
      ->MinTime(1.0);
  benchmark::Initialize(&argc, argv);
  Collector collector;
  benchmark::RunSpecifiedBenchmarks(&collector);

  std::printf("\n%-22s %14s %14s %8s\n", "LZW encoding", "ours MP/s", "giflib MP/s", "ratio");
  for (const Raster& raster : Rasters()) {
    const auto ours = collector.rates.find("LZW/ours/" + raster.name);
    const auto theirs = collector.rates.find("LZW/giflib/" + raster.name);
    if (ours == collector.rates.end() || theirs == collector.rates.end()) continue;
    std::printf("%-22s %14.1f %14.1f %7.2fx\n", raster.name.c_str(), ours->second, theirs->second,
                ours->second / theirs->second);
  }
  const auto reduce = collector.rates.find("Reduce/web palette 4096x4096 XRGB32");
  if (reduce != collector.rates.end()) {
    std::printf("colour reduction 4096x4096 XRGB32: %.1f MP/s (target 200)\n", reduce->second);
  }
  benchmark::Shutdown();
  return 0;
}

// Compares a screenshot (binary PPM) with a GIF written by the renderer: the
// screenshot is reduced to the web palette the GIF writer uses, the GIF is
// decoded with giflib, and every pixel must match at some row of the
// screenshot. Prints what differs.
#include <gif_lib.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "gif/color_reduction.h"

namespace {

struct Rgb {
  int width = 0, height = 0;
  std::vector<std::uint32_t> pixels;  // 0x00RRGGBB
};

bool ReadPpm(const char* path, Rgb& image) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int max_value = 0;
  in >> magic >> image.width >> image.height >> max_value;
  in.get();
  if (magic != "P6" || max_value != 255 || image.width <= 0 || image.height <= 0) return false;
  std::vector<unsigned char> bytes(static_cast<std::size_t>(image.width) * image.height * 3);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!in) return false;
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    image.pixels.push_back((bytes[i] << 16) | (bytes[i + 1] << 8) | bytes[i + 2]);
  }
  return true;
}

bool ReadGif(const char* path, Rgb& image) {
  int error = 0;
  GifFileType* gif = DGifOpenFileName(path, &error);
  if (gif == nullptr) return false;
  const bool ok = DGifSlurp(gif) == GIF_OK && gif->ImageCount == 1;
  if (ok) {
    const SavedImage& frame = gif->SavedImages[0];
    const ColorMapObject* map = frame.ImageDesc.ColorMap ? frame.ImageDesc.ColorMap : gif->SColorMap;
    image.width = frame.ImageDesc.Width;
    image.height = frame.ImageDesc.Height;
    for (int i = 0; i < image.width * image.height; ++i) {
      const GifColorType c = map->Colors[frame.RasterBits[i]];
      image.pixels.push_back((c.Red << 16) | (c.Green << 8) | c.Blue);
    }
  }
  DGifCloseFile(gif, &error);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: screen_compare SCREENSHOT.ppm REFERENCE.gif\n";
    return 2;
  }
  Rgb shot, reference;
  if (!ReadPpm(argv[1], shot) || !ReadGif(argv[2], reference)) {
    std::cerr << "cannot read the pictures\n";
    return 2;
  }
  // A screenshot of a whole window may be taller than the chart: the chart
  // lies at some row under the menu bar, above the status bar.
  if (shot.width != reference.width || shot.height < reference.height) {
    std::cerr << "sizes differ: " << shot.width << "x" << shot.height << " against " << reference.width << "x"
              << reference.height << "\n";
    return 1;
  }
  const auto view = kep::gif::BitmapView::XRGB32(shot.pixels.data(), shot.width, shot.height, shot.width);
  const kep::gif::IndexedBitmap reduced = kep::gif::ReduceBitmapColors(
      view, kep::gif::ReductionMethod::kWebPalette, kep::gif::DitherMode::kNearest, 8);
  // The pixels that differ with the chart at row top of the screenshot:
  // stops at the first when first_only, prints five of them to report.
  const auto differences_at = [&](int top, bool first_only, std::ostream* report) {
    int differences = 0;
    for (int i = 0; i < reference.width * reference.height; ++i) {
      const std::size_t at = static_cast<std::size_t>(top) * shot.width + static_cast<std::size_t>(i);
      const kep::gif::GIFColor c = reduced.palette[reduced.indices[at]];
      const std::uint32_t expected = (c.red << 16) | (c.green << 8) | c.blue;
      if (expected == reference.pixels[static_cast<std::size_t>(i)]) continue;
      if (++differences <= 5 && report != nullptr) {
        *report << "pixel (" << i % shot.width << ", " << i / shot.width << "): screen " << std::hex
                << expected << " renderer " << reference.pixels[static_cast<std::size_t>(i)] << std::dec
                << "\n";
      }
      if (first_only) break;
    }
    return differences;
  };
  const int last_row = shot.height - reference.height;
  int top = 0;
  while (top <= last_row && differences_at(top, true, nullptr) != 0) ++top;
  if (top > last_row) {
    // Report against the placement that comes closest.
    int closest = 0;
    for (int row = 1, fewest = differences_at(0, false, nullptr); row <= last_row; ++row) {
      const int count = differences_at(row, false, nullptr);
      if (count < fewest) fewest = count, closest = row;
    }
    std::cerr << "at row " << closest << ":\n"
              << differences_at(closest, false, &std::cerr) << " pixels differ\n";
    return 1;
  }
  std::cout << "identical at row " << top << "\n";
  return 0;
}

#include "viewer/program_chart.h"

#include <gtest/gtest.h>

#include "chart/headless_host.h"
#include "raster/bitmap.h"

namespace kep::viewer {
namespace {

TEST(ProgramChartTest, TheEmptyChartShowsItsTitleOnWhite) {
  ProgramChart program;
  chart::HeadlessHost host(program.Chart(), kChartWidth, kChartHeight);
  host.PaintNow();
  const raster::Bitmap& pixels = host.Pixels();
  EXPECT_EQ(pixels.Pixel(0, 0), 0xFFFFFFu);
  EXPECT_EQ(pixels.Pixel(kChartWidth - 1, kChartHeight - 1), 0xFFFFFFu);
  // The title: text in the middle of the top rows, nothing at their ends.
  int inked = 0;
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < kChartWidth; ++x) {
      const bool ink = pixels.Pixel(x, y) != 0xFFFFFFu;
      EXPECT_FALSE(ink && (x < kChartWidth / 3 || x > kChartWidth * 2 / 3)) << x << "," << y;
      inked += ink ? 1 : 0;
    }
  }
  EXPECT_GT(inked, 50);
}

}  // namespace
}  // namespace kep::viewer

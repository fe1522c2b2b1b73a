#include "viewer/program_chart.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "chart/headless_host.h"
#include "raster/bitmap.h"
#include "viewer/growth_text.h"

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

namespace kep::viewer {
namespace {

TEST(ProgramChartTest, SequencesKeepTheirColoursAndTheLeftAxisCoversTheActiveOnes) {
  ProgramChart program;
  program.Series().AddPoint(1, 9, "", raster::clSeriesColor);
  std::vector<chart::LineSeries*> added;
  for (int k = 1; k < kMaxSequences; ++k) {
    added.push_back(&program.AddSeries());
    added.back()->AddPoint(1, 10 + k, "", raster::clSeriesColor);
  }
  for (int k = 0; k < kMaxSequences; ++k) EXPECT_EQ(program.SeriesAt(k).SeriesColor(), SequenceColor(k));
  EXPECT_EQ(program.FreshLeftAxisTop(), 10 + 15 + 1);
  added.back()->SetActive(false);
  EXPECT_EQ(program.FreshLeftAxisTop(), 10 + 14 + 1);

  // A removed sequence's colour goes to the next one added; the others keep theirs.
  program.RemoveSeries(*added[2]);
  EXPECT_EQ(program.SeriesCount(), kMaxSequences - 1);
  EXPECT_EQ(program.AddSeries().SeriesColor(), SequenceColor(3));
  EXPECT_EQ(added[3]->SeriesColor(), SequenceColor(4));
}

TEST(GrowthTextTest, SlopeAndFactorPerTermOrTooFewPoints) {
  const chart::NumberFormat c_format;
  const chart::NumberFormat german(".", ",");
  EXPECT_EQ(GrowthText({600, 0.20898764}, c_format), "+0.2090 digits/line (\u00d71.618 per term)");
  EXPECT_EQ(GrowthText({600, 0.20898764}, german), "+0,2090 digits/line (\u00d71,618 per term)");
  EXPECT_EQ(GrowthText({10, -0.30103}, c_format), "-0.3010 digits/line (\u00d70.500 per term)");
  EXPECT_EQ(GrowthText({10, 0}, c_format), "+0.0000 digits/line (\u00d71.000 per term)");
  // A slow growth keeps its significant digits instead of showing as none.
  EXPECT_EQ(GrowthText({10, 3.9e-7}, c_format), "+0.0000003900 digits/line (\u00d71.000000898 per term)");
  EXPECT_EQ(GrowthText({10, 1e-20}, c_format), "+0.000000000000 digits/line (\u00d71.000000000000 per term)");
  EXPECT_EQ(GrowthText({10, 4.0}, c_format), "+4.0000 digits/line (\u00d710,000.000 per term)");
  EXPECT_EQ(GrowthText({10, 400.5}, c_format), "+400.5000 digits/line (\u00d710^400.5 per term)");
  EXPECT_EQ(GrowthText({1, std::nan("")}, c_format), "fewer than 2 points in view");
}

}  // namespace
}  // namespace kep::viewer

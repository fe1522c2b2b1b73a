#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "chart/chart.h"
#include "chart/line_series.h"
#include "panel_test_support.h"
#include "raster/bitmap.h"
#include "viewer/program_chart.h"

namespace kep::chart {
namespace {

using raster::Bitmap;
using raster::IntRect;
using testing::CountPixels;
using viewer::kChartHeight;
using viewer::kChartWidth;

constexpr std::uint32_t kGray = 0x808080;
constexpr std::uint32_t kWhite = 0xFFFFFF;

// The viewer's chart with sequences 1 + count - 1 series; series k has the
// points (x, (k + 1) * x) for x = 1 .. 100 and is named names[k].
struct Sequences {
  explicit Sequences(const std::vector<std::string>& names) {
    for (std::size_t k = 0; k < names.size(); ++k) {
      LineSeries& series = k == 0 ? program.Series() : program.AddSeries();
      series.SetTitle(names[k]);
      for (int x = 1; x <= 100; ++x)
        series.AddPoint(x, static_cast<double>((k + 1) * x), "", raster::clSeriesColor);
    }
  }
  Bitmap Draw(int width = kChartWidth, int height = kChartHeight) {
    return program.Chart().RenderToBitmap({0, 0, width, height});
  }
  viewer::ProgramChart program;
};

std::vector<std::string> Names(int count) {
  std::vector<std::string> names;
  for (int k = 0; k < count; ++k) names.push_back("seq" + std::to_string(k) + ".txt");
  return names;
}

int RowHeight(Chart& chart) {
  raster::FontScope font(chart.Canvas(), chart.Legend().Font());
  return chart.Canvas().TextHeight("W");
}

TEST(LegendTest, OneSeriesHasNoLegendAndTheSamePixelsAsWithoutOne) {
  Sequences one(Names(1));
  const Bitmap shown = one.Draw();
  EXPECT_TRUE(one.program.Chart().Legend().LegendBox().IsEmpty());
  one.program.Chart().Legend().SetVisible(false);
  EXPECT_TRUE(one.Draw() == shown);

  // A second series that is hidden leaves one entry, so no legend either.
  Sequences two(Names(2));
  two.program.SeriesAt(1).SetActive(false);
  two.Draw();
  EXPECT_TRUE(two.program.Chart().Legend().LegendBox().IsEmpty());
  // So does one without points yet, such as a file still being read.
  two.program.SeriesAt(1).SetActive(true);
  two.program.Series().ClearPoints();
  two.Draw();
  EXPECT_TRUE(two.program.Chart().Legend().LegendBox().IsEmpty());
}

TEST(LegendTest, EntriesSitInAWhiteFramedBoxAtThePlotsTopLeftAndTakeNoRoom) {
  for (const int count : {2, 16}) {
    SCOPED_TRACE(count);
    Sequences charted(Names(count));
    Chart& chart = charted.program.Chart();
    const Bitmap with_legend = charted.Draw();
    const IntRect plot = chart.PlotRect();
    const IntRect box = chart.Legend().LegendBox();
    const int row = RowHeight(chart);
    EXPECT_EQ(box.Left, plot.Left + 6);
    EXPECT_EQ(box.Top, plot.Top + 6);
    EXPECT_EQ(box.Height(), 2 * 4 + count * row);
    EXPECT_EQ(chart.Legend().DrawnTexts(), Names(count));

    // A one-pixel grey frame: its four edges.
    EXPECT_EQ(CountPixels(with_legend, {box.Left, box.Top, box.Right, box.Top + 1}, kGray), box.Width());
    EXPECT_EQ(CountPixels(with_legend, {box.Left, box.Bottom - 1, box.Right, box.Bottom}, kGray),
              box.Width());
    EXPECT_EQ(CountPixels(with_legend, {box.Left, box.Top, box.Left + 1, box.Bottom}, kGray), box.Height());
    // Each row's sample is a 2-pixel line in its series' colour, 20 long.
    for (int k = 0; k < count; ++k) {
      const std::uint32_t color = viewer::SequenceColor(k).ToXrgb();
      const int row_top = box.Top + 4 + k * row;
      EXPECT_EQ(CountPixels(with_legend, {box.Left + 4, row_top, box.Left + 24, row_top + row}, color), 40)
          << "row " << k;
    }

    // Without the legend the plot and every pixel outside the box are the same.
    chart.Legend().SetVisible(false);
    const Bitmap without = charted.Draw();
    EXPECT_EQ(chart.PlotRect(), plot);
    int differing_outside = 0;
    for (int y = 0; y < kChartHeight; ++y) {
      for (int x = 0; x < kChartWidth; ++x) {
        if (!box.Contains({x, y}) && with_legend.Pixel(x, y) != without.Pixel(x, y)) ++differing_outside;
      }
    }
    EXPECT_EQ(differing_outside, 0);
    // Inside, the box hides the lines and grid behind it: only white, grey,
    // text and samples.
    EXPECT_GT(CountPixels(with_legend, {box.Left + 1, box.Top + 1, box.Right - 1, box.Bottom - 1}, kWhite),
              box.Width() * box.Height() / 2);
  }
}

TEST(LegendTest, LongNamesAreElidedInTheMiddleAndTheBoxStaysInsideThePlot) {
  const std::string long_name =
      "a-very-long-sequence-file-name-from-a-computation-that-ran-for-days-and-kept-on.txt";
  // "é" and "Ω" are two bytes each: the cut falls between characters.
  const std::string accented = std::string(40, 'e') + "\u00e9\u03a9" + std::string(40, 'z') + ".txt";
  Sequences charted({long_name, "short.txt", accented});
  Chart& chart = charted.program.Chart();
  charted.Draw();
  const std::vector<std::string>& texts = chart.Legend().DrawnTexts();
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_EQ(texts[1], "short.txt");
  for (const std::size_t k : {0u, 2u}) {
    const std::string& text = texts[k];
    const std::size_t ellipsis = text.find("\u2026");
    ASSERT_NE(ellipsis, std::string::npos) << text;
    const std::string& name = k == 0 ? long_name : accented;
    EXPECT_EQ(name.substr(0, ellipsis), text.substr(0, ellipsis));
    const std::string tail = text.substr(ellipsis + 3);
    EXPECT_EQ(name.substr(name.size() - tail.size()), tail);
    // The head has as many characters as the tail, or one more.
    EXPECT_LE(tail.size(), ellipsis + 1);
    raster::FontScope font(chart.Canvas(), chart.Legend().Font());
    EXPECT_LE(chart.Canvas().TextWidth(text), 220);
    EXPECT_GT(chart.Canvas().TextWidth(ElideMiddle(chart.Canvas(), name, 260)), 220);
  }

  // In a small chart the box is cut at the plot's edges, never beyond them.
  Sequences crowded(Names(16));
  const Bitmap small = crowded.Draw(300, 150);
  const IntRect plot = crowded.program.Chart().PlotRect();
  EXPECT_GT(crowded.program.Chart().Legend().LegendBox().Bottom, plot.Bottom);
  crowded.program.Chart().Legend().SetVisible(false);
  const Bitmap without = crowded.Draw(300, 150);
  for (int y = plot.Bottom + 1; y < 150; ++y) {
    for (int x = 0; x < 300; ++x) ASSERT_EQ(small.Pixel(x, y), without.Pixel(x, y)) << x << ", " << y;
  }
}

TEST(LegendTest, ElidingAlwaysFitsWhenTheEllipsisDoes) {
  raster::ChartCanvas canvas;
  canvas.SetFont(DefaultChartFont(raster::clBlack));
  const int ellipsis = canvas.TextWidth("\u2026");
  EXPECT_EQ(ElideMiddle(canvas, "", 0), "");
  EXPECT_EQ(ElideMiddle(canvas, "abc", 1000), "abc");
  EXPECT_EQ(ElideMiddle(canvas, "abcdefgh", ellipsis), "\u2026");
  for (int width = ellipsis; width < 120; width += 7) {
    EXPECT_LE(canvas.TextWidth(ElideMiddle(canvas, "0123456789abcdefghijklmnopqrstuvwxyz", width)), width);
  }
}

}  // namespace
}  // namespace kep::chart

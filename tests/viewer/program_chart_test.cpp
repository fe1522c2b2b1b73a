#include "viewer/program_chart.h"

#include <gtest/gtest.h>

#include "chart/headless_host.h"
#include "raster/bitmap.h"

namespace kep::viewer {
namespace {

TEST(ProgramChartTest, CarriesTheViewersSettings) {
  ProgramChart program;
  const chart::Chart& c = program.Chart();
  EXPECT_TRUE(c.AnimatedZoom());
  EXPECT_EQ(c.AnimatedZoomSteps(), 16);
  EXPECT_EQ(c.MarginLeft(), 1);
  EXPECT_EQ(c.MarginTop(), 1);
  EXPECT_EQ(c.MarginRight(), 1);
  EXPECT_EQ(c.MarginBottom(), 1);
  EXPECT_EQ(c.Title().Text(), std::vector<std::string>{"Tavrine file: "});
  EXPECT_EQ(c.BottomAxis().Title().Caption(), "Sequence Length");
  EXPECT_EQ(c.LeftAxis().Title().Caption(), "Number Size");
  EXPECT_FALSE(c.View3D());
  EXPECT_EQ(c.Chart3DPercent(), 5);
  EXPECT_EQ(c.Color(), raster::clWhite);
  EXPECT_EQ(c.BevelOuter(), chart::PanelBevel::bvNone);
  EXPECT_EQ(program.Chart().Legend().Visible(), false);
  EXPECT_EQ(program.Chart().BackWall().Brush().style, raster::BrushStyle::bsClear);
  EXPECT_EQ(program.Chart().Gradient().Direction(), chart::GradientDirection::gdBottomTop);
  EXPECT_EQ(program.Chart().Gradient().EndColor(), raster::clGreen);
  EXPECT_FALSE(program.Chart().Gradient().Visible());

  const chart::LineSeries& s = program.Series();
  ASSERT_EQ(c.SeriesList().size(), 1u);
  EXPECT_EQ(c.SeriesList()[0].get(), &s);
  EXPECT_EQ(s.SeriesColor(), raster::clBlue);
  EXPECT_EQ(s.Title(), "Sequence: ");
  EXPECT_EQ(s.LinePen().color, raster::clBlue);
  EXPECT_EQ(s.LinePen().width, 2);
  EXPECT_EQ(s.LineBrush(), raster::BrushStyle::bsClear);
  EXPECT_FALSE(s.Dark3D());
  EXPECT_FALSE(s.Pointer().Visible());
  EXPECT_EQ(s.Pointer().Style(), chart::PointerStyle::psTriangle);
  EXPECT_FALSE(s.Pointer().InflateMargins());
  EXPECT_FALSE(s.Marks().Visible());
  EXPECT_EQ(s.Marks().ArrowLength(), 8);
  EXPECT_EQ(s.XValues().Name(), "X");
  EXPECT_EQ(s.XValues().Order(), chart::ChartListOrder::loAscending);
  EXPECT_EQ(s.YValues().Name(), "Y");
  EXPECT_EQ(s.YValues().Order(), chart::ChartListOrder::loNone);
  EXPECT_FALSE(c.IsLoading());
}

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

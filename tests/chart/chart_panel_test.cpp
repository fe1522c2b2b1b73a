#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>
#include <vector>

#include "chart/chart.h"
#include "chart/chart_exceptions.h"
#include "chart/headless_host.h"
#include "panel_test_support.h"
#include "support/error_text.h"
#include "viewer/program_chart.h"

namespace kep::chart {
namespace {

using raster::Bitmap;
using raster::IntRect;
using test::ErrorText;
using testing::AddPlainSeries;
using testing::CountPixels;
using testing::UseViewerPanelSettings;
using viewer::kChartHeight;
using viewer::kChartWidth;

constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kBlack = 0x000000;
constexpr std::uint32_t kBlue = 0x0000FF;  // as a pixel (XRGB)

int TitleLineHeight(Chart& chart) {
  chart.Canvas().SetFont(chart.Title().Font());
  return chart.Canvas().TextLineHeight();
}

// ---- layout ----

// The layout tests draw at the viewer's chart size, 753 x 561: its margins
// of 1 % are 8 and 6 pixels, leaving {8, 6, 745, 555}.

TEST(ChartLayoutTest, MarginsAndAnEmptyTitleLeaveThePlotInsideThePercentages) {
  Chart chart;
  UseViewerPanelSettings(chart);
  chart.Title().SetText({});
  Bitmap target(kChartWidth, kChartHeight);
  chart.DrawChart(target, target.Bounds());
  EXPECT_EQ(chart.PanelBounds(), (IntRect{0, 0, kChartWidth, kChartHeight}));
  // No lines and no frame: the title takes no space; no series: no axes.
  EXPECT_EQ(chart.PlotRect(), (IntRect{8, 6, 745, 555}));
  EXPECT_EQ(chart.PlotCentreX(), (8 + 745) / 2);
  EXPECT_EQ(chart.PlotCentreY(), (6 + 555) / 2);
  // The back wall is a black frame on PlotRect's four edges, not filled.
  EXPECT_EQ(target.Pixel(8, 6), kBlack);
  EXPECT_EQ(target.Pixel(745, 555), kBlack);
  EXPECT_EQ(target.Pixel(7, 6), kWhite);
  EXPECT_EQ(target.Pixel(746, 555), kWhite);
  EXPECT_EQ(CountPixels(target, {9, 7, 745, 555}, kWhite), 736 * 548);
}

TEST(ChartLayoutTest, TitleIsCentredInBlueAndTakesItsLineHeightPlusTheGap) {
  Chart chart;
  UseViewerPanelSettings(chart);
  Bitmap target(kChartWidth, kChartHeight);
  chart.DrawChart(target, target.Bounds());
  const int line_height = TitleLineHeight(chart);
  ASSERT_GT(line_height, 5);
  EXPECT_EQ(chart.Title().TitleBox(), (IntRect{8, 6, 745, 6 + line_height}));
  EXPECT_EQ(chart.PlotRect(), (IntRect{8, 6 + line_height + 5, 745, 555}));
  // The empty foot takes nothing from the bottom.
  EXPECT_EQ(chart.Foot().TitleBox(), (IntRect{8, 555, 745, 555}));

  int left = kChartWidth;
  int right = -1;
  for (int y = 0; y < kChartHeight; ++y) {
    for (int x = 0; x < kChartWidth; ++x) {
      if (target.Pixel(x, y) != kBlue) continue;
      EXPECT_GE(y, 6);
      EXPECT_LT(y, 6 + line_height + 5);
      left = std::min(left, x);
      right = std::max(right, x);
    }
  }
  ASSERT_LT(left, right);
  chart.Canvas().SetFont(chart.Title().Font());
  const int text_width = chart.Canvas().TextWidth("Tavrine file: ");
  EXPECT_NEAR((left + right) / 2.0, (8 + 745) / 2.0, text_width / 4.0);
}

TEST(ChartLayoutTest, AxesTakeTheirBandsFromThePlotAfterTheTitle) {
  Chart chart;
  UseViewerPanelSettings(chart);
  AddPlainSeries(chart, 100);
  Bitmap target(kChartWidth, kChartHeight);
  chart.DrawChart(target, target.Bounds());
  // Bottom first, then left, each from what the previous one left.
  IntRect expected{8, 6 + TitleLineHeight(chart) + 5, 745, 555};
  chart.BottomAxis().ReserveAxisSpace(expected);
  chart.LeftAxis().ReserveAxisSpace(expected);
  EXPECT_EQ(chart.PlotRect(), expected);
  EXPECT_LT(chart.PlotRect().Bottom, 555 - 10);
  EXPECT_GT(chart.PlotRect().Left, 8 + 10);
  EXPECT_EQ(chart.PlotRect().Right, 745);
  EXPECT_EQ(chart.BottomAxis().StartPixel(), chart.PlotRect().Left);
  EXPECT_EQ(chart.BottomAxis().EndPixel(), chart.PlotRect().Right);
  EXPECT_EQ(chart.LeftAxis().StartPixel(), chart.PlotRect().Top);
  EXPECT_FALSE(chart.BottomAxis().TickPositions().empty());
  EXPECT_TRUE(chart.TopAxis().TickPositions().empty());  // no series on it
}

TEST(ChartLayoutTest, FramedTitleFillsOnlyItsTextWidthAndAddsTheFrameToItsSpace) {
  Chart chart;
  UseViewerPanelSettings(chart);
  raster::ChartPen frame;
  frame.width = 2;
  chart.Title().SetFrame(frame);
  chart.Title().SetColor(raster::clYellow);
  chart.Title().SetAlignment(TitleAlignment::taLeftJustify);
  Bitmap target(kChartWidth, kChartHeight);
  chart.DrawChart(target, target.Bounds());
  const int line_height = TitleLineHeight(chart);
  chart.Canvas().SetFont(chart.Title().Font());
  const int width = chart.Canvas().TextWidth("Tavrine file: ") + chart.Canvas().TextWidth("W");
  EXPECT_EQ(chart.Title().TitleBox(), (IntRect{8, 6, 8 + width, 6 + line_height + 4}));
  EXPECT_EQ(chart.PlotRect().Top, 6 + 2 + line_height + 2 + 5);
  EXPECT_EQ(target.Pixel(8, 6), kBlack);                 // frame
  EXPECT_EQ(target.Pixel(8 + width - 2, 8), kBlack);     // frame, 2 pixels wide
  EXPECT_EQ(target.Pixel(8 + width - 3, 8), 0xFFFF00u);  // yellow fill inside
  EXPECT_EQ(target.Pixel(8 + width + 1, 8), kWhite);     // nothing beyond the text width
}

TEST(ChartLayoutTest, BottomFootTakesSpaceFromTheBottom) {
  Chart chart;
  UseViewerPanelSettings(chart);
  chart.Foot().SetText({"one", "two"});
  Bitmap target(kChartWidth, kChartHeight);
  chart.DrawChart(target, target.Bounds());
  const int line_height = TitleLineHeight(chart);
  EXPECT_EQ(chart.Foot().TitleBox(), (IntRect{8, 555 - 2 * line_height, 745, 555}));
  EXPECT_EQ(chart.PlotRect().Bottom, 555 - 2 * line_height - 5);
}

TEST(ChartLayoutTest, TinyAndEmptyPanelsStillDraw) {
  for (const auto& [width, height] : std::vector<std::pair<int, int>>{{1, 1}, {0, 0}, {3, 2}, {40, 30}}) {
    Chart chart;
    UseViewerPanelSettings(chart);
    AddPlainSeries(chart, 10);
    HeadlessHost host(chart, width, height);
    EXPECT_TRUE(host.ProcessPaint());
    EXPECT_GE(chart.PlotRect().Width(), 1);
    EXPECT_GE(chart.PlotRect().Height(), 1);
    EXPECT_EQ(host.Pixels().Width(), width);
  }
}

TEST(ChartSettingsTest, Chart3DPercentOutsideOneToHundredIsRefused) {
  Chart chart;
  EXPECT_EQ(chart.Chart3DPercent(), 15);
  for (int bad : {0, 101, -5}) {
    EXPECT_EQ(ErrorText<ChartException>([&] { chart.SetChart3DPercent(bad); }),
              "3D effect percent must be between 1 and 100")
        << bad;
  }
  EXPECT_EQ(chart.Chart3DPercent(), 15);
  chart.SetChart3DPercent(100);
  EXPECT_EQ(chart.Chart3DPercent(), 100);
}

TEST(ChartSettingsTest, DefaultsOfANewChart) {
  Chart chart;
  EXPECT_EQ(chart.MarginLeft(), 3);
  EXPECT_EQ(chart.MarginTop(), 4);
  EXPECT_EQ(chart.MarginRight(), 3);
  EXPECT_EQ(chart.MarginBottom(), 4);
  EXPECT_TRUE(chart.View3D());
  EXPECT_TRUE(chart.AxisVisible());
  EXPECT_TRUE(chart.ClipPoints());
  EXPECT_TRUE(chart.Legend().Visible());
  EXPECT_EQ(chart.BevelOuter(), PanelBevel::bvRaised);
  EXPECT_FALSE(chart.Gradient().Visible());
  EXPECT_EQ(chart.Gradient().EndColor(), raster::clYellow);
  EXPECT_FALSE(chart.AnimatedZoom());
  EXPECT_EQ(chart.AnimatedZoomSteps(), 8);
  EXPECT_EQ(chart.Title().Font().name, "Arial");
  EXPECT_EQ(chart.Title().Font().points, 8);
  EXPECT_EQ(chart.Title().Font().color, raster::clBlue);
  EXPECT_EQ(chart.Title().Alignment(), TitleAlignment::taCenter);
  EXPECT_FALSE(chart.Title().Frame().visible);
  EXPECT_EQ(chart.BackWall().Brush().style, raster::BrushStyle::bsClear);
  EXPECT_TRUE(chart.BackWall().Pen().visible);
}

TEST(ChartSettingsTest, GradientAndBevelsPaintTheBackground) {
  Chart chart;
  UseViewerPanelSettings(chart);
  chart.Gradient().SetVisible(true);
  chart.Gradient().SetDirection(GradientDirection::gdTopBottom);
  chart.Gradient().SetStartColor(raster::clWhite);
  chart.Gradient().SetEndColor(raster::clBlack);
  chart.SetBevelOuter(PanelBevel::bvRaised);
  chart.SetBorderWidth(2);
  Bitmap target(100, 101);
  chart.DrawChart(target, target.Bounds());
  EXPECT_EQ(target.Pixel(0, 0), kWhite);        // light bevel, top left
  EXPECT_EQ(target.Pixel(99, 100), 0x808080u);  // shadow, bottom right
  EXPECT_EQ(target.Pixel(2, 50), kWhite);       // border in the panel colour
  // Inside the border the gradient runs from the start colour at the top to
  // the end colour at the bottom, over the 101 rows of the panel.
  EXPECT_EQ(target.Pixel(5, 3), 0xF8F8F8u);
  EXPECT_EQ(target.Pixel(5, 50), 0x808080u);
  EXPECT_EQ(target.Pixel(5, 97), 0x080808u);
  // The border keeps the margins' plot rectangle inset by its width.
  EXPECT_EQ(chart.PlotRect().Left, 2 + 1);
}

// ---- paint cycle ----

TEST(ChartPaintTest, UnchangedChartIsDrawnOnceAndCopiedAfterwards) {
  Chart chart;
  UseViewerPanelSettings(chart);
  AddPlainSeries(chart, 10);
  HeadlessHost host(chart, 200, 150);
  ASSERT_TRUE(host.PaintPending());
  EXPECT_TRUE(host.ProcessPaint());
  EXPECT_FALSE(host.ProcessPaint());
  const Bitmap first = host.Pixels();
  host.PaintNow();  // the window was exposed
  EXPECT_EQ(host.PaintCount(), 2);
  EXPECT_EQ(host.FullDrawCount(), 1);
  EXPECT_EQ(host.Pixels(), first);

  // Setting a value it already has asks for nothing; a new value redraws.
  chart.SetMarginLeft(1);
  chart.Title().SetText({"Tavrine file: "});
  chart.BackWall().SetPen(chart.BackWall().Pen());
  EXPECT_FALSE(host.PaintPending());
  chart.SetMarginLeft(5);
  EXPECT_TRUE(host.ProcessPaint());
  EXPECT_EQ(host.FullDrawCount(), 2);
  EXPECT_NE(host.Pixels(), first);
}

TEST(ChartPaintTest, ResizingRedrawsAtTheNewSize) {
  Chart chart;
  UseViewerPanelSettings(chart);
  HeadlessHost host(chart, 200, 150);
  host.ProcessPaint();
  host.Resize(300, 120);
  EXPECT_TRUE(host.ProcessPaint());
  EXPECT_EQ(host.FullDrawCount(), 2);
  ASSERT_NE(chart.Canvas().OffscreenImage(), nullptr);
  EXPECT_EQ(chart.Canvas().OffscreenImage()->Width(), 300);
  EXPECT_EQ(chart.PlotRect().Right, 300 - 3);
  // A size change that nobody reported is noticed by the paint itself.
  host.WindowPixels().Resize(250, 120);
  host.PaintNow();
  EXPECT_EQ(host.FullDrawCount(), 3);
  EXPECT_EQ(chart.PlotRect().Right, 250 - 3);
}

TEST(ChartPaintTest, RepaintNowDrawsAtOnce) {
  Chart chart;
  HeadlessHost host(chart, 50, 40);
  host.ProcessPaint();
  chart.RepaintNow();
  EXPECT_FALSE(host.PaintPending());
  EXPECT_EQ(host.FullDrawCount(), 2);
}

TEST(ChartPaintTest, EventsFireInDrawingOrder) {
  Chart chart;
  std::vector<std::string> events;
  chart.OnBeforeDrawAxes = [&](Chart&) { events.push_back("axes"); };
  chart.OnBeforeDrawSeries = [&](Chart&) { events.push_back("series"); };
  chart.OnAfterDraw = [&](Chart&) { events.push_back("after"); };
  Bitmap target(60, 60);
  chart.DrawChart(target, target.Bounds());
  EXPECT_EQ(events, (std::vector<std::string>{"axes", "series", "after"}));
  chart.SetAxisVisible(false);
  events.clear();
  chart.DrawChart(target, target.Bounds());
  EXPECT_EQ(events, (std::vector<std::string>{"series", "after"}));
}

// ---- capture ----

class RecordingClipboard : public Clipboard {
 public:
  void SetBitmap(const Bitmap& bitmap) override {
    if (fail) throw Error("Cannot open clipboard");
    images.push_back(bitmap);
  }
  Bitmap GetBitmap() override { return images.back(); }
  bool fail = false;
  std::vector<Bitmap> images;
};

TEST(ChartCaptureTest, CaptureEqualsTheWindowAndForcesAFullRedrawNext) {
  Chart chart;
  UseViewerPanelSettings(chart);
  AddPlainSeries(chart, 100);
  HeadlessHost host(chart, 320, 200);
  host.ProcessPaint();
  RecordingClipboard clipboard;
  chart.CaptureToClipboard(clipboard);
  ASSERT_EQ(clipboard.images.size(), 1u);
  EXPECT_EQ(clipboard.images[0], host.Pixels());
  EXPECT_TRUE(chart.Canvas().UseOffscreenBuffer());
  EXPECT_FALSE(host.PaintPending());  // the window is not asked to repaint
  host.PaintNow();
  EXPECT_EQ(host.FullDrawCount(), 2);
  EXPECT_EQ(clipboard.images[0], host.Pixels());

  // A larger window gives a larger capture; the second replaces the first.
  host.Resize(400, 260);
  host.ProcessPaint();
  chart.CaptureToClipboard(clipboard);
  EXPECT_EQ(clipboard.GetBitmap().Width(), 400);
  EXPECT_EQ(clipboard.GetBitmap(), host.Pixels());
}

TEST(ChartCaptureTest, ChartWithoutPointsCapturesTitleWallAndAxes) {
  Chart chart;
  UseViewerPanelSettings(chart);
  AddPlainSeries(chart, 0);
  HeadlessHost host(chart, 300, 200);
  const Bitmap image = chart.RenderToBitmap(chart.ClientRect());
  EXPECT_EQ(image.Width(), 300);
  EXPECT_GT(CountPixels(image, image.Bounds(), kBlue), 0);  // title
  const IntRect plot = chart.PlotRect();
  EXPECT_EQ(image.Pixel(plot.Left, plot.Top), kBlack);  // wall
  EXPECT_LT(plot.Bottom, 200 - 3 - 5);                  // the bottom axis' band
  host.ProcessPaint();
  EXPECT_EQ(image, host.Pixels());
}

TEST(ChartCaptureTest, TheRectanglesOriginPlacesTheChartInTheBitmap) {
  Chart chart;  // the default grey panel, to tell it from the white bitmap
  AddPlainSeries(chart, 100);
  const Bitmap at_origin = chart.RenderToBitmap({0, 0, 320, 200});
  const Bitmap moved = chart.RenderToBitmap({30, 20, 350, 220});
  EXPECT_EQ(chart.PanelBounds(), (IntRect{30, 20, 350, 220}));
  ASSERT_EQ(moved.Width(), 320);
  ASSERT_EQ(moved.Height(), 200);
  for (int y = 0; y < 200; ++y) {
    for (int x = 0; x < 320; ++x) {
      const std::uint32_t expected = x < 30 || y < 20 ? kWhite : at_origin.Pixel(x - 30, y - 20);
      ASSERT_EQ(moved.Pixel(x, y), expected) << x << ", " << y;
    }
  }
}

TEST(ChartCaptureTest, ClipboardErrorsReachTheCallerAndTheChartStaysUsable) {
  Chart chart;
  HeadlessHost host(chart, 80, 60);
  host.ProcessPaint();
  RecordingClipboard clipboard;
  clipboard.fail = true;
  EXPECT_THROW(chart.CaptureToClipboard(clipboard), Error);
  EXPECT_TRUE(chart.Canvas().UseOffscreenBuffer());
  host.PaintNow();
  EXPECT_EQ(host.FullDrawCount(), 2);
}

TEST(ChartCaptureTest, BitmapsThatCannotBeMadeRaiseOutOfSystemResources) {
  Chart chart;
  for (const IntRect& rect : {IntRect{0, 0, 0, 0}, IntRect{0, 0, 10, -4}, IntRect{0, 0, 100000, 100000}}) {
    EXPECT_EQ(ErrorText([&] { chart.RenderToBitmap(rect); }), "Out of system resources");
  }
  RecordingClipboard clipboard;
  EXPECT_THROW(chart.CaptureToClipboard(clipboard), Error);  // no window
  EXPECT_TRUE(clipboard.images.empty());
}

}  // namespace
}  // namespace kep::chart

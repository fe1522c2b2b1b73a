#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "chart/axis_panel.h"
#include "raster/bitmap.h"

namespace kep::chart {
namespace {

using raster::IntRect;

// A chart laid out by hand: PlotRect set, ranges fixed, pixels placed.
class AxisDrawingTest : public ::testing::Test {
 protected:
  AxisDrawingTest() : bitmap_(400, 450) {
    chart_.SetColor(raster::clWhite);
    chart_.SetLabelNumberFormat(NumberFormat(",", "."));
    chart_.Canvas().SetTarget(&bitmap_);
    series_ = &chart_.AddSeries(std::make_unique<ChartSeries>());
    series_->AddPoint(1, 1, "", raster::clSeriesColor);
  }

  void Place(const IntRect& plot, ChartAxis& axis, double minimum, double maximum) {
    chart_.SetPlotRect(plot);
    axis.SetRange(minimum, maximum);
    axis.ComputeRange();
    axis.PlacePixels();
  }

  // The bounding box of the pixels that are not white, or an empty rectangle.
  IntRect Ink() const {
    IntRect box{bitmap_.Width(), bitmap_.Height(), 0, 0};
    for (int y = 0; y < bitmap_.Height(); ++y) {
      for (int x = 0; x < bitmap_.Width(); ++x) {
        if (bitmap_.Pixel(x, y) == 0xFFFFFF) continue;
        box = {std::min(box.Left, x), std::min(box.Top, y), std::max(box.Right, x + 1),
               std::max(box.Bottom, y + 1)};
      }
    }
    return box;
  }

  CustomAxisPanel chart_;
  raster::Bitmap bitmap_;
  ChartSeries* series_ = nullptr;
};

TEST_F(AxisDrawingTest, ValuesMapToPixelsBothWays) {
  ChartAxis& bottom = chart_.BottomAxis();
  Place({50, 20, 650, 420}, bottom, 1, 101);
  EXPECT_EQ(bottom.PixelLength(), 600);
  EXPECT_EQ(bottom.XValueToPixel(1), 50);
  EXPECT_EQ(bottom.XValueToPixel(101), 650);
  EXPECT_EQ(bottom.XValueToPixel(51), 350);
  EXPECT_EQ(bottom.XValueToPixel(1.5), 53);
  EXPECT_EQ(bottom.PixelToValue(350), 51);
  EXPECT_EQ(bottom.PixelToValue(50), 1);
  EXPECT_EQ(bottom.XValueToPixel(1.25), 52);                     // t = 1.5 rounds to 2
  EXPECT_EQ(bottom.XValueToPixel(1.75), 54);                     // t = 4.5 rounds to 4
  EXPECT_EQ(bottom.XValueToPixel(1e300), bottom.CenterPixel());  // beyond 32 bits
  bottom.SetInverted(true);
  EXPECT_EQ(bottom.XValueToPixel(1), 650);
  EXPECT_EQ(bottom.PixelToValue(650), 1);

  ChartAxis& left = chart_.LeftAxis();
  Place({50, 20, 650, 420}, left, 0, 41);
  EXPECT_EQ(left.YValueToPixel(0), 420);
  EXPECT_EQ(left.YValueToPixel(41), 20);
  EXPECT_EQ(left.YValueToPixel(20.5), 220);
  EXPECT_EQ(left.ValueToPixel(20.5), 220);
  EXPECT_EQ(left.PixelToValue(220), 20.5);
  EXPECT_EQ(left.PixelToValue(20), 41);

  // A zero range maps everything to the centre; no run gives value 0.
  left.SetRange(5, 5);
  chart_.SetLoading(true);
  left.SetMaximum(5);
  left.ComputeRange();
  EXPECT_EQ(left.WorkRange(), 0);
  EXPECT_EQ(left.YValueToPixel(-100), 220);
  Place({50, 20, 650, 20}, left, 0, 41);
  EXPECT_EQ(left.PixelToValue(20), 0);
}

TEST_F(AxisDrawingTest, MarginsWidenTheWorkRange) {
  ChartAxis& bottom = chart_.BottomAxis();
  Place({50, 20, 650, 420}, bottom, 0, 600);
  bottom.ExpandForMargins(0, 0);
  EXPECT_EQ(bottom.WorkMinimum(), 0);
  EXPECT_EQ(bottom.WorkMaximum(), 600);
  bottom.ExpandForMargins(10, 20);
  EXPECT_EQ(bottom.StartPixel(), 50);
  EXPECT_EQ(bottom.EndPixel(), 650);
  EXPECT_EQ(bottom.XValueToPixel(0), 60);
  EXPECT_EQ(bottom.XValueToPixel(600), 630);
  EXPECT_EQ(bottom.Minimum(), 0);

  ChartAxis& left = chart_.LeftAxis();
  Place({50, 20, 650, 420}, left, 0, 400);
  left.ExpandForMargins(10, 20);  // top and bottom
  EXPECT_EQ(left.YValueToPixel(400), 30);
  EXPECT_EQ(left.YValueToPixel(0), 400);
}

TEST_F(AxisDrawingTest, MinorTickPositions) {
  using V = std::vector<int>;
  EXPECT_EQ(ChartAxis::MinorTickPositions({100, 200}, 3), (V{75, 225, 50, 250, 25, 275, 175, 150, 125}));
  // A bottom axis records from the right: the spacing is negative.
  EXPECT_EQ(ChartAxis::MinorTickPositions({300, 200, 100}, 1), (V{350, 50, 250, 150}));
  // 2.5 rounds to 2, 3.75 to 4.
  EXPECT_EQ(ChartAxis::MinorTickPositions({100, 105}, 3), (V{99, 106, 98, 107, 96, 109, 104, 103, 101}));
  EXPECT_EQ(ChartAxis::MinorTickPositions({100}, 3), V{});
  EXPECT_EQ(ChartAxis::MinorTickPositions({100, 200}, 0), V{});
}

TEST_F(AxisDrawingTest, BandSizesWithTheProgramsFonts) {
  raster::ChartCanvas& canvas = chart_.Canvas();
  canvas.SetFont(chart_.LeftAxis().LabelsFont());
  const int line = canvas.TextLineHeight();
  const int width_40 = canvas.TextWidth("40");
  const int space = canvas.TextWidth(" ");
  ASSERT_GT(line, 0);

  ChartAxis& left = chart_.LeftAxis();
  ChartAxis& bottom = chart_.BottomAxis();
  left.Title().SetCaption("Number Size");
  bottom.Title().SetCaption("Sequence Length");
  Place({50, 20, 650, 420}, left, 0, 41);
  bottom.PlacePixels();
  bottom.ComputeRange();
  EXPECT_EQ(left.AxisLabelStep(), 2);
  EXPECT_EQ(left.LabelsBandSize(), width_40 + space);  // the end labels are 40 and 0
  EXPECT_EQ(left.TitleBandSize(), line);
  EXPECT_EQ(bottom.LabelsBandSize(), line);

  IntRect rect{0, 0, 700, 500};
  bottom.ReserveAxisSpace(rect);
  EXPECT_EQ(rect.Bottom, 500 - line - line - 6);
  EXPECT_EQ(bottom.TitleEdgePos(), 500 - line);
  EXPECT_EQ(bottom.LabelsEdgePos(), rect.Bottom + 6);
  left.ReserveAxisSpace(rect);
  EXPECT_EQ(rect.Left, line + width_40 + space + 6);
  EXPECT_EQ(left.TitleEdgePos(), line);
  EXPECT_EQ(left.LabelsEdgePos(), rect.Left - 6);

  left.SetLabelsSize(30);
  left.SetTitleSize(12);
  IntRect fixed{0, 0, 700, 500};
  left.ReserveAxisSpace(fixed);
  EXPECT_EQ(fixed.Left, 12 + 30 + 6);
  left.SetLabels(false);
  left.SetAxis(raster::ChartHiddenPen());
  EXPECT_EQ(left.TickBandSize(), 4);
}

TEST_F(AxisDrawingTest, LeftAxisLabelsTicksAndGrid) {
  ChartAxis& left = chart_.LeftAxis();
  const IntRect plot{60, 20, 380, 420};  // 400 pixels: a step of 2
  Place(plot, left, 0, 41);
  IntRect rect = plot;
  left.ReserveAxisSpace(rect);  // sets LabelsEdgePos beside PlotRect's left edge
  left.DrawAxis();
  const std::vector<int>& ticks = left.TickPositions();
  ASSERT_EQ(ticks.size(), 21u);
  for (int i = 0; i <= 20; ++i) EXPECT_EQ(ticks[static_cast<std::size_t>(i)], left.YValueToPixel(40 - 2 * i));
  EXPECT_EQ(left.AxisLinePos(), 60);

  const int p = ticks[5];                      // the label "30"
  EXPECT_EQ(bitmap_.Pixel(56, p), 0x808080u);  // tick from x = 59 to 56
  EXPECT_EQ(bitmap_.Pixel(55, p), 0xFFFFFFu);
  // The dotted grid paints some pixels grey and leaves the gaps untouched.
  int grey = 0;
  int white = 0;
  for (int x = 70; x < 370; ++x) (bitmap_.Pixel(x, p) == 0x808080u ? grey : white)++;
  EXPECT_GT(grey, 100);
  EXPECT_GT(white, 100);
  // The label stands right-aligned before LabelsEdgePos, centred on its tick.
  bool ink_left = false;
  for (int y = p - 5; y <= p + 5; ++y) {
    for (int x = left.LabelsEdgePos(); x < 56; ++x) EXPECT_EQ(bitmap_.Pixel(x, y), 0xFFFFFFu);
    for (int x = left.LabelsEdgePos() - 12; x < left.LabelsEdgePos(); ++x)
      ink_left |= bitmap_.Pixel(x, y) != 0xFFFFFF;
  }
  EXPECT_TRUE(ink_left);
  // Minor ticks between the labels 30 and 28: 2 pixels long.
  const int minor = ticks[5] + (ticks[6] - ticks[5]) / 2;
  EXPECT_EQ(bitmap_.Pixel(58, minor), 0x808080u);
  EXPECT_EQ(bitmap_.Pixel(57, minor), 0xFFFFFFu);
}

// One point, anywhere: one label and one tick at the centre pixel.
TEST_F(AxisDrawingTest, ZeroRangeDrawsOneLabelAtTheCentre) {
  ChartAxis& bottom = chart_.BottomAxis();
  chart_.SetPlotRect({20, 20, 380, 200});
  for (double x : {5.0, 40000.0, 1e15}) {
    series_->ClearPoints();
    series_->AddPoint(x, 1, "", raster::clSeriesColor);
    bottom.ComputeRange();
    bottom.PlacePixels();
    bottom.DrawAxis();
    EXPECT_EQ(bottom.TickPositions(), std::vector<int>{200}) << x;
  }
}

// Explicit tiny increments without separation still give labels that fit,
// and never more ticks than the list holds.
TEST_F(AxisDrawingTest, LabelsAlwaysFit) {
  ChartAxis& bottom = chart_.BottomAxis();
  bottom.SetLabelsSeparation(0);
  bottom.SetIncrement(1e-9);
  Place({20, 20, 380, 200}, bottom, 0, 1000);
  bottom.DrawAxis();
  chart_.Canvas().SetFont(bottom.LabelsFont());
  const int widest = chart_.Canvas().TextWidth("1,000");
  const std::size_t fit = static_cast<std::size_t>(360 / widest) + 1;
  EXPECT_LE(bottom.TickPositions().size(), fit);
  EXPECT_GE(bottom.TickPositions().size(), 2u);
  EXPECT_LE(bottom.TickPositions().size(), ChartAxis::kMaxTickPositions);
}

// Where each angle puts a one-line text relative to its anchor.
TEST_F(AxisDrawingTest, LabelTextPlacementByAngle) {
  raster::ChartCanvas& canvas = chart_.Canvas();
  canvas.SetFont(chart_.LeftAxis().LabelsFont());
  const int line = canvas.TextLineHeight();
  const int width = canvas.TextWidth("Number Size");
  auto draw = [&](ChartAxis& axis, int angle) {
    bitmap_.Fill(raster::clWhite);
    canvas.SetFont(axis.LabelsFont());
    axis.DrawLabelText(200, 150, "Number Size", angle);
    EXPECT_EQ(canvas.TextHorizontalAlign(), raster::HorizontalAlign::kLeft);
    return Ink();
  };
  const IntRect left0 = draw(chart_.LeftAxis(), 0);  // right edge on x, centred on y
  EXPECT_LE(left0.Right, 200);
  EXPECT_GE(left0.Left, 200 - width - 1);
  EXPECT_GE(left0.Top, 150 - line / 2 - 1);
  EXPECT_LE(left0.Bottom, 150 + line);
  const IntRect bottom0 = draw(chart_.BottomAxis(), 0);  // centred on x, top on y
  EXPECT_NEAR((bottom0.Left + bottom0.Right) / 2, 200, 2);
  EXPECT_GE(bottom0.Top, 150);
  const IntRect left90 = draw(chart_.LeftAxis(), 90);  // reads upwards, ends left of x
  EXPECT_LE(left90.Right, 201);
  EXPECT_GE(left90.Left, 200 - line - 1);
  EXPECT_NEAR((left90.Top + left90.Bottom) / 2, 150, 2);
  EXPECT_GT(left90.Height(), left90.Width());
  const IntRect right270 = draw(chart_.RightAxis(), 270);  // reads downwards, right of x
  EXPECT_GE(right270.Left, 199);
  EXPECT_LE(right270.Right, 200 + line + 1);
  EXPECT_NEAR((right270.Top + right270.Bottom) / 2, 150, 2);
  const IntRect bottom90 = draw(chart_.BottomAxis(), 90);  // hangs below y, centred on x
  EXPECT_GE(bottom90.Top, 149);
  EXPECT_NEAR((bottom90.Left + bottom90.Right) / 2, 200, 2);
  const IntRect top0 = draw(chart_.TopAxis(), 0);  // stands on y
  EXPECT_LE(top0.Bottom, 151);
  const IntRect left180 = draw(chart_.LeftAxis(), 180);  // upside down, starting at x
  EXPECT_LE(left180.Right, 201);
  EXPECT_GT(left180.Width(), left180.Height());
  EXPECT_TRUE(draw(chart_.LeftAxis(), 45).Right > 200);  // other angles anchor left-top
  bitmap_.Fill(raster::clWhite);
  chart_.LeftAxis().DrawLabelText(200, 150, "", 0);
  EXPECT_TRUE(Ink().IsEmpty());
  // Two lines on the left axis are centred on y together.
  chart_.LeftAxis().DrawLabelText(200, 150, "Number\rSize", 0);
  const IntRect two = Ink();
  EXPECT_NEAR((two.Top + two.Bottom) / 2, 150, 3);
  EXPECT_GT(two.Height(), line);
}

}  // namespace
}  // namespace kep::chart

namespace kep::chart {
namespace {

// An axis pushed out by an enormous PositionPercent, at every label and title
// angle, lays out and draws without overflowing its pixel arithmetic (the
// sanitizer build turns an overflow into a failure), and its line and labels
// stay off the surface.
TEST_F(AxisDrawingTest, AxesPlacedFarOutsideStayOffTheSurface) {
  for (const double percent : {1e12, -1e12, 2e9, -2e9}) {
    for (const int angle : {0, 90, 180, 270, 45}) {
      for (ChartAxis* axis :
           {&chart_.LeftAxis(), &chart_.BottomAxis(), &chart_.RightAxis(), &chart_.TopAxis()}) {
        bitmap_.Fill(raster::clWhite);
        axis->SetPositionPercent(percent);
        axis->SetLabelsAngle(angle);
        axis->Title().SetAngle(angle);
        axis->Title().SetCaption("Title");
        Place({40, 20, 360, 420}, *axis, 0, 41);
        IntRect room{0, 0, 400, 450};
        axis->ReserveAxisSpace(room);
        axis->DrawAxis();
        EXPECT_TRUE(axis->AxisLinePos() < -1000 || axis->AxisLinePos() > 1000) << percent << " " << angle;
        axis->SetPositionPercent(0);
      }
    }
  }
}

}  // namespace
}  // namespace kep::chart

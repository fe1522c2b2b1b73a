#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "chart/chart.h"
#include "chart/headless_host.h"
#include "panel_test_support.h"
#include "viewer/program_chart.h"

namespace kep::chart {
namespace {

using raster::Bitmap;
using testing::AddPlainSeries;

constexpr ShiftState kNoKeys{};

// The viewer's chart with a plain series of 1000 points (its own line series
// stays empty), painted once into a window of the viewer's size. The zoom is
// not animated, so that each zoom is one paint; the animation has its own
// tests, which turn it on.
class ZoomTest : public ::testing::Test {
 protected:
  ZoomTest() {
    chart.SetAnimatedZoom(false);
    AddPlainSeries(chart, 1000);
    host.ProcessPaint();
  }

  // A point inside the plot, (dx, dy) from its top-left corner.
  int PlotX(int dx) const { return chart.PlotRect().Left + dx; }
  int PlotY(int dy) const { return chart.PlotRect().Top + dy; }

  void Drag(MouseButton button, int x0, int y0, int x1, int y1) {
    chart.MouseDown(button, kNoKeys, x0, y0);
    chart.MouseMove(kNoKeys, (x0 + x1) / 2, (y0 + y1) / 2);
    chart.MouseMove(kNoKeys, x1, y1);
    chart.MouseUp(button, kNoKeys, x1, y1);
    host.ProcessPaint();
  }

  viewer::ProgramChart program;
  Chart& chart = program.Chart();
  HeadlessHost host{chart, viewer::kChartWidth, viewer::kChartHeight};
};

TEST_F(ZoomTest, DragOfSeventeenPixelsZoomsToTheRectangle) {
  const double x0 = chart.BottomAxis().PixelToValue(PlotX(100));
  const double x1 = chart.BottomAxis().PixelToValue(PlotX(117));
  const double y_low = chart.LeftAxis().PixelToValue(PlotY(117));
  const double y_high = chart.LeftAxis().PixelToValue(PlotY(100));
  int zooms = 0;
  chart.OnZoom = [&](Chart&) { ++zooms; };
  Drag(MouseButton::mbLeft, PlotX(100), PlotY(100), PlotX(117), PlotY(117));
  EXPECT_TRUE(chart.HasZoom());
  EXPECT_EQ(zooms, 1);
  EXPECT_FALSE(chart.Zoom().engaged);
  EXPECT_DOUBLE_EQ(chart.BottomAxis().Minimum(), x0);
  EXPECT_DOUBLE_EQ(chart.BottomAxis().Maximum(), x1);
  EXPECT_DOUBLE_EQ(chart.LeftAxis().Minimum(), y_low);
  EXPECT_DOUBLE_EQ(chart.LeftAxis().Maximum(), y_high);
  EXPECT_FALSE(chart.BottomAxis().Automatic());
  // Axes that are not shown are zoomed too.
  EXPECT_FALSE(chart.TopAxis().Automatic());
  EXPECT_FALSE(chart.RightAxis().Automatic());
}

TEST_F(ZoomTest, DragOfSixteenPixelsOnlyRemovesTheRubberBand) {
  const Bitmap before = host.Pixels();
  chart.MouseDown(MouseButton::mbLeft, kNoKeys, PlotX(100), PlotY(100));
  EXPECT_TRUE(chart.Zoom().engaged);
  chart.MouseMove(kNoKeys, PlotX(150), PlotY(180));
  EXPECT_NE(host.Pixels(), before);  // the band shows
  EXPECT_GT(host.WindowDrawings(), 0);
  chart.MouseUp(MouseButton::mbLeft, kNoKeys, PlotX(116), PlotY(200));
  EXPECT_FALSE(chart.HasZoom());
  EXPECT_TRUE(chart.BottomAxis().Automatic());
  EXPECT_EQ(host.Pixels(), before);  // not-xor twice restores every pixel
  EXPECT_FALSE(host.PaintPending());
  // The next paint shows the chart without a band.
  host.PaintNow();
  EXPECT_EQ(host.Pixels(), before);
}

TEST_F(ZoomTest, RepaintDuringTheDragKeepsTheBandConsistent) {
  const Bitmap before = host.Pixels();
  chart.MouseDown(MouseButton::mbLeft, kNoKeys, PlotX(10), PlotY(10));
  chart.MouseMove(kNoKeys, PlotX(60), PlotY(50));
  const Bitmap with_band = host.Pixels();
  host.PaintNow();  // the window is exposed during the drag
  EXPECT_EQ(host.Pixels(), with_band);
  chart.MouseMove(kNoKeys, PlotX(80), PlotY(70));
  chart.MouseUp(MouseButton::mbLeft, kNoKeys, PlotX(20), PlotY(20));
  EXPECT_EQ(host.Pixels(), before);
  host.PaintNow();
  EXPECT_EQ(host.Pixels(), before);
}

TEST_F(ZoomTest, ReverseDragsUndoTheZoom) {
  int undos = 0;
  chart.OnUndoZoom = [&](Chart&) { ++undos; };
  // Without any zoom a reverse drag only notifies and repaints.
  Drag(MouseButton::mbLeft, PlotX(200), PlotY(200), PlotX(100), PlotY(100));
  EXPECT_EQ(undos, 1);
  EXPECT_TRUE(chart.BottomAxis().Automatic());

  for (const auto& [ex, ey] : {std::pair{100, 300}, std::pair{300, 100}, std::pair{100, 100}}) {
    Drag(MouseButton::mbLeft, PlotX(150), PlotY(150), PlotX(250), PlotY(250));
    ASSERT_TRUE(chart.HasZoom());
    Drag(MouseButton::mbLeft, PlotX(200), PlotY(200), PlotX(ex), PlotY(ey));
    EXPECT_FALSE(chart.HasZoom()) << ex << "," << ey;
    EXPECT_TRUE(chart.BottomAxis().Automatic());
    EXPECT_TRUE(chart.LeftAxis().Automatic());
  }
  EXPECT_EQ(undos, 4);
}

TEST_F(ZoomTest, UndoAfterTwoZoomsRestoresTheFirstScalingWithItsAutomaticFlags) {
  // The left axis as the viewer leaves it: fixed top, automatic bottom.
  chart.LeftAxis().SetAutomaticMaximum(false);
  chart.LeftAxis().SetMaximum(60);
  host.ProcessPaint();
  Drag(MouseButton::mbLeft, PlotX(100), PlotY(100), PlotX(400), PlotY(300));
  const double first_zoom_max = chart.BottomAxis().Maximum();
  Drag(MouseButton::mbLeft, PlotX(50), PlotY(50), PlotX(200), PlotY(200));
  EXPECT_LT(chart.BottomAxis().Maximum(), first_zoom_max);
  chart.UndoZoom();
  host.ProcessPaint();
  EXPECT_FALSE(chart.HasZoom());
  EXPECT_TRUE(chart.BottomAxis().Automatic());
  EXPECT_DOUBLE_EQ(chart.BottomAxis().Maximum(), 999);
  EXPECT_FALSE(chart.LeftAxis().Automatic());
  EXPECT_TRUE(chart.LeftAxis().AutomaticMinimum());
  EXPECT_FALSE(chart.LeftAxis().AutomaticMaximum());
  EXPECT_DOUBLE_EQ(chart.LeftAxis().Maximum(), 60);
  EXPECT_DOUBLE_EQ(chart.LeftAxis().Minimum(), 0);
  // A second undo has no snapshot left and changes nothing.
  chart.UndoZoom();
  EXPECT_DOUBLE_EQ(chart.LeftAxis().Maximum(), 60);
}

TEST_F(ZoomTest, AnimatedZoomPaintsFifteenFramesBeforeLandingOnTheTarget) {
  chart.SetAnimatedZoom(true);
  chart.SetAnimatedZoomSteps(16);
  std::vector<double> minima;
  chart.OnAfterDraw = [&](Chart& c) { minima.push_back(c.BottomAxis().Minimum()); };
  const int draws = host.FullDrawCount();
  chart.ZoomToValues({.bottom = {100, 200}, .top = {0, 1}, .left = {10, 20}, .right = {0, 1}});
  EXPECT_EQ(host.FullDrawCount() - draws, 15);
  ASSERT_EQ(minima.size(), 15u);
  // Each frame closes a third of the remaining way, never overshooting.
  EXPECT_NEAR(minima[0], 100.0 / 3, 1e-9);
  for (std::size_t i = 1; i < minima.size(); ++i) EXPECT_GT(minima[i], minima[i - 1]);
  EXPECT_LT(minima.back(), 100);
  EXPECT_EQ(chart.BottomAxis().Minimum(), 100);
  EXPECT_EQ(chart.BottomAxis().Maximum(), 200);
  EXPECT_EQ(chart.LeftAxis().Minimum(), 10);
  EXPECT_EQ(chart.LeftAxis().Maximum(), 20);

  chart.SetAnimatedZoomSteps(1);
  chart.ZoomToValues({.bottom = {0, 10}, .top = {0, 1}, .left = {0, 10}, .right = {0, 1}});
  EXPECT_EQ(host.FullDrawCount() - draws, 15);
  EXPECT_EQ(chart.BottomAxis().Maximum(), 10);
}

TEST_F(ZoomTest, PanningFollowsThePointerInEveryDirection) {
  for (const auto& [dx, dy] : {std::pair{30, 20}, std::pair{-40, -25}, std::pair{15, -35}}) {
    const int x0 = PlotX(300);
    const int y0 = PlotY(200);
    const double value_x = chart.BottomAxis().PixelToValue(x0);
    const double value_y = chart.LeftAxis().PixelToValue(y0);
    Drag(MouseButton::mbRight, x0, y0, x0 + dx, y0 + dy);
    EXPECT_FALSE(chart.Panning().engaged);
    // The data that was under the press is under the release now.
    EXPECT_NEAR(chart.BottomAxis().PixelToValue(x0 + dx), value_x, 1e-9) << dx;
    EXPECT_NEAR(chart.LeftAxis().PixelToValue(y0 + dy), value_y, 1e-9) << dy;
  }
  EXPECT_FALSE(chart.HasZoom());
  chart.UndoZoom();  // panning took the snapshot
  EXPECT_TRUE(chart.BottomAxis().Automatic());
}

TEST_F(ZoomTest, PanningAndArrowKeysLeaveTheDepthAxisAlone) {
  const AxisScale depth = chart.DepthAxis().Scale();
  Drag(MouseButton::mbRight, PlotX(300), PlotY(200), PlotX(340), PlotY(150));
  ASSERT_FALSE(chart.LeftAxis().Automatic());  // the pan did move the vertical axes
  EXPECT_TRUE(chart.KeyDown(ArrowKey::kUp));
  EXPECT_TRUE(chart.KeyDown(ArrowKey::kRight));
  EXPECT_EQ(chart.DepthAxis().Scale(), depth);
}

TEST_F(ZoomTest, AxisIdsNameTheAxesOfTheList) {
  // The ids follow the axis list, and each names the axis of its side.
  const auto axes = chart.Axes();
  ASSERT_EQ(axes.size(), 5u);
  for (std::size_t i = 0; i < axes.size(); ++i) EXPECT_EQ(&chart.Axis(static_cast<AxisId>(i)), axes[i].get());
  EXPECT_TRUE(chart.BottomAxis().IsHorizontal() && !chart.BottomAxis().IsOtherSide());
  EXPECT_TRUE(chart.TopAxis().IsHorizontal() && chart.TopAxis().IsOtherSide());
  EXPECT_TRUE(!chart.LeftAxis().IsHorizontal() && !chart.LeftAxis().IsOtherSide());
  EXPECT_TRUE(!chart.RightAxis().IsHorizontal() && chart.RightAxis().IsOtherSide());
  EXPECT_TRUE(chart.DepthAxis().IsDepth());

  // Each range reaches the axis it is named for, and the snapshot puts each
  // scale back on its own axis.
  chart.ZoomToValues({.bottom = {1, 2}, .top = {3, 4}, .left = {5, 6}, .right = {7, 8}});
  const AxisScales zoomed = chart.MainScales();
  double low = 1;
  for (const AxisId id : kMainAxes) {
    EXPECT_EQ(chart.Axis(id).Minimum(), low);
    EXPECT_EQ(zoomed[id].maximum, low + 1);
    low += 2;
  }
  chart.UndoZoom();
  EXPECT_TRUE(chart.MainScales().left.automatic);
  chart.SetMainScales(zoomed);
  EXPECT_EQ(chart.MainScales(), zoomed);
  EXPECT_EQ(chart.RightAxis().Minimum(), 7);
}

TEST_F(ZoomTest, PanningStopsAtThePlotEdgeAndContinuesWithANewPress) {
  int scrolls = 0;
  chart.OnScroll = [&](Chart&) { ++scrolls; };
  const int y = PlotY(100);
  chart.MouseDown(MouseButton::mbRight, kNoKeys, PlotX(50), y);
  chart.MouseMove(kNoKeys, PlotX(20), y);
  EXPECT_EQ(scrolls, 1);
  const double minimum = chart.BottomAxis().Minimum();
  chart.MouseMove(kNoKeys, chart.PlotRect().Left - 1, y);  // leaves the plot
  EXPECT_FALSE(chart.Panning().engaged);
  chart.MouseMove(kNoKeys, PlotX(5), y);
  EXPECT_EQ(chart.BottomAxis().Minimum(), minimum);
  chart.MouseUp(MouseButton::mbRight, kNoKeys, PlotX(5), y);
  // The right edge counts as outside too.
  chart.MouseDown(MouseButton::mbRight, kNoKeys, PlotX(50), y);
  chart.MouseMove(kNoKeys, chart.PlotRect().Right, y);
  EXPECT_FALSE(chart.Panning().engaged);
  EXPECT_EQ(scrolls, 1);
}

TEST_F(ZoomTest, AllowScrollCanRefuseOneAxis) {
  chart.OnAllowScroll = [&](ChartAxis& axis, double&, double&, bool& allow) {
    allow = &axis != &chart.LeftAxis();
  };
  const double left_max = chart.LeftAxis().Maximum();
  Drag(MouseButton::mbRight, PlotX(100), PlotY(100), PlotX(130), PlotY(140));
  EXPECT_EQ(chart.LeftAxis().Maximum(), left_max);
  EXPECT_TRUE(chart.LeftAxis().Automatic());
  EXPECT_FALSE(chart.BottomAxis().Automatic());
}

TEST_F(ZoomTest, PressesOnTheTitleOrInTheMarginsStartNothing) {
  const auto box = chart.Title().TitleBox();
  const int title_x = (box.Left + box.Right) / 2;
  const int title_y = (box.Top + box.Bottom) / 2;
  EXPECT_EQ(chart.ChartHitTest(title_x, title_y).part, ChartPart::cpTitle);
  EXPECT_EQ(chart.ChartHitTest(2, 2).part, ChartPart::cpNone);
  for (auto [x, y] : {std::pair{title_x, title_y}, std::pair{2, 2}, std::pair{750, 300}}) {
    for (MouseButton button : {MouseButton::mbLeft, MouseButton::mbRight}) {
      chart.MouseDown(button, kNoKeys, x, y);
      EXPECT_FALSE(chart.Zoom().engaged);
      EXPECT_FALSE(chart.Panning().engaged);
      chart.MouseUp(button, kNoKeys, x, y);
    }
  }
  // Presses on an axis do start a drag.
  const ChartAxis& bottom = chart.BottomAxis();
  const int axis_y = bottom.AxisLinePos() + 1;
  EXPECT_EQ(chart.ChartHitTest(PlotX(50), axis_y).part, ChartPart::cpAxis);
  chart.MouseDown(MouseButton::mbLeft, kNoKeys, PlotX(50), axis_y);
  EXPECT_TRUE(chart.Zoom().engaged);
  chart.MouseUp(MouseButton::mbLeft, kNoKeys, PlotX(50), axis_y);
}

TEST_F(ZoomTest, DragsStartWhateverModifierKeysAreHeld) {
  const ShiftState held_keys[] = {{.shift = true}, {.ctrl = true}, {.alt = true}, {true, true, true}};
  for (const ShiftState keys : held_keys) {
    chart.MouseDown(MouseButton::mbLeft, keys, PlotX(50), PlotY(50));
    EXPECT_TRUE(chart.Zoom().engaged);
    chart.MouseUp(MouseButton::mbLeft, keys, PlotX(50), PlotY(50));
    chart.MouseDown(MouseButton::mbRight, keys, PlotX(50), PlotY(50));
    EXPECT_TRUE(chart.Panning().engaged);
    chart.MouseUp(MouseButton::mbRight, keys, PlotX(50), PlotY(50));
  }
}

TEST_F(ZoomTest, AHandlerOrAHeldDragKeepANewDragFromStarting) {
  int clicks = 0;
  chart.OnClickBackground = [&](Chart&, MouseButton, ShiftState, int, int) { ++clicks; };
  chart.MouseDown(MouseButton::mbLeft, kNoKeys, PlotX(50), PlotY(50));
  EXPECT_EQ(clicks, 1);
  EXPECT_FALSE(chart.Zoom().engaged);  // the handler kept MouseHandled

  chart.OnClickBackground = [&](Chart& c, MouseButton, ShiftState, int, int) {
    ++clicks;
    c.SetMouseHandled(false);
  };
  chart.MouseDown(MouseButton::mbLeft, kNoKeys, PlotX(50), PlotY(50));
  EXPECT_EQ(clicks, 2);
  EXPECT_TRUE(chart.Zoom().engaged);
  chart.MouseDown(MouseButton::mbRight, kNoKeys, PlotX(80), PlotY(80));
  EXPECT_FALSE(chart.Panning().engaged);  // ignored while zooming
  chart.MouseUp(MouseButton::mbLeft, kNoKeys, PlotX(50), PlotY(50));
}

TEST_F(ZoomTest, APressNothingTookIsToldToTheBackgroundHandler) {
  int clicks = 0;
  chart.OnClickBackground = [&](Chart& c, MouseButton, ShiftState, int, int) {
    ++clicks;
    c.SetMouseHandled(false);
  };
  // On the plot area: once before the drag is tried, once more when no drag
  // took the press (a middle press, or a left press with zooming off).
  chart.MouseDown(MouseButton::mbMiddle, kNoKeys, PlotX(50), PlotY(50));
  EXPECT_EQ(clicks, 2);
  chart.SetAllowZoom(false);
  chart.MouseDown(MouseButton::mbLeft, kNoKeys, PlotX(50), PlotY(50));
  EXPECT_EQ(clicks, 4);
  // In the margins: once.
  chart.MouseDown(MouseButton::mbLeft, kNoKeys, 2, 2);
  EXPECT_EQ(clicks, 5);
  // A press that starts a drag is told once, before the drag.
  chart.SetAllowZoom(true);
  chart.MouseDown(MouseButton::mbLeft, kNoKeys, PlotX(50), PlotY(50));
  EXPECT_EQ(clicks, 6);
  EXPECT_TRUE(chart.Zoom().engaged);
}

TEST_F(ZoomTest, WheelShiftsTheVerticalAxesByThreePercentPerNotch) {
  const double minimum = chart.LeftAxis().Minimum();
  const double maximum = chart.LeftAxis().Maximum();
  const double range = maximum - minimum;
  const double bottom_max = chart.BottomAxis().Maximum();
  const int draws = host.FullDrawCount();
  chart.MouseWheel(1);  // away from the user
  EXPECT_DOUBLE_EQ(chart.LeftAxis().Minimum(), minimum - 0.03 * range);
  EXPECT_DOUBLE_EQ(chart.LeftAxis().Maximum(), maximum - 0.03 * range);
  EXPECT_GT(host.FullDrawCount(), draws);  // repainted at once
  chart.MouseWheel(-2);                    // toward the user
  EXPECT_DOUBLE_EQ(chart.LeftAxis().Minimum(), minimum + 0.03 * range);
  EXPECT_EQ(chart.BottomAxis().Maximum(), bottom_max);
  EXPECT_TRUE(chart.BottomAxis().Automatic());
  EXPECT_FALSE(chart.HasZoom());
  chart.UndoZoom();  // the wheel took no snapshot
  EXPECT_FALSE(chart.LeftAxis().Automatic());
}

// (Maximum - Minimum) * 3 * 0.01 is formed in extended precision and rounded
// once; rounding the range or the product by 3 to double first ends 1 ulp off
// for these ranges.
TEST_F(ZoomTest, WheelShiftIsRoundedOnceFromExtendedPrecision) {
  const struct {
    double maximum;
    double shift;
  } cases[] = {{19, 0x1.23d70a3d70a3dp-1}, {55, 0x1.a666666666666p+0}, {119, 0x1.c8f5c28f5c28fp+1}};
  for (const auto& c : cases) {
    chart.LeftAxis().SetRange(0, c.maximum);
    chart.MouseWheel(-1);
    EXPECT_EQ(chart.LeftAxis().Minimum(), c.shift) << c.maximum;
    EXPECT_EQ(chart.LeftAxis().Maximum(), c.maximum + c.shift) << c.maximum;
  }
}

TEST_F(ZoomTest, ArrowKeysPanByOneLabelStep) {
  const double step = chart.BottomAxis().AxisLabelStep();
  ASSERT_GT(step, 0);
  const double minimum = chart.BottomAxis().Minimum();
  EXPECT_TRUE(chart.KeyDown(ArrowKey::kRight));
  EXPECT_DOUBLE_EQ(chart.BottomAxis().Minimum(), minimum + step);
  EXPECT_TRUE(chart.KeyDown(ArrowKey::kLeft));
  EXPECT_TRUE(chart.KeyDown(ArrowKey::kLeft));
  EXPECT_DOUBLE_EQ(chart.BottomAxis().Minimum(), minimum - step);
  const double left_max = chart.LeftAxis().Maximum();
  EXPECT_TRUE(chart.KeyDown(ArrowKey::kUp));
  EXPECT_GT(chart.LeftAxis().Maximum(), left_max);
  chart.UndoZoom();
  EXPECT_TRUE(chart.BottomAxis().Automatic());
  chart.SetAllowPanning(PanningMode::pmHorizontal);
  EXPECT_FALSE(chart.KeyDown(ArrowKey::kDown));
  EXPECT_TRUE(chart.LeftAxis().Automatic());
}

TEST_F(ZoomTest, BadValuesAndExtremeZoomsNeitherCrashNorHang) {
  const double maximum = chart.BottomAxis().Maximum();
  chart.ZoomToValues({.bottom = {std::nan(""), 5}, .top = {0, 1}, .left = {0, 1}, .right = {0, 1}});
  chart.ZoomToValues({.bottom = {0, std::numeric_limits<double>::infinity()},
                      .top = {0, 1},
                      .left = {0, 1},
                      .right = {0, 1}});
  EXPECT_FALSE(chart.HasZoom());
  EXPECT_EQ(chart.BottomAxis().Maximum(), maximum);

  chart.SetAnimatedZoom(true);
  chart.SetAnimatedZoomSteps(16);
  chart.ZoomToValues(
      {.bottom = {500, 500 + 1e-12}, .top = {0, 1}, .left = {1e300, 1.7e308}, .right = {0, 1}});
  host.ProcessPaint();
  chart.ZoomToValues({.bottom = {-1e308, 1e308}, .top = {0, 1}, .left = {-1e-300, 1e-300}, .right = {0, 1}});
  host.ProcessPaint();
  chart.MouseWheel(1000000);
  chart.LeftAxis().SetRange(std::nan(""), std::nan(""));
  host.PaintNow();
  Drag(MouseButton::mbLeft, std::numeric_limits<int>::min(), std::numeric_limits<int>::min(),
       std::numeric_limits<int>::max(), std::numeric_limits<int>::max());
  Drag(MouseButton::mbRight, PlotX(10), PlotY(10), PlotX(40), PlotY(40));
  chart.KeyDown(ArrowKey::kUp);
  host.ProcessPaint();
  chart.UndoZoom();
  host.ProcessPaint();
  EXPECT_TRUE(chart.BottomAxis().Automatic());
  EXPECT_EQ(chart.BottomAxis().Maximum(), maximum);
}

TEST_F(ZoomTest, LeavingThePanelStopsPanningButNotZooming) {
  chart.MouseDown(MouseButton::mbRight, kNoKeys, PlotX(50), PlotY(50));
  chart.MouseLeave();
  EXPECT_FALSE(chart.Panning().engaged);
  chart.MouseDown(MouseButton::mbLeft, kNoKeys, PlotX(50), PlotY(50));
  chart.MouseLeave();
  EXPECT_TRUE(chart.Zoom().engaged);
  chart.MouseUp(MouseButton::mbLeft, kNoKeys, PlotX(50), PlotY(50));
  EXPECT_EQ(host.Cursor(), CursorShape::kDefault);
}

}  // namespace
}  // namespace kep::chart

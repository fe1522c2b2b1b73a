#include "viewer/view_history.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "chart/headless_host.h"
#include "raster/bitmap.h"
#include "support/temp_dir.h"
#include "viewer/sequence_loader.h"
#include "viewer/viewer_commands.h"
#include "viewer_fakes.h"

namespace kep::viewer {
namespace {

using chart::ArrowKey;
using chart::MouseButton;
using std::chrono::milliseconds;

// A file of lines "n <digits> = x" whose terms grow by one digit every few lines.
std::string GrowingFile(int lines) {
  std::string text;
  for (int n = 1; n <= lines; ++n) text += std::to_string(n) + " " + std::string(n / 3 + 1, '7') + " = x\n";
  return text;
}

raster::Bitmap Picture(chart::Chart& chart) { return chart.RenderToBitmap(chart.ClientRect()); }

// The chart a newly started viewer shows after opening path.
raster::Bitmap FreshPicture(const std::string& path) {
  ProgramChart fresh;
  chart::HeadlessHost host(fresh.Chart(), kChartWidth, kChartHeight);
  host.PaintNow();
  LoadSequence(path, fresh, {});
  return Picture(fresh.Chart());
}

// The viewer's commands on a headless window; the gestures pass every event
// to the chart and then tell the history, as the chart widget does.
class ViewHistoryTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  ProgramChart program;
  chart::Chart& chart = program.Chart();
  chart::HeadlessHost window{chart, kChartWidth, kChartHeight};
  fakes::FakeUi ui;
  fakes::FakeClipboard clipboard;
  ViewerCommands commands{program, ui, clipboard, "/samples"};
  ViewHistory& views = commands.Views();
  std::string file = dir.Write("growth.kep", GrowingFile(300));

  void SetUp() override {
    window.PaintNow();
    Open(file);
  }

  // Loads path as the open command does, to its end.
  void Open(const std::string& path) {
    commands.OpenFile(path);
    commands.WaitForLoad();
  }

  void Drag(MouseButton button, int x0, int y0, int x1, int y1) {
    chart.MouseDown(button, {}, x0, y0);
    views.InputHandled();
    for (int step = 1; step <= 4; ++step) {
      chart.MouseMove({}, x0 + (x1 - x0) * step / 4, y0 + (y1 - y0) * step / 4);
      views.InputHandled();
      window.ProcessPaint();
    }
    chart.MouseUp(button, {}, x1, y1);
    views.InputHandled();
    window.ProcessPaint();
  }
  void Zoom() { Drag(MouseButton::mbLeft, 200, 150, 400, 350); }
  void Pan() { Drag(MouseButton::mbRight, 300, 300, 360, 330); }
  void Undo() { Drag(MouseButton::mbLeft, 400, 350, 200, 150); }
  void Wheel(int notches, milliseconds time) {
    chart.MouseWheel(notches);
    views.WheelHandled(time);
  }
  void Key(ArrowKey key) {
    chart.KeyDown(key);
    views.InputHandled();
    window.ProcessPaint();
  }
};

TEST_F(ViewHistoryTest, ResetViewAfterZoomPanWheelAndKeysShowsTheFreshChart) {
  const raster::Bitmap fresh = FreshPicture(file);
  ASSERT_EQ(Picture(chart), fresh);

  // The wheel alone takes no zoom snapshot, so undoing a zoom cannot bring it back.
  Wheel(3, milliseconds(0));
  ASSERT_NE(Picture(chart), fresh);
  views.ResetView();
  EXPECT_EQ(Picture(chart), fresh);

  Zoom();
  Wheel(-2, milliseconds(5000));
  Pan();
  Key(ArrowKey::kRight);
  Key(ArrowKey::kUp);
  ASSERT_TRUE(chart.HasZoom());
  views.ResetView();
  EXPECT_EQ(Picture(chart), fresh);
  EXPECT_FALSE(chart.HasZoom());

  // The zoom snapshot went too: undoing a new zoom comes back to the fresh chart.
  Pan();
  Zoom();
  Undo();
  EXPECT_EQ(Picture(chart), fresh);
}

TEST_F(ViewHistoryTest, EachFinishedGestureIsOneStep) {
  ASSERT_EQ(views.StepCount(), 1u);
  Zoom();
  EXPECT_EQ(views.StepCount(), 2u);
  Pan();  // four moves, one step
  EXPECT_EQ(views.StepCount(), 3u);
  Wheel(1, milliseconds(10'000));
  chart.MouseMove({}, 100, 100);  // moving the pointer neither ends nor makes a step
  views.InputHandled();
  Wheel(1, milliseconds(10'300));
  Wheel(-3, milliseconds(10'800));
  EXPECT_EQ(views.StepCount(), 4u);
  Wheel(1, milliseconds(12'000));  // after a pause: a new burst
  EXPECT_EQ(views.StepCount(), 5u);
  Key(ArrowKey::kLeft);
  Key(ArrowKey::kDown);
  EXPECT_EQ(views.StepCount(), 7u);
  Wheel(1, milliseconds(12'100));  // another step came between: a new burst
  EXPECT_EQ(views.StepCount(), 8u);
  Drag(MouseButton::mbLeft, 200, 150, 210, 300);  // too narrow to zoom
  EXPECT_EQ(views.StepCount(), 8u);
  Undo();
  EXPECT_EQ(views.StepCount(), 9u);
  views.ResetView();  // already showing the fresh view: nothing to add
  EXPECT_EQ(views.StepCount(), 9u);
}

TEST_F(ViewHistoryTest, BackAndForwardShowTheViewsInOrder) {
  std::vector<raster::Bitmap> pictures{Picture(chart)};
  Zoom();
  pictures.push_back(Picture(chart));
  Pan();
  pictures.push_back(Picture(chart));
  Wheel(2, milliseconds(0));
  pictures.push_back(Picture(chart));
  Key(ArrowKey::kRight);
  pictures.push_back(Picture(chart));

  EXPECT_FALSE(views.CanGoForward());
  for (std::size_t i = pictures.size() - 1; i-- > 0;) {
    ASSERT_TRUE(views.CanGoBack());
    views.Back();
    EXPECT_EQ(Picture(chart), pictures[i]) << "back to step " << i;
  }
  EXPECT_FALSE(views.CanGoBack());
  views.Back();
  EXPECT_EQ(Picture(chart), pictures[0]);
  for (std::size_t i = 1; i < pictures.size(); ++i) {
    views.Forward();
    EXPECT_EQ(Picture(chart), pictures[i]) << "forward to step " << i;
  }

  // A new gesture after going back drops the steps ahead.
  views.Back();
  views.Back();
  Key(ArrowKey::kLeft);
  EXPECT_FALSE(views.CanGoForward());
  EXPECT_EQ(views.StepCount(), 4u);
  views.Back();
  EXPECT_EQ(Picture(chart), pictures[2]);

  // A wheel notch soon after Back is a step of its own, not the rest of the
  // burst before: the step gone back to stays.
  Wheel(1, milliseconds(60'000));
  views.Back();
  const raster::Bitmap gone_back_to = Picture(chart);
  Wheel(1, milliseconds(60'010));
  views.Back();
  EXPECT_EQ(Picture(chart), gone_back_to);
}

TEST_F(ViewHistoryTest, KeepsTheLastHundredSteps) {
  std::vector<ChartView> seen;
  for (int i = 0; i < 150; ++i) {
    Key(i % 2 == 0 ? ArrowKey::kRight : ArrowKey::kUp);
    seen.push_back(CurrentView(chart));
  }
  EXPECT_EQ(views.StepCount(), ViewHistory::kStepsKept + 1);
  for (std::size_t i = 0; i < ViewHistory::kStepsKept; ++i) views.Back();
  EXPECT_FALSE(views.CanGoBack());
  EXPECT_TRUE(SameView(CurrentView(chart), seen[150 - 1 - ViewHistory::kStepsKept]));
}

TEST_F(ViewHistoryTest, OpeningAFileStartsAgain) {
  Zoom();
  Key(ArrowKey::kLeft);
  Open(dir.Write("other.kep", GrowingFile(50)));
  EXPECT_EQ(views.StepCount(), 1u);
  EXPECT_FALSE(views.CanGoBack());

  // A file that cannot be read leaves the chart and its views.
  Zoom();
  EXPECT_THROW(Open(dir.File("missing.kep")), Error);
  EXPECT_EQ(views.StepCount(), 2u);
  // One that fails after the chart was cleared does not.
  EXPECT_THROW(Open(dir.Write("one.kep", "1 22 = x\n")), Error);
  EXPECT_EQ(views.StepCount(), 1u);
}

TEST_F(ViewHistoryTest, TheFreshViewFollowsTheGrowingPoints) {
  const auto append = [&](int from, int to, int digits) {
    for (int x = from; x <= to; ++x) program.Series().AddPoint(x, digits, "", raster::clSeriesColor);
    views.PointsChanged();
  };
  append(301, 310, 500);
  EXPECT_EQ(chart.LeftAxis().Maximum(), 501);
  EXPECT_EQ(views.StepCount(), 1u);
  Zoom();
  const chart::AxisScale zoomed = chart.LeftAxis().Scale();
  append(311, 320, 700);
  EXPECT_EQ(chart.LeftAxis().Scale(), zoomed);  // a zoomed view stays put
  views.Back();
  EXPECT_EQ(chart.LeftAxis().Maximum(), 701);
  views.Forward();
  views.ResetView();
  EXPECT_EQ(chart.LeftAxis().Maximum(), 701);
  EXPECT_TRUE(chart.BottomAxis().Automatic());
}

TEST(ViewHistoryWithoutFileTest, ResetBeforeAnyFileShowsTheStartUpChart) {
  ProgramChart program;
  chart::HeadlessHost window(program.Chart(), kChartWidth, kChartHeight);
  window.PaintNow();
  const raster::Bitmap start = Picture(program.Chart());
  ViewHistory views(program);
  program.Chart().ZoomToValues({.bottom = {0, 10}, .top = {0, 1}, .left = {0, 5}, .right = {0, 1}});
  views.InputHandled();
  ASSERT_NE(Picture(program.Chart()), start);
  views.ResetView();
  EXPECT_EQ(Picture(program.Chart()), start);
}

}  // namespace
}  // namespace kep::viewer

#include "chart/line_series.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "chart/chart.h"
#include "raster/bitmap.h"
#include "viewer/program_chart.h"

namespace kep::chart {
namespace {

using raster::Bitmap;
using raster::clBlue;
using raster::clNone;
using raster::clSeriesColor;
using raster::IntRect;

constexpr std::uint32_t kBlue = 0x0000FF;  // clBlue as a pixel

// The viewer's chart with its blue line series, drawn into its own bitmap.
struct LineChart {
  explicit LineChart(int width = 320, int height = 220) : picture(width, height) {
    // No title: it is blue too, and the tests count the line's blue pixels.
    chart.Title().SetText({});
  }

  void Add(double x, double y, raster::Color color = clSeriesColor) { series->AddPoint(x, y, "", color); }
  void SetPenWidth(int width) {
    raster::ChartPen pen = series->LinePen();
    pen.width = width;
    series->SetLinePen(pen);
  }
  void AddAll(const std::vector<double>& ys) {
    for (std::size_t i = 0; i < ys.size(); ++i) Add(static_cast<double>(i + 1), ys[i]);
  }

  // The first draw of a chart lays out its axes with the label steps of an
  // empty layout; comparisons start after it.
  const Bitmap& Draw(LineDrawingPath path = LineDrawingPath::kEverySegment) {
    series->SetDrawingPath(path);
    chart.DrawChart(picture, picture.Bounds());
    return picture;
  }

  viewer::ProgramChart program;
  Chart& chart = program.Chart();
  LineSeries* series = &program.Series();
  Bitmap picture;
};

std::vector<int> BluePixelsInRow(const Bitmap& bitmap, int y) {
  std::vector<int> xs;
  for (int x = 0; x < bitmap.Width(); ++x) {
    if (bitmap.Pixel(x, y) == kBlue) xs.push_back(x);
  }
  return xs;
}

int CountBlue(const Bitmap& bitmap, const IntRect& rect) {
  int count = 0;
  for (int y = rect.Top; y < rect.Bottom; ++y) {
    for (int x = rect.Left; x < rect.Right; ++x) count += bitmap.Pixel(x, y) == kBlue ? 1 : 0;
  }
  return count;
}

// ---- visible range ----

TEST(LineSeriesVisibleRangeTest, FollowsTheHorizontalRangeAndKeepsOnePointBeyondTheRightEdge) {
  LineChart c;
  c.Draw();
  c.series->FindVisiblePoints();
  EXPECT_EQ(c.series->FirstVisiblePoint(), -1);  // no points
  EXPECT_EQ(c.series->LastVisiblePoint(), -1);

  for (int x = 1; x <= 10; ++x) c.Add(x, x % 3);
  c.Draw();
  EXPECT_EQ(c.series->FirstVisiblePoint(), 0);  // all inside
  EXPECT_EQ(c.series->LastVisiblePoint(), 9);

  c.chart.BottomAxis().SetRange(3.5, 6.5);
  c.Draw();
  EXPECT_EQ(c.series->FirstVisiblePoint(), 3);  // X = 4
  EXPECT_EQ(c.series->LastVisiblePoint(), 6);   // X = 7, the first at or beyond 6.5

  c.chart.BottomAxis().SetRange(20, 30);  // every X below the left edge
  c.Draw();
  EXPECT_EQ(c.series->FirstVisiblePoint(), -1);
  EXPECT_EQ(c.series->LastVisiblePoint(), -1);

  c.chart.BottomAxis().SetRange(-5, 3.5);
  c.chart.BottomAxis().SetInverted(true);
  c.Draw();
  EXPECT_EQ(c.series->FirstVisiblePoint(), 0);
  EXPECT_EQ(c.series->LastVisiblePoint(), 3);
}

TEST(LineSeriesVisibleRangeTest, UnorderedValuesGiveTheSameRangeAsAScanFromTheStart) {
  LineChart c;
  for (int x = 1; x <= 10; ++x) c.Add(x, 1);
  // Breaks the ascending order behind the list's back: 1 2 3 9 5 6 7 8 9 10.
  c.series->XValues().ReplaceValueAt(3, 9);
  c.chart.BottomAxis().SetRange(4.5, 8.5);
  c.Draw();
  EXPECT_EQ(c.series->FirstVisiblePoint(), 3);  // 9 is the first value >= 4.5
  EXPECT_EQ(c.series->LastVisiblePoint(), 3);   // and also the first >= 8.5

  c.series->XValues().SetOrder(ChartListOrder::loNone);
  c.Draw();
  EXPECT_EQ(c.series->FirstVisiblePoint(), 0);
  EXPECT_EQ(c.series->LastVisiblePoint(), 9);
}

// ---- drawing ----

TEST(LineSeriesDrawingTest, OnePointOrTwoOnOnePixelDrawNothing) {
  LineChart c;
  c.Add(1, 1);
  c.chart.LeftAxis().SetRange(0, 2);
  c.chart.BottomAxis().SetRange(0, 2);
  EXPECT_EQ(CountBlue(c.Draw(), c.chart.PlotRect()), 0);
  c.Add(1, 1);
  EXPECT_EQ(CountBlue(c.Draw(), c.chart.PlotRect()), 0);
  c.Add(2, 2);
  EXPECT_GT(CountBlue(c.Draw(), c.chart.PlotRect()), 0);
}

TEST(LineSeriesDrawingTest, ANullPointBreaksTheLine) {
  LineChart c;
  c.Add(0, 0);
  c.Add(1, 1);
  c.Add(2, 1, clNone);
  c.Add(3, 1);
  c.Add(4, 1);
  c.chart.LeftAxis().SetRange(0, 2);
  const Bitmap& picture = c.Draw();
  const int row = c.chart.LeftAxis().YValueToPixel(1);
  const auto column = [&](double x) { return c.chart.BottomAxis().XValueToPixel(x); };
  // No blue between x = 1 and x = 3 on the row of y = 1, blue from 3 to 4.
  const std::vector<int> blue = BluePixelsInRow(picture, row);
  for (const int x : blue) {
    EXPECT_FALSE(x > column(1) + 1 && x < column(3) - 1) << x;
  }
  EXPECT_EQ(CountBlue(picture, {column(3), row - 1, column(4) - 1, row + 1}),
            2 * (column(4) - 1 - column(3)));
  EXPECT_EQ(c.series->LastPointColor(), clBlue);
}

TEST(LineSeriesDrawingTest, AZoomedLineEntersAtThePlotEdgeWhereTheSegmentCrossesIt) {
  LineChart c;
  c.Add(0, 0);
  c.Add(10, 100);
  c.Add(20, 0);
  c.chart.BottomAxis().SetRange(5, 15);
  c.chart.LeftAxis().SetRange(0, 100);
  c.chart.SetClipPoints(false);
  const Bitmap& picture = c.Draw();
  const IntRect plot = c.chart.PlotRect();
  EXPECT_EQ(c.series->FirstVisiblePoint(), 1);
  EXPECT_EQ(c.series->LastVisiblePoint(), 2);
  // The first pixel column of the line is the plot's left edge, at the height of y = 50.
  const int edge_row = c.chart.LeftAxis().YValueToPixel(50);
  EXPECT_EQ(picture.Pixel(plot.Left, edge_row), kBlue);
  EXPECT_EQ(CountBlue(picture, {0, 0, plot.Left - 1, picture.Height()}), 0);
  // The segment leaving the plot is drawn to the point beyond it (unclipped here).
  EXPECT_EQ(c.series->LastDrawnX(), c.chart.BottomAxis().XValueToPixel(20));
  EXPECT_GT(CountBlue(picture, {plot.Right + 1, 0, picture.Width(), picture.Height()}), 0);
}

TEST(LineSeriesDrawingTest, ClippingKeepsTheLineOffTheFrameAndTheRowAboveTheBottomFrameLine) {
  LineChart c;
  // A zigzag that runs well beyond every side of the plot.
  for (int i = 0; i <= 40; ++i) c.Add(i, i % 2 == 0 ? -50 : 150);
  c.chart.LeftAxis().SetRange(0, 100);
  c.chart.BottomAxis().SetRange(5, 35);
  const Bitmap& picture = c.Draw();
  const IntRect plot = c.chart.PlotRect();
  EXPECT_EQ(CountBlue(picture, {plot.Left, plot.Top, plot.Right + 1, plot.Top + 1}), 0);
  EXPECT_EQ(CountBlue(picture, {plot.Left, plot.Bottom - 1, plot.Right + 1, plot.Bottom + 1}), 0);
  EXPECT_EQ(CountBlue(picture, {plot.Left, plot.Top, plot.Left + 1, plot.Bottom + 1}), 0);
  EXPECT_EQ(CountBlue(picture, {plot.Right, plot.Top, plot.Right + 1, plot.Bottom + 1}), 0);
  EXPECT_GT(CountBlue(picture, {plot.Left + 1, plot.Top + 1, plot.Right, plot.Bottom - 2}), 0);
}

TEST(LineSeriesDrawingTest, PointsBeyondTheDrawableRangeAreLeftOutAndTheirNeighboursJoined) {
  LineChart c;
  c.Add(1, 10);
  c.Add(2, 1e12);  // far beyond +-32766 pixels
  c.Add(3, 10);
  c.chart.LeftAxis().SetRange(0, 20);
  c.chart.BottomAxis().SetRange(0, 4);
  const Bitmap& picture = c.Draw();
  const int row = c.chart.LeftAxis().YValueToPixel(10);
  const int from = c.chart.BottomAxis().XValueToPixel(1);
  const int to = c.chart.BottomAxis().XValueToPixel(3);
  // One straight horizontal line from the first to the third point.
  EXPECT_EQ(CountBlue(picture, {from, row - 1, to, row + 1}), 2 * (to - from));
  EXPECT_EQ(CountBlue(picture, {0, 0, picture.Width(), row - 1}), 0);
}

TEST(LineSeriesDrawingTest, EventsSurroundTheDrawingOnlyWhenPointsAreVisible) {
  LineChart c;
  std::vector<std::string> calls;
  c.series->BeforeDrawValues = [&](LineSeries&) { calls.push_back("before"); };
  c.series->AfterDrawValues = [&](LineSeries&) { calls.push_back("after"); };
  c.Draw();
  EXPECT_TRUE(calls.empty());
  c.Add(1, 1);
  c.Add(2, 2);
  c.Draw();
  EXPECT_EQ(calls, (std::vector<std::string>{"before", "after"}));
}

TEST(LineSeriesDrawingTest, MarginsComeFromPointerStairsAndLineHeight) {
  LineSeries series;
  EXPECT_EQ(series.HorizontalMargins(), std::make_pair(0, 0));
  EXPECT_EQ(series.VerticalMargins(), std::make_pair(0, 0));
  series.Pointer().SetVisible(true);
  EXPECT_EQ(series.HorizontalMargins(), std::make_pair(5, 5));
  series.Pointer().SetInflateMargins(false);
  EXPECT_EQ(series.VerticalMargins(), std::make_pair(0, 0));
  raster::ChartPen pen;
  pen.width = 3;
  series.SetLinePen(pen);
  series.SetStairs(true);
  EXPECT_EQ(series.HorizontalMargins(), std::make_pair(3, 3));
  EXPECT_EQ(series.VerticalMargins(), std::make_pair(3, 4));
  series.SetLineHeight(9);
  EXPECT_EQ(series.VerticalMargins(), std::make_pair(3, 9));
}

// ---- the reduced path gives the same pixels ----

struct Scene {
  std::string name;
  std::function<void(LineChart&)> build;
  bool reducible = true;
};

std::vector<double> RandomWalk(std::mt19937& random, int count, double step) {
  std::normal_distribution<double> delta(0, step);
  std::vector<double> ys;
  double y = 0;
  for (int i = 0; i < count; ++i) ys.push_back(y += delta(random));
  return ys;
}

std::vector<Scene> Scenes() {
  std::vector<Scene> scenes;
  scenes.push_back({"random walk", [](LineChart& c) {
                      std::mt19937 random(1);
                      c.AddAll(RandomWalk(random, 20000, 1));
                    }});
  scenes.push_back({"steps", [](LineChart& c) {
                      std::vector<double> ys;
                      for (int i = 0; i < 5000; ++i) ys.push_back(static_cast<double>(i / 700));
                      c.AddAll(ys);
                    }});
  scenes.push_back({"spikes", [](LineChart& c) {
                      std::mt19937 random(3);
                      std::vector<double> ys(8000, 5);
                      for (int k = 0; k < 40; ++k)
                        ys[random() % ys.size()] = static_cast<double>(random() % 400);
                      ys.back() = 390;  // a spike on the very last point
                      c.AddAll(ys);
                    }});
  scenes.push_back({"equal X values", [](LineChart& c) {
                      std::mt19937 random(4);
                      for (int i = 0; i < 6000; ++i) c.Add(i / 50, static_cast<double>(random() % 100));
                    }});
  scenes.push_back({"ending on a flat run at an extreme", [](LineChart& c) {
                      std::vector<double> ys;
                      for (int i = 0; i < 3000; ++i) ys.push_back(i % 7);
                      for (int i = 0; i < 400; ++i) ys.push_back(9);
                      c.AddAll(ys);
                    }});
  scenes.push_back({"returning to the last value", [](LineChart& c) {
                      // Inside the last pixel column: 0, 5, 2, 5, 5 (the run at 5 is reached before).
                      c.chart.BottomAxis().SetRange(0, 1000);
                      c.chart.LeftAxis().SetRange(0, 60);
                      for (int i = 0; i < 2000; ++i) c.Add(i * 0.4, i % 3 == 0 ? 0 : 20);
                      for (const double y : {0.0, 50.0, 20.0, 50.0, 50.0}) c.Add(1000, y);
                    }});
  scenes.push_back({"zoomed random walk", [](LineChart& c) {
                      std::mt19937 random(5);
                      c.AddAll(RandomWalk(random, 50000, 1));
                      c.chart.BottomAxis().SetRange(12345.5, 31000.25);
                    }});
  scenes.push_back({"inverted axes", [](LineChart& c) {
                      std::mt19937 random(7);
                      c.AddAll(RandomWalk(random, 10000, 2));
                      c.chart.BottomAxis().SetInverted(true);
                      c.chart.LeftAxis().SetInverted(true);
                      c.chart.BottomAxis().SetRange(100, 9000);
                    }});
  scenes.push_back({"unclipped with a wide pen", [](LineChart& c) {
                      std::mt19937 random(8);
                      c.AddAll(RandomWalk(random, 10000, 3));
                      c.chart.SetClipPoints(false);
                      c.SetPenWidth(5);
                      c.chart.BottomAxis().SetRange(2000, 5000);
                    }});
  scenes.push_back({"one pixel pen, not limited to the visible range", [](LineChart& c) {
                      std::mt19937 random(9);
                      c.AddAll(RandomWalk(random, 10000, 3));
                      c.series->SetLimitToVisible(false);
                      c.SetPenWidth(1);
                      c.chart.BottomAxis().SetRange(2000, 3000);
                    }});
  scenes.push_back({"a last point beyond the drawable range", [](LineChart& c) {
                      std::mt19937 random(10);
                      c.AddAll(RandomWalk(random, 5000, 1));
                      c.Add(1e9, 0);
                      c.chart.BottomAxis().SetRange(0, 5000);
                    }});
  scenes.push_back({"null points",
                    [](LineChart& c) {
                      std::mt19937 random(11);
                      const std::vector<double> ys = RandomWalk(random, 5000, 1);
                      for (std::size_t i = 0; i < ys.size(); ++i) {
                        c.Add(static_cast<double>(i), ys[i], i % 97 == 0 ? clNone : clSeriesColor);
                      }
                    },
                    false});
  scenes.push_back({"stairs",
                    [](LineChart& c) {
                      std::mt19937 random(12);
                      c.AddAll(RandomWalk(random, 3000, 1));
                      c.series->SetStairs(true);
                    },
                    false});
  scenes.push_back({"a spike beyond the drawable range",
                    [](LineChart& c) {
                      std::mt19937 random(13);
                      std::vector<double> ys = RandomWalk(random, 3000, 1);
                      ys[1500] = 1e12;
                      c.AddAll(ys);
                      c.chart.LeftAxis().SetRange(-50, 50);
                    },
                    false});
  return scenes;
}

TEST(LineSeriesReducedPathTest, DrawsTheSamePixelsAsEverySegment) {
  for (const Scene& scene : Scenes()) {
    SCOPED_TRACE(scene.name);
    LineChart c;
    scene.build(c);
    c.Draw();
    const Bitmap every_segment = c.Draw(LineDrawingPath::kEverySegment);
    const int last_x = c.series->LastDrawnX();
    const int last_y = c.series->LastDrawnY();
    EXPECT_FALSE(c.series->LastPaintReduced());
    const Bitmap reduced = c.Draw(LineDrawingPath::kReduced);
    EXPECT_EQ(c.series->LastPaintReduced(), scene.reducible);
    EXPECT_GT(CountBlue(reduced, c.chart.PlotRect()), 0);
    EXPECT_TRUE(reduced == every_segment);
    EXPECT_EQ(c.series->LastDrawnX(), last_x);
    EXPECT_EQ(c.series->LastDrawnY(), last_y);
  }
}

TEST(LineSeriesReducedPathTest, SmallRandomSeriesInManyViewsMatchPixelForPixel) {
  // Few pixels and many points per column make every column rule count.
  std::mt19937 random(42);
  for (int round = 0; round < 60; ++round) {
    SCOPED_TRACE(round);
    LineChart c(90 + static_cast<int>(random() % 60), 70 + static_cast<int>(random() % 40));
    const int count = 2 + static_cast<int>(random() % 3000);
    double x = 0;
    for (int i = 0; i < count; ++i) {
      x += static_cast<double>(random() % 4) * 0.25;  // equal X values happen
      c.Add(x, static_cast<double>(random() % 9) + (random() % 5 == 0 ? 30.0 : 0.0));
    }
    if (round % 3 != 0) {
      const double a = std::uniform_real_distribution<double>(-5, x)(random);
      c.chart.BottomAxis().SetRange(a, a + std::uniform_real_distribution<double>(0.5, x + 1)(random));
    }
    if (round % 4 == 1) c.chart.LeftAxis().SetRange(-3, 12);
    c.SetPenWidth(1 + static_cast<int>(random() % 4));
    c.chart.SetClipPoints(round % 5 != 2);
    c.Draw();
    const Bitmap every_segment = c.Draw(LineDrawingPath::kEverySegment);
    const Bitmap reduced = c.Draw(LineDrawingPath::kReduced);
    EXPECT_TRUE(reduced == every_segment);
  }
}

TEST(LineSeriesReducedPathTest, ChangedPointsAreSeenByTheNextPaint) {
  LineChart c;
  std::mt19937 random(14);
  c.AddAll(RandomWalk(random, 5000, 1));
  c.chart.LeftAxis().SetRange(-200, 200);
  c.Draw();
  c.Draw(LineDrawingPath::kReduced);
  c.series->YValues().ReplaceValueAt(2500, 150);  // a new spike
  const Bitmap reduced = c.Draw(LineDrawingPath::kReduced);
  EXPECT_TRUE(c.series->LastPaintReduced());
  EXPECT_TRUE(reduced == c.Draw(LineDrawingPath::kEverySegment));
  c.series->ClearPoints();
  c.AddAll({1, 3, 2});
  const Bitmap small = c.Draw(LineDrawingPath::kReduced);
  EXPECT_TRUE(small == c.Draw(LineDrawingPath::kEverySegment));
}

// Points appended in bulk and taken back from the end, as a followed file
// does: the drawing index goes on from what stands, and every paint still
// matches drawing every segment, NaN and unordered points included.
TEST(LineSeriesReducedPathTest, AppendsAndRemovalsAtTheEndAreSeenByTheNextPaint) {
  LineChart c;
  std::mt19937 random(16);
  c.AddAll(RandomWalk(random, 5000, 1));
  c.chart.LeftAxis().SetRange(-300, 300);
  c.chart.BottomAxis().SetRange(0, 9000);
  const auto append = [&](std::vector<ValuePoint> points) { c.series->AppendPoints(points); };
  const auto check = [&](bool reducible) {
    const Bitmap reduced = c.Draw(LineDrawingPath::kReduced);
    EXPECT_EQ(c.series->LastPaintReduced(), reducible);
    EXPECT_TRUE(reduced == c.Draw(LineDrawingPath::kEverySegment));
  };
  check(true);
  std::vector<ValuePoint> more;
  for (int i = 0; i < 3000; ++i) more.push_back({5001.0 + i, 250.0 * std::sin(i / 300.0)});
  append(more);
  check(true);
  c.series->RemoveLastPoints(2);
  append({{8000, -280}, {8001, 280}});  // a spike in the last, partly filled pyramid block
  check(true);
  append({{8002, std::nan("")}});
  check(false);
  c.series->RemoveLastPoints(1);
  check(true);
  c.Add(10, 0);  // goes into the middle: every later point moves
  check(true);
  c.series->XValues().ReplaceValueAt(c.series->PointCount() - 1, 1);  // no longer ascending
  check(false);
}

TEST(LineSeriesReducedPathTest, AutomaticTakesTheReductionOnlyForManyPoints) {
  LineChart c;
  std::mt19937 random(15);
  c.AddAll(RandomWalk(random, 100, 1));
  c.Draw(LineDrawingPath::kAutomatic);
  EXPECT_FALSE(c.series->LastPaintReduced());
  c.AddAll(RandomWalk(random, 10000, 1));
  c.Draw(LineDrawingPath::kAutomatic);
  EXPECT_TRUE(c.series->LastPaintReduced());
}

// ---- hit test ----

// The hit test rule tried on every visible point in turn.
int ReferenceHitTest(const LineChart& c, int x, int y) {
  const LineSeries& s = *c.series;
  const auto pixel = [&](int i) {
    return std::make_pair(c.chart.BottomAxis().XValueToPixel(s.XValueAt(i)),
                          c.chart.LeftAxis().YValueToPixel(s.YValueAt(i)));
  };
  for (int i = s.FirstVisiblePoint(); i >= 0 && i <= s.LastVisiblePoint(); ++i) {
    const auto [px, py] = pixel(i);
    if (px == x && py == y) return i;
    if (i == s.FirstVisiblePoint()) continue;
    const auto [qx, qy] = pixel(i - 1);
    const long long cross = 1LL * (x - qx) * (py - qy) - 1LL * (y - qy) * (px - qx);
    const long long length = std::max(std::abs(px - qx), std::abs(py - qy));
    if (std::llabs(cross) < length && x >= std::min(px, qx) && x <= std::max(px, qx) &&
        y >= std::min(py, qy) && y <= std::max(py, qy)) {
      return i - 1;
    }
  }
  return -1;
}

TEST(LineSeriesHitTestTest, FindsPointsAndSegmentsLikeTheRuleOverEveryPoint) {
  LineChart c(160, 120);
  std::mt19937 random(17);
  c.AddAll(RandomWalk(random, 4000, 2));
  c.chart.BottomAxis().SetRange(1000.5, 1400.5);
  c.Draw();
  int hits = 0;
  for (int y = 0; y < c.picture.Height(); ++y) {
    for (int x = 0; x < c.picture.Width(); ++x) {
      const int expected = ReferenceHitTest(c, x, y);
      ASSERT_EQ(c.series->HitTest(x, y), expected) << x << "," << y;
      hits += expected >= 0 ? 1 : 0;
    }
  }
  EXPECT_GT(hits, 100);
}

}  // namespace
}  // namespace kep::chart

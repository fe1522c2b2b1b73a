// Lines and rectangles: end points, wide pens, clipping, raster modes, dots.
#include <gtest/gtest.h>

#include <climits>
#include <random>

#include "pixels.h"
#include "raster/chart_canvas.h"

namespace kep::raster {
namespace {

using testing::Noise;
using testing::PaintedBox;
using testing::Picture;
using Rows = std::vector<std::string>;

class LineTest : public ::testing::Test {
 protected:
  // Direct drawing onto bitmap_.
  void Use(Bitmap& bitmap) {
    canvas_.SetUseOffscreenBuffer(false);
    canvas_.BeginDraw(bitmap, bitmap.Bounds());
  }
  void SetUp() override { Use(bitmap_); }

  Bitmap bitmap_{12, 6};
  ChartCanvas canvas_;
};

TEST_F(LineTest, EndPointIsNotPainted) {
  Bitmap bitmap(12, 1);
  Use(bitmap);
  canvas_.Line({0, 0}, {10, 0});
  EXPECT_EQ(Picture(bitmap), Rows{"##########.."});
  canvas_.Line({11, 0}, {1, 0});  // backwards: 11 down to 2
  EXPECT_EQ(Picture(bitmap), Rows{"############"});
  Bitmap single(3, 1);
  Use(single);
  canvas_.Line({1, 0}, {1, 0});  // no length, nothing
  EXPECT_EQ(PaintedBox(single), IntRect{});
}

TEST_F(LineTest, SlopesRoundHalvesAwayFromTheStart) {
  canvas_.Line({0, 0}, {4, 2});
  canvas_.Line({6, 0}, {8, 5});
  EXPECT_EQ(Picture(bitmap_), (Rows{"#.....#.....",  //
                                    ".##...#.....",  //
                                    "...#...#....",  //
                                    ".......#....",  //
                                    "........#...",  //
                                    "............"}));
}

TEST_F(LineTest, WidePensAreSquaresWithTheExtraPixelAboveAndLeft) {
  canvas_.SetPen(Pen{clBlack, 2});
  canvas_.Line({2, 2}, {6, 2});
  canvas_.Line({9, 1}, {9, 4});
  EXPECT_EQ(Picture(bitmap_), (Rows{"........##..",  //
                                    ".#####..##..",  //
                                    ".#####..##..",  //
                                    "........##..",  //
                                    "............",  //
                                    "............"}));
  Bitmap bitmap(7, 7);
  Use(bitmap);
  canvas_.SetPen(Pen{clBlack, 3});
  canvas_.Line({1, 1}, {5, 5});                // a diagonal: squares centred on (1,1)..(4,4)
  EXPECT_EQ(Picture(bitmap), (Rows{"###....",  //
                                   "####...",  //
                                   "#####..",  //
                                   ".#####.",  //
                                   "..####.",  //
                                   "...###.",  //
                                   "......."}));
}

// Drawing with a clip must give exactly the pixels that an unclipped drawing
// on a larger surface gives inside the clip, whatever the coordinates.
TEST_F(LineTest, ClippingMatchesUnclippedDrawing) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> coordinate(-60, 90);
  std::uniform_int_distribution<int> width(1, 4);
  const PenStyle styles[] = {PenStyle::psSolid, PenStyle::psDot, PenStyle::psAlternate};
  for (int round = 0; round < 400; ++round) {
    const IntPoint from{coordinate(random), coordinate(random)};
    const IntPoint to{coordinate(random), coordinate(random)};
    const Pen pen{clBlack, width(random), styles[round % 3]};
    const IntRect clip{5, 3, 25, 30};

    Bitmap clipped(40, 40);
    Use(clipped);
    canvas_.SetPen(pen);
    canvas_.ClipToRect(clip);
    canvas_.Line(from, to);

    Bitmap whole(400, 400);
    Use(whole);
    canvas_.SetPen(pen);
    canvas_.Line({from.x + 200, from.y + 200}, {to.x + 200, to.y + 200});
    for (int y = 0; y < 40; ++y) {
      for (int x = 0; x < 40; ++x) {
        const std::uint32_t expected = clip.Contains({x, y}) ? whole.Pixel(x + 200, y + 200) : 0xFFFFFF;
        ASSERT_EQ(clipped.Pixel(x, y), expected)
            << "line " << from.x << "," << from.y << " to " << to.x << "," << to.y << " width " << pen.width
            << " at " << x << "," << y;
      }
    }
  }
}

TEST_F(LineTest, FarAwayCoordinatesAreClippedWithoutOverflow) {
  Bitmap bitmap(50, 50);
  Use(bitmap);
  canvas_.Line({-32766, -32766}, {32766, 32766});
  for (int i = 0; i < 50; ++i) EXPECT_EQ(bitmap.Pixel(i, i), 0u) << i;
  EXPECT_EQ(PaintedBox(bitmap, clBlack), (IntRect{0, 0, 50, 50}));

  bitmap.Fill(clWhite);
  canvas_.SetPen(Pen{clBlack, 2});
  canvas_.Line({INT_MIN, INT_MIN}, {INT_MAX, INT_MAX});
  canvas_.Line({INT_MIN, 20}, {INT_MAX, 20});
  canvas_.Line({30, INT_MAX}, {30, INT_MIN});
  canvas_.Line({INT_MAX, INT_MIN}, {INT_MAX, INT_MAX});  // off the surface
  canvas_.Line({INT_MIN, INT_MAX}, {INT_MAX, INT_MAX});
  for (int i = 0; i < 50; ++i) {
    EXPECT_EQ(bitmap.Pixel(i, i), 0u);
    EXPECT_EQ(bitmap.Pixel(i, 19), 0u);
    EXPECT_EQ(bitmap.Pixel(i, 20), 0u);
    EXPECT_EQ(bitmap.Pixel(29, i), 0u);
    EXPECT_EQ(bitmap.Pixel(30, i), 0u);
  }
  EXPECT_EQ(bitmap.Pixel(10, 30), 0xFFFFFFu);
}

TEST_F(LineTest, PolylineEqualsMoveToAndLineTo) {
  std::mt19937 random(3);
  std::uniform_int_distribution<int> coordinate(-10, 60);
  std::vector<IntPoint> points;
  for (int i = 0; i < 60; ++i) points.push_back({coordinate(random), coordinate(random)});
  for (const int width : {1, 2, 5}) {
    Bitmap one(50, 50);
    Use(one);
    canvas_.SetPen(Pen{clBlue, width, PenStyle::psSolid, PenMode::pmNotXor});
    canvas_.Polyline(points);
    Bitmap two(50, 50);
    Use(two);
    canvas_.MoveTo(points[0]);
    for (std::size_t i = 1; i < points.size(); ++i) canvas_.LineTo(points[i]);
    EXPECT_EQ(one, two) << width;
  }
}

TEST_F(LineTest, NotXorTwiceRestoresEveryPixel) {
  Bitmap bitmap = Noise(40, 30);
  const Bitmap original = bitmap;
  Use(bitmap);
  canvas_.SetBrush({clRed, BrushStyle::bsSolid});
  for (const int width : {1, 2, 3, 7}) {
    canvas_.SetPen(Pen{clBlue, width, PenStyle::psSolid, PenMode::pmNotXor});
    canvas_.Line({-5, 3}, {33, 27});
    canvas_.Line({4, 2}, {6, 28});
    canvas_.Rectangle({35, 25, 3, 4});  // corners in any order
    EXPECT_NE(bitmap, original);
    canvas_.Line({-5, 3}, {33, 27});
    canvas_.Line({4, 2}, {6, 28});
    canvas_.Rectangle({35, 25, 3, 4});
    EXPECT_EQ(bitmap, original) << width;
  }
  // Each pixel becomes the complement of (pen xor pixel).
  Bitmap dot(1, 1);
  dot.SetPixel(0, 0, 0x123456);
  Use(dot);
  canvas_.SetPen(Pen{Color::FromXrgb(0x0F0F0F), 1, PenStyle::psSolid, PenMode::pmNotXor});
  canvas_.Line({0, 0}, {1, 0});
  EXPECT_EQ(dot.Pixel(0, 0), ~(0x0F0F0Fu ^ 0x123456u) & 0xFFFFFFu);
}

TEST_F(LineTest, DottedPenThreeOnThreeOff) {
  Bitmap bitmap(20, 2);
  bitmap.Fill(clGreen);
  Use(bitmap);
  canvas_.SetPen(Pen{clRed, 1, PenStyle::psDot});
  canvas_.Line({0, 0}, {20, 0});
  canvas_.SetBackgroundMode(BackgroundMode::kOpaque);
  canvas_.SetBackgroundColor(clBlue);
  canvas_.Line({19, 1}, {-1, 1});  // the pattern starts at the start point
  for (int x = 0; x < 20; ++x) {
    EXPECT_EQ(bitmap.Pixel(x, 0), (x % 6 < 3 ? clRed : clGreen).ToXrgb()) << x;
    EXPECT_EQ(bitmap.Pixel(x, 1), ((19 - x) % 6 < 3 ? clRed : clBlue).ToXrgb()) << x;
  }
}

TEST_F(LineTest, ChartPens) {
  Bitmap bitmap(8, 2);
  Use(bitmap);
  ChartHiddenPen hidden;
  hidden.color = clRed;
  canvas_.AssignChartPen(hidden);
  canvas_.SetBrushStyle(BrushStyle::bsClear);
  canvas_.Line({0, 0}, {8, 0});
  canvas_.Rectangle({0, 0, 8, 2});
  EXPECT_EQ(PaintedBox(bitmap), IntRect{});

  ChartPen small_dots;
  small_dots.small_dots = true;
  canvas_.AssignChartPen(small_dots);
  canvas_.Line({0, 0}, {8, 0});
  EXPECT_EQ(Picture(bitmap)[0], "#.#.#.#.");

  canvas_.AssignChartPen(ChartAxisPen{});
  EXPECT_EQ(canvas_.GetPen(), (Pen{clBlack, 2, PenStyle::psSolid}));
  canvas_.AssignChartPen(DottedGrayPen{});
  EXPECT_EQ(canvas_.GetPen(), (Pen{clGray, 1, PenStyle::psDot}));
  canvas_.AssignChartPen(DarkGrayPen{});
  EXPECT_EQ(canvas_.GetPen(), (Pen{clGray, 1, PenStyle::psSolid}));
}

TEST_F(LineTest, RectangleCoversLeftTopToRightBottomMinusOne) {
  Bitmap bitmap(12, 12);
  Use(bitmap);
  canvas_.SetBrush({clRed, BrushStyle::bsSolid});
  canvas_.Rectangle({0, 0, 10, 10});
  EXPECT_EQ(PaintedBox(bitmap), (IntRect{0, 0, 10, 10}));
  EXPECT_EQ(bitmap.Pixel(0, 5), 0u);  // outline
  EXPECT_EQ(bitmap.Pixel(9, 9), 0u);
  EXPECT_EQ(bitmap.Pixel(1, 1), clRed.ToXrgb());  // fill
  EXPECT_EQ(bitmap.Pixel(8, 8), clRed.ToXrgb());

  bitmap.Fill(clWhite);
  canvas_.SetPen(Pen{clBlack, 3});
  canvas_.Rectangle({10, 10, 2, 1});  // corners swapped; the outline lies inside
  EXPECT_EQ(PaintedBox(bitmap), (IntRect{2, 1, 10, 10}));
  EXPECT_EQ(bitmap.Pixel(4, 3), 0u);
  EXPECT_EQ(bitmap.Pixel(5, 4), clRed.ToXrgb());
  EXPECT_EQ(bitmap.Pixel(7, 6), 0u);

  bitmap.Fill(clWhite);
  canvas_.SetPen(Pen{clBlack, 1, PenStyle::psClear});
  canvas_.Rectangle({1, 1, 3, 3});  // no outline: the brush covers it all
  EXPECT_EQ(PaintedBox(bitmap), (IntRect{1, 1, 3, 3}));
  EXPECT_EQ(bitmap.Pixel(1, 1), clRed.ToXrgb());
  EXPECT_EQ(bitmap.Pixel(2, 2), clRed.ToXrgb());

  bitmap.Fill(clWhite);
  canvas_.SetPen(Pen{clBlack, 1, PenStyle::psDot});
  canvas_.SetBrushStyle(BrushStyle::bsClear);
  canvas_.Rectangle({0, 0, 12, 5});
  EXPECT_EQ(Picture(bitmap)[0], "###...###..#");  // the right side starts its own pattern
  EXPECT_EQ(bitmap.Pixel(11, 2), 0u);
  EXPECT_EQ(bitmap.Pixel(11, 3), 0xFFFFFFu);
}

TEST_F(LineTest, NothingOutsideTheClipIsTouched) {
  Bitmap bitmap = Noise(30, 30);
  const Bitmap original = bitmap;
  Use(bitmap);
  canvas_.ClipToRect({5, 5, 25, 25});
  canvas_.ClipToPlot({4, 4, 20, 21});  // intersected: (5, 5) to (20, 20)
  ASSERT_EQ(canvas_.Clip(), (IntRect{5, 5, 20, 20}));
  canvas_.SetPen(Pen{clRed, 9});
  canvas_.SetBrush({clRed, BrushStyle::bsCross});
  canvas_.SetBackgroundMode(BackgroundMode::kOpaque);
  canvas_.Line({-100, 12}, {100, 14});
  canvas_.Rectangle({-10, -10, 40, 40});
  canvas_.TextOut(0, 10, "Clipped text");
  canvas_.RotatedTextOut(12, 0, "Rotated", 45);
  canvas_.FillRect({0, 0, 30, 30}, clGreen);
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 30; ++x) {
      const bool inside = x >= 5 && x < 20 && y >= 5 && y < 20;
      if (inside) {
        EXPECT_EQ(bitmap.Pixel(x, y), clGreen.ToXrgb()) << x << "," << y;
      } else {
        EXPECT_EQ(bitmap.Pixel(x, y), original.Pixel(x, y)) << x << "," << y;
      }
    }
  }
  canvas_.RemoveClip();
  EXPECT_FALSE(canvas_.Clip().has_value());
}

}  // namespace
}  // namespace kep::raster

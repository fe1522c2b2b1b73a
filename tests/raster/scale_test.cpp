// Drawing at a scale: logical coordinates land on a larger target, pens,
// dots and glyphs grow with it, and text is still measured at scale 1.
#include <gtest/gtest.h>

#include "pixels.h"
#include "raster/chart_canvas.h"

namespace kep::raster {
namespace {

using testing::PaintedBox;

class ScaleTest : public ::testing::Test {
 protected:
  // A direct drawing onto a target of logical size 60 x 40 at scale.
  void Begin(double scale) {
    canvas_.SetUseOffscreenBuffer(false);
    canvas_.SetScale(scale);
    bitmap_.Resize(canvas_.ToDevice(60), canvas_.ToDevice(40));
    canvas_.BeginDraw(bitmap_, {0, 0, 60, 40});
  }

  Bitmap bitmap_;
  ChartCanvas canvas_;
};

TEST_F(ScaleTest, LinesRectanglesAndClipsLandOnScaledPixels) {
  Begin(2);
  canvas_.Line({1, 1}, {11, 1});
  // Two pixels thick on the pixels of logical row 1; the end reaches one
  // device pixel into the logical end point.
  EXPECT_EQ(PaintedBox(bitmap_), (IntRect{2, 2, 23, 4}));

  bitmap_.Fill(clWhite);
  canvas_.SetBrush({clRed, BrushStyle::bsSolid});
  canvas_.Rectangle({2, 3, 6, 8});
  EXPECT_EQ(PaintedBox(bitmap_), (IntRect{4, 6, 12, 16}));
  EXPECT_EQ(bitmap_.Pixel(5, 7), clBlack.ToXrgb());  // the outline is two pixels wide
  EXPECT_EQ(bitmap_.Pixel(6, 8), clRed.ToXrgb());

  bitmap_.Fill(clWhite);
  canvas_.ClipToRect({0, 0, 5, 40});
  canvas_.Line({0, 10}, {30, 10});
  EXPECT_EQ(PaintedBox(bitmap_), (IntRect{0, 20, 10, 22}));
}

TEST_F(ScaleTest, DotsGrowWithTheScale) {
  Begin(2);
  canvas_.SetPen({.style = PenStyle::psDot});
  canvas_.Line({0, 0}, {30, 0});
  // Three logical pixels on and three off: a period of 12 device pixels,
  // about half of it on, two rows thick.
  int on = 0;
  for (int x = 1; x < 48; ++x) {
    EXPECT_EQ(bitmap_.Pixel(x + 12, 0), bitmap_.Pixel(x, 0)) << x;
    EXPECT_EQ(bitmap_.Pixel(x, 1), bitmap_.Pixel(x, 0)) << x;
    on += bitmap_.Pixel(x, 0) == clBlack.ToXrgb() && x <= 12 ? 1 : 0;
  }
  EXPECT_GE(on, 5);
  EXPECT_LE(on, 7);
  EXPECT_EQ(bitmap_.Pixel(0, 0), clBlack.ToXrgb());
}

TEST_F(ScaleTest, FractionalScalesTileAdjacentRectangles) {
  Begin(1.5);
  const Color colors[] = {clRed, clBlue, clGreen, clYellow};
  for (int i = 0; i < 4; ++i) canvas_.FillRect({i, 0, i + 1, 1}, colors[i]);
  // Logical columns 0..3 cover device columns 0..5, each exactly once.
  const std::uint32_t expected[] = {clRed.ToXrgb(),   clRed.ToXrgb(),   clBlue.ToXrgb(),
                                    clGreen.ToXrgb(), clGreen.ToXrgb(), clYellow.ToXrgb()};
  for (int x = 0; x < 6; ++x) EXPECT_EQ(bitmap_.Pixel(x, 0), expected[x]) << x;
  EXPECT_EQ(bitmap_.Pixel(6, 0), clWhite.ToXrgb());
  EXPECT_EQ(canvas_.ToLogical(bitmap_.Width()), 60);
}

TEST_F(ScaleTest, TextIsMeasuredAtScaleOneAndRenderedAtTheScaledSize) {
  constexpr const char* kText = "Sequence Length 0123";
  canvas_.SetFont(Font{"Arial", 8});
  Begin(1);
  const int width = canvas_.TextWidth(kText);
  const int height = canvas_.TextHeight(kText);
  canvas_.TextOut(5, 5, kText);
  const IntRect small = PaintedBox(bitmap_);
  const Bitmap single = bitmap_;

  Begin(2);
  EXPECT_EQ(canvas_.TextWidth(kText), width);
  EXPECT_EQ(canvas_.TextHeight(kText), height);
  canvas_.TextOut(5, 5, kText);
  const IntRect large = PaintedBox(bitmap_);
  EXPECT_NEAR(large.Left, 2 * small.Left, 2);
  EXPECT_NEAR(large.Top, 2 * small.Top, 2);
  EXPECT_NEAR(large.Right, 2 * small.Right, 4);
  EXPECT_NEAR(large.Bottom, 2 * small.Bottom, 2);

  // Rendered anew, not the scale-1 glyphs with every pixel doubled: many
  // 2 x 2 blocks are not of one colour, and the picture differs from the
  // doubled one in many pixels.
  int mixed_blocks = 0;
  int differing = 0;
  for (int y = 0; y + 1 < bitmap_.Height(); y += 2) {
    for (int x = 0; x + 1 < bitmap_.Width(); x += 2) {
      const std::uint32_t corner = bitmap_.Pixel(x, y);
      mixed_blocks += (bitmap_.Pixel(x + 1, y) != corner || bitmap_.Pixel(x, y + 1) != corner ||
                       bitmap_.Pixel(x + 1, y + 1) != corner)
                          ? 1
                          : 0;
      differing += corner != single.Pixel(x / 2, y / 2) ? 1 : 0;
    }
  }
  EXPECT_GT(mixed_blocks, 50);
  EXPECT_GT(differing, 50);
}

}  // namespace
}  // namespace kep::raster

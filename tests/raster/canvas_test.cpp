// The off-screen image, targets and drawing state of the surface.
#include <gtest/gtest.h>

#include "pixels.h"
#include "raster/chart_canvas.h"

namespace kep::raster {
namespace {

using testing::PaintedBox;

class CanvasTest : public ::testing::Test {
 protected:
  void SetUp() override { canvas_.SetWindow(&window_); }

  // One paint as the chart does it: a full draw when the image is stale,
  // otherwise a copy. Returns whether it drew.
  bool Paint(const IntRect& rect, Color background) {
    if (!canvas_.ImageStale() && canvas_.OffscreenImage() != nullptr) {
      canvas_.BlitImage();
      return false;
    }
    const IntRect bounds = canvas_.BeginDraw(window_, rect);
    canvas_.FillRect(bounds, background);
    canvas_.PresentImage(window_, rect);
    return true;
  }

  Bitmap window_{20, 10};
  ChartCanvas canvas_;
};

TEST_F(CanvasTest, OffscreenImageIsReusedWhileTheSizeStays) {
  EXPECT_TRUE(canvas_.UseOffscreenBuffer());
  EXPECT_TRUE(canvas_.ImageStale());
  EXPECT_EQ(canvas_.OffscreenImage(), nullptr);

  const IntRect bounds = canvas_.BeginDraw(window_, {2, 3, 12, 8});
  EXPECT_EQ(bounds, (IntRect{0, 0, 10, 5}));
  const Bitmap* image = canvas_.OffscreenImage();
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(canvas_.Target(), image);
  canvas_.FillRect({0, 0, 1, 1}, clRed);
  EXPECT_EQ(PaintedBox(window_), IntRect{});  // nothing reaches the window yet
  canvas_.PresentImage(window_, {2, 3, 12, 8});
  EXPECT_FALSE(canvas_.ImageStale());
  EXPECT_EQ(canvas_.Target(), &window_);
  EXPECT_EQ(PaintedBox(window_), (IntRect{2, 3, 3, 4}));

  canvas_.BeginDraw(window_, {5, 5, 15, 10});  // same size: same image, pixels kept
  EXPECT_EQ(canvas_.OffscreenImage(), image);
  EXPECT_EQ(image->Pixel(0, 0), clRed.ToXrgb());

  canvas_.BeginDraw(window_, {0, 0, 11, 5});  // new size: a new white image
  ASSERT_NE(canvas_.OffscreenImage(), nullptr);
  EXPECT_EQ(canvas_.OffscreenImage()->Width(), 11);
  EXPECT_EQ(PaintedBox(*canvas_.OffscreenImage()), IntRect{});
}

TEST_F(CanvasTest, PaintsCopyUntilStaleAndAfterSwitchingTheBufferOffAndOn) {
  EXPECT_TRUE(Paint(window_.Bounds(), clRed));
  EXPECT_FALSE(Paint(window_.Bounds(), clBlue));  // unchanged: one copy
  EXPECT_EQ(window_.Pixel(0, 0), clRed.ToXrgb());

  window_.Fill(clWhite);  // the window was covered: the copy repaints it
  EXPECT_FALSE(Paint(window_.Bounds(), clBlue));
  EXPECT_EQ(window_.Pixel(19, 9), clRed.ToXrgb());

  canvas_.SetImageStale(true);
  EXPECT_TRUE(Paint(window_.Bounds(), clBlue));
  EXPECT_EQ(window_.Pixel(0, 0), clBlue.ToXrgb());

  // A capture draws directly into its own bitmap.
  canvas_.SetUseOffscreenBuffer(false);
  EXPECT_EQ(canvas_.OffscreenImage(), nullptr);
  EXPECT_TRUE(canvas_.ImageStale());
  Bitmap capture(20, 10);
  EXPECT_EQ(canvas_.BeginDraw(capture, capture.Bounds()), capture.Bounds());
  EXPECT_EQ(canvas_.Target(), &capture);
  canvas_.FillRect(capture.Bounds(), clGreen);
  canvas_.PresentImage(capture, capture.Bounds());
  EXPECT_EQ(capture.Pixel(5, 5), clGreen.ToXrgb());
  EXPECT_EQ(window_.Pixel(5, 5), clBlue.ToXrgb());
  EXPECT_EQ(canvas_.Target(), &window_);
  canvas_.SetUseOffscreenBuffer(true);
  EXPECT_TRUE(canvas_.ImageStale());
  EXPECT_EQ(canvas_.OffscreenImage(), nullptr);

  EXPECT_TRUE(Paint(window_.Bounds(), clYellow));  // the next paint draws in full
  EXPECT_EQ(window_.Pixel(5, 5), clYellow.ToXrgb());
}

TEST_F(CanvasTest, DirectModeDrawsAtTheRectangle) {
  canvas_.SetUseOffscreenBuffer(false);
  EXPECT_EQ(canvas_.BeginDraw(window_, {4, 2, 9, 6}), (IntRect{4, 2, 9, 6}));
  canvas_.FillRect({4, 2, 5, 3}, clRed);
  EXPECT_EQ(PaintedBox(window_), (IntRect{4, 2, 5, 3}));
}

TEST_F(CanvasTest, BeginDrawRemovesTheClipAndDrawingWithoutTargetIsHarmless) {
  ChartCanvas canvas;
  canvas.Line({0, 0}, {5, 5});
  canvas.TextOut(0, 0, "no target");
  canvas.Rectangle({0, 0, 4, 4});
  EXPECT_GT(canvas.TextWidth("measured"), 0);
  canvas.ClipToRect({0, 0, 1, 1});
  Bitmap bitmap(4, 4);
  canvas.BeginDraw(bitmap, bitmap.Bounds());
  EXPECT_FALSE(canvas.Clip().has_value());
}

TEST_F(CanvasTest, RestoreDefaults) {
  canvas_.SetPen(Pen{clRed, 3, PenStyle::psDot, PenMode::pmNotXor});
  canvas_.SetBrush({clRed, BrushStyle::bsClear});
  canvas_.SetFont(Font{"Courier New", 20, 0, true, true, clRed});
  canvas_.SetBackgroundColor(clRed);
  canvas_.SetBackgroundMode(BackgroundMode::kOpaque);
  canvas_.RestoreDefaults();
  EXPECT_EQ(canvas_.GetPen(), Pen{});
  EXPECT_EQ(canvas_.GetBrush(), (Brush{clWhite, BrushStyle::bsSolid}));
  EXPECT_EQ(canvas_.GetFont().color, clBlack);
  EXPECT_EQ(canvas_.GetFont().points, 10);
  EXPECT_EQ(canvas_.BackgroundColor(), clWhite);
  EXPECT_EQ(canvas_.GetBackgroundMode(), BackgroundMode::kTransparent);
}

}  // namespace
}  // namespace kep::raster

// Fonts and text: measured extents, anchoring by alignment, rotation.
// Boxes are measured from the painted pixels; glyph shapes are never compared
// with stored pictures.
#include <gtest/gtest.h>

#include <cstdlib>

#include "pixels.h"
#include "raster/chart_canvas.h"
#include "support/error_text.h"
#include "support/temp_dir.h"

namespace kep::raster {
namespace {

using testing::PaintedBox;

class TextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    canvas_.SetUseOffscreenBuffer(false);
    canvas_.BeginDraw(bitmap_, bitmap_.Bounds());
    canvas_.SetFont(Font{"Arial", 8});
  }
  // Draws text with an opaque background and returns the painted box.
  IntRect OpaqueBox(HorizontalAlign h, VerticalAlign v, int angle) {
    bitmap_.Fill(clWhite);
    canvas_.SetBackgroundMode(BackgroundMode::kOpaque);
    canvas_.SetBackgroundColor(clYellow);
    canvas_.SetTextAlign(h, v);
    canvas_.RotatedTextOut(100, 80, kText, angle);
    return PaintedBox(bitmap_);
  }

  static constexpr const char* kText = "Length 0123";
  Bitmap bitmap_{200, 160};  // anchors at (100, 80) leave room on every side
  ChartCanvas canvas_;
};

TEST_F(TextTest, FontsResolveToInstalledFaces) {
  FontEngine& engine = canvas_.Fonts();
  EXPECT_NE(engine.FaceFile(Font{"Arial", 8}).find("LiberationSans-Regular"), std::string::npos);
  EXPECT_NE(engine.FaceFile(Font{"arial", 8, 0, true}).find("LiberationSans-Bold"), std::string::npos);
  EXPECT_NE(engine.FaceFile(Font{"Courier New", 8}).find("LiberationMono"), std::string::npos);
  EXPECT_EQ(engine.FaceFile(Font{"MS Sans Serif", 8}), engine.FaceFile(Font{"sans-serif", 8}));
  EXPECT_FALSE(engine.FaceFile(Font{"No Such Family At All", 8}).empty());
}

TEST_F(TextTest, ExtentsComeFromTheSameMetricsAsDrawing) {
  const int height = canvas_.TextHeight("W");
  EXPECT_EQ(canvas_.TextLineHeight(), height);
  EXPECT_EQ(canvas_.TextHeight("a,g"), height);
  EXPECT_GE(height, 11);  // at least the em height of 8 points
  EXPECT_LE(height, 15);
  EXPECT_EQ(canvas_.TextWidth(""), 0);
  EXPECT_EQ(canvas_.TextWidth("40 1"), canvas_.TextWidth("40") + canvas_.TextWidth(" 1"));
  EXPECT_EQ(canvas_.TextWidth("1111"), 4 * canvas_.TextWidth("1"));
  const int small = canvas_.TextWidth("Number Size");
  canvas_.SetFont(Font{"Arial", 16});
  EXPECT_GT(canvas_.TextWidth("Number Size"), small * 3 / 2);
  canvas_.SetFont(Font{"Arial", 8, 0, true});
  EXPECT_GT(canvas_.TextWidth("Number Size"), small);
  // UTF-8 and single-byte text of the same characters measure the same.
  EXPECT_EQ(canvas_.TextWidth("caf\xC3\xA9"), canvas_.TextWidth("caf\xE9"));
  EXPECT_EQ(canvas_.TextWidth("\xE2\x82\xAC"), canvas_.TextWidth("\x80"));
  EXPECT_GT(canvas_.TextWidth("\x80"), 0);
}

// Some locales group digits with spaces other than the plain one. The face
// of "Arial" has the no-break space but neither the narrow no-break space
// (U+202F) nor the thin space (U+2009); those are drawn as its space, never
// as the box of a missing glyph.
TEST_F(TextTest, SpacesTheFaceLacksAreDrawnAsItsSpace) {
  canvas_.SetTextAlign(HorizontalAlign::kLeft, VerticalAlign::kTop);
  canvas_.TextOut(20, 20, "1 000");
  const Bitmap spaced = bitmap_;
  for (const char* space : {"\xC2\xA0", "\xE2\x80\xAF", "\xE2\x80\x89"}) {
    const std::string text = std::string("1") + space + "000";
    bitmap_.Fill(clWhite);
    canvas_.TextOut(20, 20, text);
    EXPECT_EQ(canvas_.TextWidth(text), canvas_.TextWidth("1 000")) << text;
    EXPECT_EQ(bitmap_, spaced) << text;
  }
}

TEST_F(TextTest, AlignmentAnchorsTheTextCell) {
  const int w = canvas_.TextWidth(kText);
  const int h = canvas_.TextHeight(kText);
  using H = HorizontalAlign;
  using V = VerticalAlign;
  EXPECT_EQ(OpaqueBox(H::kLeft, V::kTop, 0), (IntRect{100, 80, 100 + w, 80 + h}));
  EXPECT_EQ(OpaqueBox(H::kCenter, V::kTop, 0), (IntRect{100 - w / 2, 80, 100 - w / 2 + w, 80 + h}));
  EXPECT_EQ(OpaqueBox(H::kRight, V::kTop, 0), (IntRect{100 - w, 80, 100, 80 + h}));
  EXPECT_EQ(OpaqueBox(H::kLeft, V::kBottom, 0), (IntRect{100, 80 - h, 100 + w, 80}));
  EXPECT_EQ(OpaqueBox(H::kCenter, V::kBottom, 0), (IntRect{100 - w / 2, 80 - h, 100 - w / 2 + w, 80}));
  EXPECT_EQ(OpaqueBox(H::kRight, V::kBottom, 0), (IntRect{100 - w, 80 - h, 100, 80}));
}

TEST_F(TextTest, TransparentTextInksInsideItsCell) {
  canvas_.SetFont(Font{"Arial", 8, 0, false, false, clBlue});
  canvas_.SetTextAlign(HorizontalAlign::kRight, VerticalAlign::kTop);
  canvas_.TextOut(100, 80, "40");
  const IntRect ink = PaintedBox(bitmap_);
  ASSERT_FALSE(ink.IsEmpty());
  const IntRect cell{100 - canvas_.TextWidth("40"), 80, 100, 80 + canvas_.TextLineHeight()};
  EXPECT_EQ(ink.Intersect(cell), ink);
  EXPECT_GE(ink.Height(), canvas_.TextLineHeight() / 2);  // digits are tall
  // The glyph's stems are fully covered: crisp, not only blurred grey.
  bool full = false;
  for (const std::uint32_t pixel : bitmap_.Pixels()) full = full || pixel == clBlue.ToXrgb();
  EXPECT_TRUE(full);
}

TEST_F(TextTest, EdgesBlendTheTextColourOverThePixelsRounded) {
  const Font font{"Arial", 11, 0, false, false, Color::FromRgb(0x20, 0x90, 0xD0)};
  const Color background = Color::FromRgb(0xF0, 0xE0, 0xC0);  // no extreme on any channel
  const std::uint32_t base = background.ToXrgb();
  bitmap_.Fill(background);
  canvas_.SetFont(font);
  canvas_.SetTextAlign(HorizontalAlign::kLeft, VerticalAlign::kTop);
  canvas_.TextOut(10, 20, kText);
  TextImage image;
  canvas_.Fonts().Render(font, kText, image);

  // Each channel: (text * coverage + pixel * (255 - coverage)) / 255 rounded
  // to the nearest, the reference written out here on its own.
  const auto blend = [](std::uint32_t under, std::uint32_t over, std::uint32_t alpha) {
    std::uint32_t result = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
      const std::uint32_t sum = ((over >> shift) & 0xFF) * alpha + ((under >> shift) & 0xFF) * (255 - alpha);
      result |= ((sum + 127) / 255) << shift;
    }
    return result;
  };
  int partial = 0;
  for (int v = image.top; v < image.top + image.height; ++v) {
    for (int u = image.left; u < image.left + image.width; ++u) {
      const std::uint8_t alpha = image.At(u, v);
      const std::uint32_t expected = alpha == 0 ? base : blend(base, font.color.ToXrgb(), alpha);
      ASSERT_EQ(bitmap_.Pixel(10 + u, 20 + v) & 0xFFFFFF, expected)
          << u << "," << v << " coverage " << int{alpha};
      partial += alpha != 0 && alpha != 255;
    }
  }
  EXPECT_GT(partial, 20);  // the anti-aliased edges were checked, not only full ink
}

TEST_F(TextTest, RightAnglesRotateTheCellAboutTheAnchor) {
  const int w = canvas_.TextWidth(kText);
  const int h = canvas_.TextHeight(kText);
  using H = HorizontalAlign;
  using V = VerticalAlign;
  // Counter-clockwise: at 90 degrees the text reads upwards from the anchor.
  EXPECT_EQ(OpaqueBox(H::kLeft, V::kTop, 90), (IntRect{100, 80 - w, 100 + h, 80}));
  EXPECT_EQ(OpaqueBox(H::kLeft, V::kTop, 180), (IntRect{100 - w, 80 - h, 100, 80}));
  EXPECT_EQ(OpaqueBox(H::kLeft, V::kTop, 270), (IntRect{100 - h, 80, 100, 80 + w}));
  EXPECT_EQ(OpaqueBox(H::kLeft, V::kTop, -90), OpaqueBox(H::kLeft, V::kTop, 270));
  // The left axis title: centred on y, the bottom of the cell on x.
  EXPECT_EQ(OpaqueBox(H::kCenter, V::kBottom, 90), (IntRect{100 - h, 80 - (w - w / 2), 100, 80 + w / 2}));
}

TEST_F(TextTest, QuarterTurnMovesEveryPixelExactly) {
  canvas_.SetTextAlign(HorizontalAlign::kLeft, VerticalAlign::kTop);
  canvas_.TextOut(20, 20, "Ag 19");
  const Bitmap straight = bitmap_;
  const int w = canvas_.TextWidth("Ag 19");
  const int h = canvas_.TextLineHeight();
  bitmap_.Fill(clWhite);
  canvas_.RotatedTextOut(20, 100, "Ag 19", 90);
  for (int v = 0; v < h; ++v) {
    for (int u = 0; u < w; ++u) {
      ASSERT_EQ(bitmap_.Pixel(20 + v, 99 - u), straight.Pixel(20 + u, 20 + v)) << u << "," << v;
    }
  }
}

TEST_F(TextTest, OtherAnglesAndOddInputDoNotFail) {
  canvas_.SetTextAlign(HorizontalAlign::kLeft, VerticalAlign::kTop);
  canvas_.RotatedTextOut(100, 80, "Slanted", 45);
  const IntRect box = PaintedBox(bitmap_);
  const int w = canvas_.TextWidth("Slanted");
  EXPECT_FALSE(box.IsEmpty());
  EXPECT_GE(box.Left, 100 - canvas_.TextLineHeight());
  EXPECT_LE(box.Right, 100 + w);
  EXPECT_LT(box.Top, 80);  // rises to the upper right
  canvas_.TextOut(2147483647, -2147483647 - 1, "far away");
  canvas_.RotatedTextOut(-2147483647, 2147483647, "far away", 33);
  canvas_.TextOut(0, 0, std::string("\r\n\t\0\xFF\xC3", 6));
  canvas_.SetFont(Font{"Arial", 0, 100000});
  EXPECT_GT(canvas_.TextWidth("W"), 0);
}

TEST(FontEngineTest, NoFontAtAllIsAClearError) {
  const kep::test::TempDir dir;
  const std::string config = dir.Write("empty.conf", "<?xml version=\"1.0\"?>\n<fontconfig></fontconfig>\n");
  const char* old = std::getenv("FONTCONFIG_FILE");
  const std::string saved = old != nullptr ? old : "";
  setenv("FONTCONFIG_FILE", config.c_str(), 1);
  const std::string error = kep::test::ErrorText([] { ChartCanvas canvas; });
  EXPECT_NE(error.find("No font could be found"), std::string::npos) << error;
  if (old != nullptr) {
    setenv("FONTCONFIG_FILE", saved.c_str(), 1);
  } else {
    unsetenv("FONTCONFIG_FILE");
  }
}

}  // namespace
}  // namespace kep::raster

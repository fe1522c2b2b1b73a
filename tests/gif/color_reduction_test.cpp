#include "gif/color_reduction.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gif/color_map.h"
#include "gif/gif_image.h"
#include "gif_check.h"
#include "support/error_text.h"

namespace kep::gif {
namespace {

using kep::test::ErrorText;
using test::Pixels;

std::uint32_t RGB(int r, int g, int b) { return static_cast<std::uint32_t>((r << 16) | (g << 8) | b); }

TEST(GIFColorMap, CapacityOverflowAndBitsPerPixel) {
  GIFColorMap map;
  EXPECT_EQ(map.Capacity(), 0);
  EXPECT_EQ(map.BitsPerPixel(), 0);
  EXPECT_EQ(map.ColorResolution(), -1);
  map.SetSorted(true);
  const std::vector<std::pair<int, int>> capacity_after = {{1, 16},  {16, 16},   {17, 32},
                                                           {33, 64}, {200, 224}, {256, 256}};
  std::size_t check = 0;
  for (int n = 1; n <= 256; ++n) {
    EXPECT_EQ(map.Add({static_cast<std::uint8_t>(n), 0, 0}), n - 1);
    if (check < capacity_after.size() && capacity_after[check].first == n) {
      EXPECT_EQ(map.Capacity(), capacity_after[check].second) << n << " entries";
      ++check;
    }
  }
  EXPECT_FALSE(map.Sorted());
  EXPECT_EQ(ErrorText<GIFException>([&] { map.Add({}); }), "Color table overflow");
  EXPECT_EQ(map.Count(), 256);
  EXPECT_EQ(map.BitsPerPixel(), 8);

  for (const auto& [count, bits] : std::vector<std::pair<int, int>>{
           {0, 0}, {1, 1}, {2, 1}, {3, 2}, {4, 2}, {5, 3}, {8, 3}, {9, 4}, {128, 7}, {129, 8}, {256, 8}}) {
    EXPECT_EQ(BitsPerPixelForCount(count), bits) << count;
  }
}

TEST(ReduceBitmapColors, WebPaletteByIntegerDivision) {
  const auto palette = WebPalette();
  ASSERT_EQ(palette.size(), 216u);
  EXPECT_EQ(palette[0], (GIFColor{0, 0, 0}));
  EXPECT_EQ(palette[5], (GIFColor{0, 0, 255}));
  EXPECT_EQ(palette[30], (GIFColor{0, 255, 0}));
  EXPECT_EQ(palette[180], (GIFColor{255, 0, 0}));
  EXPECT_EQ(palette[215], (GIFColor{255, 255, 255}));
  EXPECT_EQ(palette[36 * 2 + 6 * 3 + 4], (GIFColor{102, 153, 204}));

  const std::vector<std::pair<std::uint32_t, int>> cases = {
      {RGB(255, 255, 255), 215}, {RGB(0, 0, 0), 0},
      {RGB(128, 128, 128), 86},  {RGB(192, 192, 192), 129},
      {RGB(255, 0, 0), 180},     {RGB(0, 128, 0), 12},
      {RGB(0, 0, 255), 5},       {RGB(255, 255, 0), 210},
      {RGB(0, 0, 47), 0},        {RGB(0, 0, 48), 1},
      {RGB(0, 0, 251), 4},       {RGB(0, 0, 252), 5},
      {RGB(25, 0, 0), 0},        {0xFF000000u | RGB(0, 0, 255), 5}};  // the X byte is ignored
  Pixels pixels(static_cast<int>(cases.size()), 1);
  for (std::size_t i = 0; i < cases.size(); ++i) pixels.At(static_cast<int>(i), 0) = cases[i].first;
  const IndexedBitmap result =
      ReduceBitmapColors(pixels.View(), ReductionMethod::kWebPalette, DitherMode::kNearest, 8);
  ASSERT_EQ(result.palette.size(), 256u);
  EXPECT_TRUE(std::equal(palette.begin(), palette.end(), result.palette.begin()));
  for (std::size_t i = 216; i < 256; ++i) EXPECT_EQ(result.palette[i], GIFColor{});
  for (std::size_t i = 0; i < cases.size(); ++i) EXPECT_EQ(result.indices[i], cases[i].second) << i;
}

TEST(ReduceBitmapColors, EveryPixelFormatIsRead) {
  // 16 bits: components widened by shifting, so 31 gives 248, which is step 4, not 5
  // (a 6-bit green of 63 gives 252, step 5).
  const std::uint16_t rgb565[2] = {0xFFFF, static_cast<std::uint16_t>(31 << 11)};
  const std::uint16_t rgb555[2] = {0x7FFF, static_cast<std::uint16_t>(31 << 5)};
  const std::uint8_t bgr24[6] = {255, 0, 0, 0, 128, 0};  // blue, then green 128
  auto reduce = [](const void* pixels, PixelFormat format, std::ptrdiff_t stride) {
    BitmapView view{2, 1, stride, format, static_cast<const std::uint8_t*>(pixels), {}};
    return ReduceBitmapColors(view, ReductionMethod::kWebPalette, DitherMode::kNearest, 8).indices;
  };
  EXPECT_EQ(reduce(rgb565, PixelFormat::kRGB565, 4), (std::vector<std::uint8_t>{36 * 4 + 6 * 5 + 4, 36 * 4}));
  EXPECT_EQ(reduce(rgb555, PixelFormat::kRGB555, 4), (std::vector<std::uint8_t>{36 * 4 + 6 * 4 + 4, 6 * 4}));
  EXPECT_EQ(reduce(bgr24, PixelFormat::kBGR24, 6), (std::vector<std::uint8_t>{5, 12}));

  // Bottom-up memory: a negative stride from the last row.
  const std::uint32_t rows[2] = {RGB(255, 0, 0), RGB(0, 0, 255)};
  BitmapView bottom_up{1, 2, -4, PixelFormat::kXRGB32, reinterpret_cast<const std::uint8_t*>(rows + 1), {}};
  EXPECT_EQ(ReduceBitmapColors(bottom_up, ReductionMethod::kWebPalette, DitherMode::kNearest, 8).indices,
            (std::vector<std::uint8_t>{5, 180}));
}

TEST(GIFImage, IndexedBitmapsKeepTheirPaletteAndIndices) {
  const std::vector<GIFColor> palette = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}};
  const std::uint8_t one_bit[2] = {0b10110000, 0b01000000};   // 4 x 2
  const std::uint8_t four_bit[4] = {0x12, 0x0F, 0x21, 0x00};  // 3 x 2 (stride 2)
  struct Case {
    PixelFormat format;
    int width;
    std::ptrdiff_t stride;
    const std::uint8_t* pixels;
    std::vector<std::uint8_t> indices;
  };
  for (const Case& c : {Case{PixelFormat::kIndexed1, 4, 1, one_bit, {1, 0, 1, 1, 0, 1, 0, 0}},
                        Case{PixelFormat::kIndexed4, 3, 2, four_bit, {1, 2, 0, 2, 1, 0}}}) {
    GIFImage image;
    image.AssignFromBitmap({c.width, 2, c.stride, c.format, c.pixels, palette});
    const GIFSubImage& frame = image.Images()[0];
    EXPECT_TRUE(std::equal(frame.ColorMap().Colors().begin(), frame.ColorMap().Colors().end(),
                           palette.begin(), palette.end()));
    EXPECT_TRUE(std::equal(frame.Data().begin(), frame.Data().end(), c.indices.begin(), c.indices.end()));
    test::WriteChecked(image);
  }
}

TEST(ReduceBitmapColors, OtherMethods) {
  Pixels pixels(5, 1);
  pixels.At(0, 0) = RGB(0, 0, 0);
  pixels.At(1, 0) = RGB(100, 100, 100);
  pixels.At(2, 0) = RGB(170, 170, 170);
  pixels.At(3, 0) = RGB(255, 0, 0);
  pixels.At(4, 0) = RGB(100, 100, 100);
  auto reduce = [&](ReductionMethod method) {
    return ReduceBitmapColors(pixels.View(), method, DitherMode::kNearest, 8);
  };
  const IndexedBitmap none = reduce(ReductionMethod::kNone);
  EXPECT_EQ(none.indices, (std::vector<std::uint8_t>{0, 1, 2, 3, 1}));
  EXPECT_EQ(none.palette, (std::vector<GIFColor>{{0, 0, 0}, {100, 100, 100}, {170, 170, 170}, {255, 0, 0}}));

  const IndexedBitmap grays = reduce(ReductionMethod::kFourGrays);
  EXPECT_EQ(grays.indices, (std::vector<std::uint8_t>{0, 1, 2, 1, 1}));
  EXPECT_EQ(grays.palette.size(), 4u);

  // 77 R + 150 G + 29 B: 100 gray gives 25600, 170 gray 43520, red 19635.
  EXPECT_EQ(reduce(ReductionMethod::kMonochrome).indices, (std::vector<std::uint8_t>{0, 0, 1, 0, 0}));
  EXPECT_EQ(reduce(ReductionMethod::kGrayScale).indices, (std::vector<std::uint8_t>{0, 100, 170, 76, 100}));

  for (int method : {1, 2, 7, 8, 9, 10}) {
    EXPECT_EQ(ErrorText<GIFException>([&] { reduce(static_cast<ReductionMethod>(method)); }),
              "Color reduction method " + std::to_string(method) + " is not supported");
  }
  EXPECT_EQ(ErrorText<GIFException>([&] {
              ReduceBitmapColors(pixels.View(), ReductionMethod::kWebPalette, static_cast<DitherMode>(1), 8);
            }),
            "Dither kind 1 is not supported");
  EXPECT_EQ(ErrorText<GIFException>([&] {
              ReduceBitmapColors(Pixels(0, 3).View(), ReductionMethod::kWebPalette, DitherMode::kNearest, 8);
            }),
            "Invalid image dimensions");
}

TEST(ReduceBitmapColors, DistinctColoursStopAt256) {
  Pixels pixels(257, 1);
  for (int x = 0; x < 257; ++x) pixels.At(x, 0) = static_cast<std::uint32_t>(x);
  GIFImage image;
  image.SetColorReduction(ReductionMethod::kNone);
  EXPECT_EQ(ErrorText<GIFException>([&] { image.AssignFromBitmap(pixels.View()); }), "Color table overflow");
  EXPECT_EQ(image.Images().Count(), 0) << "a failed fill leaves the image cleared";
  EXPECT_EQ(image.Width(), 0);

  pixels.At(256, 0) = 5;
  image.AssignFromBitmap(pixels.View());
  EXPECT_EQ(image.Images()[0].ColorMap().Count(), 256);
  test::WriteChecked(image);
}

}  // namespace
}  // namespace kep::gif

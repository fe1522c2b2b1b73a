#include "raster/bitmap.h"

#include <gtest/gtest.h>
#include <malloc.h>

#include <fstream>
#include <new>
#include <sstream>

#include "raster/font.h"
#include "support/address_space_limit.h"
#include "support/temp_dir.h"

namespace kep::raster {
namespace {

TEST(BitmapTest, CreatedAndResizedWhite) {
  Bitmap bitmap(3, 2);
  EXPECT_EQ(bitmap.Width(), 3);
  EXPECT_EQ(bitmap.Height(), 2);
  for (const std::uint32_t pixel : bitmap.Pixels()) EXPECT_EQ(pixel, 0xFFFFFFu);
  bitmap.Fill(clBlue);
  EXPECT_EQ(bitmap.Pixel(2, 1), 0x0000FFu);  // blue is the low byte of an XRGB pixel
  bitmap.Resize(4, 4);
  EXPECT_EQ(bitmap.Pixel(3, 3), 0xFFFFFFu);
  bitmap.Resize(-5, 7);
  EXPECT_EQ(bitmap.Width(), 0);
  EXPECT_TRUE(bitmap.Pixels().empty());
}

TEST(BitmapTest, ShrinkingGivesMemoryBackAndAFailedResizeLeavesItEmpty) {
  if (test::kAddressSanitizer) GTEST_SKIP() << "AddressSanitizer keeps its own heap and address space";
  // Buffers this large are mapped on their own, and unmapped when freed.
  const auto mapped = [] { return mallinfo2().hblkhd; };
  const std::size_t before = mapped();
  Bitmap bitmap(4000, 4000);
  EXPECT_GE(mapped(), before + 4000u * 4000 * 4);
  bitmap.Resize(10, 10);
  EXPECT_LT(mapped(), before + (1u << 20));
  EXPECT_EQ(bitmap.Pixel(9, 9), 0xFFFFFFu);

  const test::AddressSpaceLimit limit(64u << 20);
  EXPECT_THROW(bitmap.Resize(30000, 30000), std::bad_alloc);
  EXPECT_EQ(bitmap.Width(), 0);
  EXPECT_EQ(bitmap.Height(), 0);
  EXPECT_TRUE(bitmap.Pixels().empty());
}

TEST(BitmapTest, CopyFromIsClipped) {
  Bitmap source(3, 3);
  source.Fill(clRed);
  Bitmap target(4, 4);
  target.CopyFrom(source, 2, -1);
  EXPECT_EQ(target.Pixel(2, 0), clRed.ToXrgb());
  EXPECT_EQ(target.Pixel(3, 1), clRed.ToXrgb());
  EXPECT_EQ(target.Pixel(1, 0), clWhite.ToXrgb());
  EXPECT_EQ(target.Pixel(2, 2), clWhite.ToXrgb());
  target.CopyFrom(source, 2147483647, -2147483647 - 1);  // far away: nothing
  target.CopyFrom(source, -2147483647 - 1, 0);
  EXPECT_EQ(target.Pixel(0, 0), clWhite.ToXrgb());
}

TEST(BitmapTest, WritesPpm) {
  Bitmap bitmap(2, 1);
  bitmap.SetPixel(1, 0, 0x102030);
  const kep::test::TempDir dir;
  ASSERT_TRUE(WritePpm(bitmap, dir.File("picture.ppm")));
  std::ifstream file(dir.File("picture.ppm"), std::ios::binary);
  std::stringstream bytes;
  bytes << file.rdbuf();
  EXPECT_EQ(bytes.str(), std::string("P6\n2 1\n255\n\xFF\xFF\xFF\x10\x20\x30"));
  EXPECT_FALSE(WritePpm(bitmap, dir.File("missing/picture.ppm")));
}

TEST(GeometryTest, IntersectAndContains) {
  const IntRect a{0, 0, 10, 10};
  EXPECT_EQ(a.Intersect({5, -5, 20, 5}), (IntRect{5, 0, 10, 5}));
  EXPECT_TRUE(a.Intersect({20, 20, 30, 30}).IsEmpty());
  EXPECT_EQ(a.Intersect({20, 20, 30, 30}).Width(), 0);
  EXPECT_TRUE(a.Contains({0, 9}));
  EXPECT_FALSE(a.Contains({10, 0}));
}

TEST(ColorTest, PixelsAndFontSizes) {
  EXPECT_EQ(Color::FromRgb(1, 2, 3).ToXrgb(), 0x010203u);
  EXPECT_EQ(Color::FromXrgb(0x010203), Color::FromRgb(1, 2, 3));
  EXPECT_EQ((Font{"Arial", 8}).EmPixels(), 11);
  EXPECT_EQ((Font{"Arial", 10}).EmPixels(), 13);
  EXPECT_EQ((Font{"Arial", 9}).EmPixels(), 12);
  EXPECT_EQ((Font{"Arial", 8, 20}).EmPixels(), 20);
  EXPECT_EQ((Font{"Arial", 0}).EmPixels(), 1);
  EXPECT_EQ((Font{"Arial", -8}).EmPixels(), 11);
}

}  // namespace
}  // namespace kep::raster

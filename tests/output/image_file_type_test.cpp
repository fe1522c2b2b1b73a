#include "output/image_file_type.h"

#include <gtest/gtest.h>

namespace kep::output {
namespace {

TEST(ImageFileTypeTest, TheLastExtensionOfTheNameChoosesTheFormatInAnyCase) {
  EXPECT_EQ(ImageFormatOf("/charts/x.gif"), ImageFormat::kGif);
  EXPECT_EQ(ImageFormatOf("x.kep.PNG"), ImageFormat::kPng);
  EXPECT_EQ(ImageFormatOf("x.Gif"), ImageFormat::kGif);
  EXPECT_EQ(ImageFormatOf(".png"), ImageFormat::kPng);
  EXPECT_EQ(ImageFormatOf("x.SVG"), ImageFormat::kSvg);
  EXPECT_EQ(ImageFormatOf("x.pdf"), ImageFormat::kPdf);
  EXPECT_EQ(ImageFormatOf("x.png.txt"), std::nullopt);
  EXPECT_EQ(ImageFormatOf("x.gif."), std::nullopt);
  EXPECT_EQ(ImageFormatOf("x.pngx"), std::nullopt);
  // A dot in a folder's name is no extension of the file's.
  EXPECT_EQ(ImageFormatOf("/charts.gif/x"), std::nullopt);
  EXPECT_EQ(ImageFormatOf("charts.png/"), std::nullopt);
  EXPECT_EQ(ImageFormatOf(""), std::nullopt);
}

}  // namespace
}  // namespace kep::output

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/error.h"
#include "gif/gif_image.h"
#include "gif_check.h"
#include "support/error_text.h"
#include "support/temp_dir.h"

namespace kep::gif {
namespace {

using kep::test::ErrorText;
using test::Bytes;
using test::Pixels;

std::vector<std::uint8_t> Concat(std::initializer_list<std::vector<std::uint8_t>> parts) {
  std::vector<std::uint8_t> all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

std::vector<std::uint8_t> WebColorTable() {
  std::vector<std::uint8_t> table(768, 0);
  for (int n = 0; n < 216; ++n) {
    table[3 * n] = static_cast<std::uint8_t>(51 * (n / 36));
    table[3 * n + 1] = static_cast<std::uint8_t>(51 * (n / 6 % 6));
    table[3 * n + 2] = static_cast<std::uint8_t>(51 * (n % 6));
  }
  return table;
}

std::vector<std::uint8_t> FileBytes(const std::string& path) {
  const std::string text = kep::test::ReadFileBytes(path);
  return {text.begin(), text.end()};
}

// A chart-like picture: white, a gray wall, black axes, a blue line and some text-like blobs.
Pixels ChartLike(int width, int height) {
  Pixels pixels(width, height);
  for (int y = 40; y < height - 40; ++y) {
    for (int x = 60; x < width - 20; ++x) pixels.At(x, y) = 0xC0C0C0;
  }
  for (int x = 60; x < width - 20; ++x) pixels.At(x, height - 40) = 0;
  for (int y = 40; y < height - 40; ++y) pixels.At(60, y) = 0;
  for (int x = 61; x < width - 20; ++x) pixels.At(x, height - 41 - (x * 7 / 5) % (height - 90)) = 0x0000FF;
  for (int i = 0; i < 40; ++i) {
    for (int y = 0; y < 9; ++y) {
      for (int x = 0; x < 6; ++x) {
        const int px = 10 + (i % 5) * 8 + x;
        const int py = 50 + (i / 5) * 40 + y;
        if ((x * 3 + y * 5 + i) % 4 == 0 && px < width && py < height) pixels.At(px, py) = 0x000000;
      }
    }
  }
  return pixels;
}

TEST(WriteGIFStream, ZeroSizedBitmapGivesTheFourteenByteFile) {
  GIFImage image;
  image.AssignFromBitmap(Pixels(0, 0).View());
  EXPECT_EQ(image.Images().Count(), 1);
  EXPECT_EQ(test::WriteChecked(image),
            Concat({Bytes({'G', 'I', 'F', '8', '7', 'a'}), Bytes({0, 0, 0, 0, 0x77, 0, 0, 0x3B})}));
}

TEST(WriteGIFStream, OneWhitePixel) {
  GIFImage image;
  image.AssignFromBitmap(Pixels(1, 1).View());
  EXPECT_EQ(test::WriteChecked(image), Concat({Bytes({'G', 'I', 'F', '8', '7', 'a', 1, 0, 1, 0, 0x77, 0, 0}),
                                               Bytes({0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0x87}), WebColorTable(),
                                               Bytes({0x08, 0x04, 0x00, 0xAF, 0x05, 0x04, 0x00, 0x3B})}));
}

TEST(WriteGIFStream, ChartLayoutAndGiflibAgreement) {
  const Pixels chart = ChartLike(753, 561);
  GIFImage image;
  std::vector<std::string> notices;
  image.OnProgress = [&](ProgressStage stage, int percent, std::string_view message) {
    notices.push_back(std::string(message) + " " + std::to_string(static_cast<int>(stage)) + " " +
                      std::to_string(percent));
  };
  image.AssignFromBitmap(chart.View());
  const GIFSubImage& frame = image.Images()[0];
  EXPECT_EQ(image.Width(), 753);
  EXPECT_EQ(image.Height(), 561);
  EXPECT_EQ(frame.Left(), 0);
  EXPECT_EQ(frame.Top(), 0);
  EXPECT_EQ(frame.ColorMap().Count(), 256);
  EXPECT_EQ(frame.Data()[0], 215);
  EXPECT_EQ(frame.Data()[100 * 753 + 100], 129);  // the gray wall
  ASSERT_EQ(notices.size(), 2u + (561 - 1) / 32);
  EXPECT_EQ(notices.front(), "Converting... 0 0");
  EXPECT_EQ(notices[1], "Converting... 1 6");  // row 32 of 561
  EXPECT_EQ(notices.back(), "Converting... 2 100");

  notices.clear();
  const std::vector<std::uint8_t> bytes = test::WriteChecked(image);
  EXPECT_EQ(notices, (std::vector<std::string>{"Saving... 0 0", "Saving... 1 100", "Saving... 2 100"}));
  ASSERT_GT(bytes.size(), 800u);
  EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 23),
            Bytes({'G', 'I',  'F', '8', '7', 'a', 0xF1, 0x02, 0x31, 0x02, 0x77, 0,
                   0,   0x2C, 0,   0,   0,   0,   0xF1, 0x02, 0x31, 0x02, 0x87}));
  EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 23, bytes.begin() + 791), WebColorTable());
  EXPECT_EQ(bytes[791], 8);
  EXPECT_EQ(bytes[bytes.size() - 2], 0);
  EXPECT_EQ(bytes.back(), 0x3B);
}

TEST(WriteGIFStream, VersionFlagsAndTablesFollowTheMaps) {
  GIFImage image;
  MemoryStream empty;
  EXPECT_EQ(ErrorText<GIFException>([&] { image.WriteGIFStream(empty); }), "Unsupported GIF version");
  EXPECT_TRUE(empty.Bytes().empty());

  // A frame without a local map, interlaced, drawn with a sorted 5-entry global map.
  const std::vector<GIFColor> colors = {{10, 0, 0}, {20, 0, 0}, {30, 0, 0}, {40, 0, 0}, {50, 0, 0}};
  std::vector<std::uint8_t> pixels(7 * 19);
  for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<std::uint8_t>(i * i % 5);
  image.AssignFromBitmap({7, 19, 7, PixelFormat::kIndexed8, pixels.data(), colors});
  GIFSubImage& frame = image.Images()[0];
  frame.ColorMap().Clear();
  frame.SetFlags(0x40);
  image.Header().ColorMap().Assign(colors);
  image.Header().ColorMap().SetSorted(true);
  frame.Extensions().push_back({0xFE, {'h', 'i'}});
  const std::vector<std::uint8_t> bytes = test::WriteChecked(image);
  // 89a for the extension; global table flag, sorted, resolution 2, size 2.
  EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 13),
            Bytes({'G', 'I', 'F', '8', '9', 'a', 7, 0, 19, 0, 0x80 | 0x20 | 0x08 | 2, 0, 0}));
  const std::size_t after_table = 13 + 3 * 8;
  EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 13, bytes.begin() + 19), Bytes({10, 0, 0, 20, 0, 0}));
  EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + after_table, bytes.begin() + after_table + 16),
            Bytes({0x21, 0xFE, 2, 'h', 'i', 0, 0x2C, 0, 0, 0, 0, 7, 0, 19, 0, 0x40}));
}

TEST(WriteGIFStream, PixelsBeyondTheColourCountAreRefused) {
  const std::vector<GIFColor> colors = {{0, 0, 0}, {1, 1, 1}, {2, 2, 2}, {3, 3, 3}};
  const std::uint8_t pixels[4] = {0, 1, 10, 3};
  GIFImage image;
  image.AssignFromBitmap({2, 2, 2, PixelFormat::kIndexed8, pixels, colors});
  MemoryStream stream;
  EXPECT_EQ(ErrorText<GIFException>([&] { image.WriteGIFStream(stream); }), "Color not in color table");
}

TEST(WriteGIFStream, SizesBeyondSixteenBitsAreRefusedBeforeWriting) {
  std::vector<std::uint32_t> row(65536, 0xFFFFFF);
  GIFImage image;
  EXPECT_EQ(ErrorText<GIFException>(
                [&] { image.AssignFromBitmap(BitmapView::XRGB32(row.data(), 65536, 1, 65536)); }),
            "Image is too large for GIF");
  EXPECT_EQ(image.Images().Count(), 0);
  EXPECT_THROW(image.AssignFromBitmap(BitmapView::XRGB32(row.data(), 1, 65536, 1)), GIFException);
  image.AssignFromBitmap(BitmapView::XRGB32(row.data(), 65535, 1, 65535));
  test::WriteChecked(image);
}

class WriteGIFFile : public ::testing::Test {
 protected:
  std::size_t FilesInFolder() const {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir.path()), {}));
  }
  kep::test::TempDir dir;
};

TEST_F(WriteGIFFile, WritesAndReplacesCompletely) {
  const std::string path = dir.Write("chart.gif", std::string(5000, 'x'));
  const Pixels chart = ChartLike(120, 80);
  SaveBitmapAsGIF(chart.View(), path);
  const std::vector<std::uint8_t> bytes = FileBytes(path);
  GIFImage image;
  image.AssignFromBitmap(chart.View());
  EXPECT_EQ(bytes, test::WriteChecked(image));
  EXPECT_EQ(FilesInFolder(), 1u);
}

TEST_F(WriteGIFFile, FailuresRaiseAndLeaveThePreviousFile) {
  const std::string previous = "previous content";
  const std::string path = dir.Write("chart.gif", previous);
  const std::string plain_file = dir.Write("plain", "x");
  GIFImage image;
  image.AssignFromBitmap(Pixels(3, 3).View());

  EXPECT_EQ(ErrorText<FileError>([&] { image.WriteGIFFile(plain_file + "/x.gif"); }),
            "Cannot create file \"" + plain_file + "/x.gif\". Not a directory");
  EXPECT_EQ(ErrorText<FileError>([&] { image.WriteGIFFile(dir.File("missing/x.gif")); }),
            "Cannot create file \"" + dir.File("missing/x.gif") + "\". No such file or directory");
  EXPECT_EQ(ErrorText<FileError>([&] { image.WriteGIFFile(dir.path().string()); }),
            "Cannot create file \"" + dir.path().string() + "\". Is a directory");
  EXPECT_EQ(ErrorText<FileError>([&] { image.WriteGIFFile("/dev/full"); }), "Stream write error");

  // A failure in the middle of writing leaves the old file and no temporary one.
  const std::vector<GIFColor> colors = {{0, 0, 0}, {1, 1, 1}};
  const std::uint8_t pixels[2] = {0, 9};
  GIFImage bad;
  bad.AssignFromBitmap({2, 1, 2, PixelFormat::kIndexed8, pixels, colors});
  EXPECT_THROW(bad.WriteGIFFile(path), GIFException);
  GIFImage no_frames;
  EXPECT_THROW(no_frames.WriteGIFFile(path), GIFException);
  EXPECT_EQ(kep::test::ReadFileBytes(path), previous);
  EXPECT_EQ(FilesInFolder(), 2u);
}

TEST_F(WriteGIFFile, WritingThroughALinkReplacesTheLinkedFile) {
  const std::string target = dir.Write("target.gif", "old");
  const std::string link = dir.File("link.gif");
  std::filesystem::create_symlink(target, link);
  SaveBitmapAsGIF(Pixels(2, 2).View(), link);
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(FileBytes(target).size(), 13u + 10 + 768 + 1 + 1 + 6 + 1 + 1);
}

}  // namespace
}  // namespace kep::gif

#include "png/png_writer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#include "common/error.h"
#include "png/png_check.h"
#include "support/error_text.h"
#include "support/temp_dir.h"

namespace kep::png {
namespace {

using kep::test::ErrorText;

// Pixels with every value of each channel somewhere, and the unused top byte set.
std::vector<std::uint32_t> TestPixels(int width, int height, int stride) {
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(stride) * height, 0xFF000000u);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::uint32_t i = static_cast<std::uint32_t>(y * width + x);
      pixels[static_cast<std::size_t>(y) * stride + x] =
          0xAB000000u | (i * 7 % 256) << 16 | (i * 13 % 256) << 8 | i % 256;
    }
  }
  return pixels;
}

std::string Encode(const output::BitmapView& bitmap) {
  output::MemoryStream out;
  WritePNG(bitmap, out);
  return {out.Bytes().begin(), out.Bytes().end()};
}

TEST(PngWriterTest, LibpngReadsBackExactlyThePixels) {
  // A stride wider than the rows, and sizes that are not multiples of anything.
  constexpr int kWidth = 37, kHeight = 23, kStride = 40;
  const std::vector<std::uint32_t> pixels = TestPixels(kWidth, kHeight, kStride);
  const std::string bytes = Encode(output::BitmapView::XRGB32(pixels.data(), kWidth, kHeight, kStride));
  const test::Decoded decoded = test::DecodeWithLibpng(bytes);
  ASSERT_TRUE(decoded.ok) << decoded.error;
  ASSERT_EQ(decoded.width, kWidth);
  ASSERT_EQ(decoded.height, kHeight);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      ASSERT_EQ(decoded.pixels[static_cast<std::size_t>(y) * kWidth + x],
                pixels[static_cast<std::size_t>(y) * kStride + x] & 0xFFFFFFu)
          << x << "," << y;
    }
  }
  // The same pixels always give the same bytes.
  EXPECT_EQ(Encode(output::BitmapView::XRGB32(pixels.data(), kWidth, kHeight, kStride)), bytes);
}

TEST(PngWriterTest, BitmapsItCannotEncodeRaiseErrors) {
  const std::uint8_t indexed[4] = {};
  output::BitmapView other{2, 2, 2, output::PixelFormat::kIndexed8, indexed, {}};
  output::MemoryStream out;
  EXPECT_THROW(WritePNG(other, out), Error);
  // An image without pixels has no PNG form.
  EXPECT_THROW(WritePNG(output::BitmapView::XRGB32(nullptr, 0, 0, 0), out), Error);
  EXPECT_TRUE(out.Bytes().empty());
}

// An output that takes a few bytes and then fails, as a full disk does.
class FailingStream : public output::OutputStream {
 public:
  explicit FailingStream(std::size_t room) : room_(room) {}
  void Write(const void*, std::size_t size) override {
    if (size > room_) output::ThrowWriteError();
    room_ -= size;
  }

 private:
  std::size_t room_;
};

TEST(PngWriterTest, TheStreamsErrorReachesTheCaller) {
  const std::vector<std::uint32_t> pixels = TestPixels(64, 64, 64);
  for (const std::size_t room : {0u, 8u, 40u, 200u}) {
    FailingStream out(room);
    EXPECT_EQ(
        ErrorText<FileError>([&] { WritePNG(output::BitmapView::XRGB32(pixels.data(), 64, 64, 64), out); }),
        "Stream write error")
        << "after " << room << " bytes";
    // Once handled, the error is gone: no handler is left open behind it.
    EXPECT_EQ(std::current_exception(), nullptr) << "after " << room << " bytes";
  }
}

TEST(PngWriterTest, SavingReplacesTheFileOnlyWithACompleteOne) {
  kep::test::TempDir dir;
  const std::vector<std::uint32_t> pixels = TestPixels(10, 10, 10);
  const auto bitmap = output::BitmapView::XRGB32(pixels.data(), 10, 10, 10);
  const std::string path = dir.Write("chart.png", "old");
  SaveBitmapAsPNG(bitmap, path);
  EXPECT_EQ(kep::test::ReadFileBytes(path), Encode(bitmap));

  // A failed encoding leaves the old file and no temporary one.
  dir.Write("chart.png", "old");
  EXPECT_THROW(SaveBitmapAsPNG(output::BitmapView::XRGB32(nullptr, 0, 0, 0), path), Error);
  EXPECT_EQ(kep::test::ReadFileBytes(path), "old");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);

  EXPECT_EQ(ErrorText<FileError>([&] { SaveBitmapAsPNG(bitmap, dir.File("missing/chart.png")); }),
            "Cannot create file \"" + dir.File("missing/chart.png") + "\". No such file or directory");
}

}  // namespace
}  // namespace kep::png

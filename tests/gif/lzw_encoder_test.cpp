#include "gif/lzw_encoder.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "gif/gif_image.h"
#include "gif_check.h"
#include "support/error_text.h"

namespace kep::gif {
namespace {

using kep::test::ErrorText;
using test::Bytes;

std::vector<std::uint8_t> Encode(int bits, int width, int height, const std::vector<std::uint8_t>& raster,
                                 int colors) {
  MemoryStream stream;
  LZWEncoder encoder;
  encoder.Encode(stream, bits, width, height, false, raster.empty() ? nullptr : raster.data(), colors);
  return stream.Bytes();
}

// The data bytes of the sub-blocks after the code size byte; checks the block structure on the way.
std::vector<std::uint8_t> Unblock(const std::vector<std::uint8_t>& encoded,
                                  std::vector<int>* lengths = nullptr) {
  std::vector<std::uint8_t> data;
  std::size_t i = 1;
  while (encoded.at(i) != 0) {
    const int length = encoded[i];
    if (lengths) lengths->push_back(length);
    data.insert(data.end(), encoded.begin() + static_cast<long>(i) + 1,
                encoded.begin() + static_cast<long>(i) + 1 + length);
    i += 1 + static_cast<std::size_t>(length);
  }
  EXPECT_EQ(i + 1, encoded.size()) << "bytes after the terminator";
  return data;
}

unsigned ReadBits(const std::vector<std::uint8_t>& data, long position, int count) {
  unsigned value = 0;
  for (int b = 0; b < count; ++b) {
    const long bit = position + b;
    value |= ((data.at(static_cast<std::size_t>(bit / 8)) >> (bit % 8)) & 1u) << b;
  }
  return value;
}

TEST(LZWEncoder, SmallFramesGiveTheDocumentedBytes) {
  EXPECT_EQ(Encode(8, 1, 1, {215}, 256), Bytes({0x08, 0x04, 0x00, 0xAF, 0x05, 0x04, 0x00}));
  // Clear 4, 0, 6, 0 at 3 bits; the end code 5 at 4 bits after the width grew.
  EXPECT_EQ(Encode(2, 2, 2, {0, 0, 0, 0}, 4), Bytes({0x02, 0x02, 0x84, 0x51, 0x00}));
  // One bit per pixel still uses code size 2: the same codes as with 4 colours.
  EXPECT_EQ(Encode(1, 2, 2, {0, 0, 0, 0}, 2), Bytes({0x02, 0x02, 0x84, 0x51, 0x00}));
  // No pixels: only the end code, without a clear before it.
  EXPECT_EQ(Encode(8, 0, 0, {}, 256), Bytes({0x08, 0x02, 0x01, 0x01, 0x00}));
}

TEST(LZWEncoder, PixelsBeyondTheColourCountAreRefused) {
  EXPECT_EQ(ErrorText<GIFException>([] { Encode(2, 3, 1, {0, 1, 4}, 4); }), "Color not in color table");
  EXPECT_THROW(Encode(2, 1, 1, {7}, 4), GIFException);  // the very first pixel
  EXPECT_THROW(Encode(8, 2, 1, {0, 200}, 100), GIFException);
}

// Pixels whose consecutive pairs never repeat (the start of a de Bruijn sequence of
// order 2 over 256 symbols): every pixel after the first emits one code.
void DeBruijn(int t, int p, std::vector<int>& a, std::vector<std::uint8_t>& out, std::size_t count) {
  if (out.size() >= count) return;
  if (t > 2) {
    if (2 % p == 0) {
      for (int i = 1; i <= p; ++i) out.push_back(static_cast<std::uint8_t>(a[static_cast<std::size_t>(i)]));
    }
    return;
  }
  a[static_cast<std::size_t>(t)] = a[static_cast<std::size_t>(t - p)];
  DeBruijn(t + 1, p, a, out, count);
  for (int j = a[static_cast<std::size_t>(t - p)] + 1; j < 256; ++j) {
    a[static_cast<std::size_t>(t)] = j;
    DeBruijn(t + 1, t, a, out, count);
  }
}

std::vector<std::uint8_t> DistinctPairs(std::size_t count) {
  std::vector<int> a(3, 0);
  std::vector<std::uint8_t> pixels;
  DeBruijn(1, 1, a, pixels, count);
  pixels.resize(count);
  return pixels;
}

TEST(LZWEncoder, CodeWidthGrowsAndTheFirstClearComesAt4095TwelveBitsWide) {
  const std::size_t count = 5000;
  const std::vector<std::uint8_t> pixels = DistinctPairs(count);
  const std::vector<std::uint8_t> data = Unblock(Encode(8, static_cast<int>(count), 1, pixels, 256));
  // The clear, then the data code emitted while the next free code is n goes out at
  // 9 bits for n <= 512, 10 up to 1024, 11 up to 2048 and 12 up to 4095.
  long position = 0;
  EXPECT_EQ(ReadBits(data, position, 9), 256u);
  position += 9;
  for (int next_free = 258; next_free <= 4095; ++next_free) {
    const int width = next_free <= 512 ? 9 : next_free <= 1024 ? 10 : next_free <= 2048 ? 11 : 12;
    ASSERT_EQ(ReadBits(data, position, width), pixels[static_cast<std::size_t>(next_free - 258)])
        << "next free code " << next_free;
    position += width;
  }
  EXPECT_EQ(ReadBits(data, position, 12), 256u) << "the clear after code 4095 is 12 bits wide";
  position += 12;
  EXPECT_EQ(ReadBits(data, position, 9), pixels[4095 - 258 + 1]) << "9 bits again after the clear";
}

TEST(LZWEncoder, BlocksAreFullButTheLastAndAnExactMultipleEndsWithAFullBlock) {
  std::mt19937 random(7);
  bool exact_multiple_seen = false;
  for (int width = 300; width < 1200 && !exact_multiple_seen; ++width) {
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width));
    for (auto& p : pixels) p = static_cast<std::uint8_t>(random() % 256);
    std::vector<int> lengths;
    const std::vector<std::uint8_t> encoded = Encode(8, width, 1, pixels, 256);
    const std::vector<std::uint8_t> data = Unblock(encoded, &lengths);
    for (std::size_t i = 0; i + 1 < lengths.size(); ++i) ASSERT_EQ(lengths[i], 255);
    ASSERT_GT(lengths.back(), 0);
    if (data.size() % 255 == 0) {
      exact_multiple_seen = true;
      EXPECT_EQ(lengths.back(), 255);
      EXPECT_EQ(encoded[encoded.size() - 2 - 255], 255) << "the last block is full";
      EXPECT_EQ(encoded.back(), 0);
    }
  }
  EXPECT_TRUE(exact_multiple_seen);
}

TEST(LZWEncoder, GiflibDecodesLongAndVariedFrames) {
  // Noise (many clears), long runs, few colours, a single column.
  std::mt19937 random(11);
  struct Case {
    int width, height, colors;
    bool noise;
  };
  for (const Case c : {Case{301, 217, 256, true}, Case{640, 480, 256, false}, Case{97, 61, 2, true},
                       Case{200, 150, 16, true}, Case{1, 500, 4, true}}) {
    GIFImage image;
    std::vector<GIFColor> palette;
    for (int i = 0; i < c.colors; ++i) palette.push_back({static_cast<std::uint8_t>(i), 0, 0});
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(c.width) * c.height);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
      pixels[i] = static_cast<std::uint8_t>(c.noise ? random() % c.colors : (i / 997) % c.colors);
    }
    BitmapView view{c.width, c.height, c.width, PixelFormat::kIndexed8, pixels.data(), palette};
    image.AssignFromBitmap(view);
    test::WriteChecked(image);
  }
}

}  // namespace
}  // namespace kep::gif

#pragma once

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "gif/gif_image.h"

namespace kep::gif::test {

// What giflib reads back from a GIF file's bytes.
struct Decoded {
  bool ok = false;
  int width = 0;
  int height = 0;
  struct Frame {
    int width = 0;
    int height = 0;
    std::vector<GIFColor> palette;
    std::vector<std::uint8_t> raster;
  };
  std::vector<Frame> frames;
};

inline Decoded DecodeWithGiflib(const std::vector<std::uint8_t>& bytes) {
  struct Reader {
    const std::vector<std::uint8_t>* bytes;
    std::size_t position = 0;
  } reader{&bytes};
  auto read = [](GifFileType* file, GifByteType* out, int size) -> int {
    auto* r = static_cast<Reader*>(file->UserData);
    const std::size_t n =
        std::min<std::size_t>(static_cast<std::size_t>(size), r->bytes->size() - r->position);
    std::memcpy(out, r->bytes->data() + r->position, n);
    r->position += n;
    return static_cast<int>(n);
  };
  Decoded decoded;
  int error = 0;
  GifFileType* file = DGifOpen(&reader, read, &error);
  if (file == nullptr) return decoded;
  // giflib reports a file that reaches its trailer without any image as an error of its own.
  if (DGifSlurp(file) == GIF_OK || (file->Error == D_GIF_ERR_NO_IMAG_DSCR && file->ImageCount == 0)) {
    decoded.ok = true;
    decoded.width = file->SWidth;
    decoded.height = file->SHeight;
    for (int i = 0; i < file->ImageCount; ++i) {
      const SavedImage& image = file->SavedImages[i];
      Decoded::Frame frame;
      frame.width = image.ImageDesc.Width;
      frame.height = image.ImageDesc.Height;
      const ColorMapObject* map = image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : file->SColorMap;
      for (int c = 0; map != nullptr && c < map->ColorCount; ++c) {
        frame.palette.push_back({map->Colors[c].Red, map->Colors[c].Green, map->Colors[c].Blue});
      }
      frame.raster.assign(image.RasterBits, image.RasterBits + frame.width * frame.height);
      decoded.frames.push_back(std::move(frame));
    }
  }
  DGifCloseFile(file, &error);
  return decoded;
}

// giflib must give back exactly the image's palette (padded with black to a
// power of two) and index raster for every frame that has pixels.
inline void ExpectGiflibAgrees(const std::vector<std::uint8_t>& bytes, const GIFImage& image) {
  const Decoded decoded = DecodeWithGiflib(bytes);
  ASSERT_TRUE(decoded.ok) << "giflib could not read the file";
  EXPECT_EQ(decoded.width, image.Width());
  EXPECT_EQ(decoded.height, image.Height());
  std::size_t next = 0;
  for (int i = 0; i < image.Images().Count(); ++i) {
    const GIFSubImage& frame = image.Images()[i];
    if (frame.Empty()) continue;
    ASSERT_LT(next, decoded.frames.size());
    const Decoded::Frame& got = decoded.frames[next++];
    const GIFColorMap& map = frame.ColorMap().Count() > 0 ? frame.ColorMap() : image.Header().ColorMap();
    std::vector<GIFColor> expected(map.Colors().begin(), map.Colors().end());
    expected.resize(std::size_t{1} << map.BitsPerPixel(), GIFColor{});
    EXPECT_EQ(got.width, frame.Width());
    EXPECT_EQ(got.height, frame.Height());
    EXPECT_TRUE(got.palette == expected) << "palette differs in frame " << i;
    EXPECT_TRUE(std::equal(got.raster.begin(), got.raster.end(), frame.Data().begin(), frame.Data().end()))
        << "index raster differs in frame " << i;
  }
  EXPECT_EQ(next, decoded.frames.size());
}

// Writes the image to memory and checks it with giflib.
inline std::vector<std::uint8_t> WriteChecked(const GIFImage& image) {
  MemoryStream stream;
  image.WriteGIFStream(stream);
  ExpectGiflibAgrees(stream.Bytes(), image);
  return stream.Bytes();
}

// A 32-bit XRGB bitmap held by the test.
struct Pixels {
  int width;
  int height;
  std::vector<std::uint32_t> words;
  Pixels(int w, int h, std::uint32_t fill = 0xFFFFFF)
      : width(w), height(h), words(static_cast<std::size_t>(w) * h, fill) {}
  std::uint32_t& At(int x, int y) { return words[static_cast<std::size_t>(y) * width + x]; }
  BitmapView View() const { return BitmapView::XRGB32(words.data(), width, height, width); }
};

inline std::vector<std::uint8_t> Bytes(std::initializer_list<int> values) {
  std::vector<std::uint8_t> bytes;
  for (int v : values) bytes.push_back(static_cast<std::uint8_t>(v));
  return bytes;
}

}  // namespace kep::gif::test

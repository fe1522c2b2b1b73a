#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "gif/output_types.h"

namespace kep::gif {

// Cuts image data into sub-blocks: a length byte and up to 255 data bytes.
// Every block but the last is full; Close writes the last, partly filled one
// (never an empty one). Complete blocks are collected and handed to the stream
// in batches.
class GIFWriter {
 public:
  explicit GIFWriter(OutputStream& stream) : stream_(stream) {}
  GIFWriter(const GIFWriter&) = delete;
  GIFWriter& operator=(const GIFWriter&) = delete;

  void Put(std::uint8_t byte) { Write(&byte, 1); }
  void Write(const std::uint8_t* data, std::size_t size);
  // Writes the partly filled block, if any, and everything collected.
  void Close();

 private:
  static constexpr std::size_t kBatchBlocks = 64;

  OutputStream& stream_;
  std::array<std::uint8_t, 256 * kBatchBlocks> batch_;
  std::size_t block_ = 0;  // offset of the current block's length byte in batch_
  std::size_t fill_ = 1;   // bytes used in the current block, length byte included
};

// Compresses an index raster into GIF image data: the minimum code size byte,
// the data sub-blocks and the 0 block terminator.
class LZWEncoder {
 public:
  LZWEncoder();
  ~LZWEncoder();
  LZWEncoder(const LZWEncoder&) = delete;
  LZWEncoder& operator=(const LZWEncoder&) = delete;

  // bits_per_pixel: of the colour map (raised to 2 for the code size);
  // color_count: every pixel must be below it, else "Color not in color table".
  // The raster holds width * height bytes, rows top to bottom; interlaced
  // frames are walked in the four GIF passes.
  void Encode(OutputStream& stream, int bits_per_pixel, int width, int height, bool interlace,
              const std::uint8_t* raster, int color_count);

 private:
  // The dictionary: 8009 slots of (key << 12) | code with key = (prefix << 8) | pixel;
  // an empty slot holds all ones.
  std::unique_ptr<std::uint32_t[]> table_;
  // For each code, the pixel and code of the string that last extended it:
  // (pixel << 12) | code, all ones when none. Runs of one colour extend the
  // same strings again and again, so most pixels are found here without
  // probing the table; entries are dropped with the table at every clear.
  std::unique_ptr<std::uint32_t[]> last_child_;
};

}  // namespace kep::gif

#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "gif/color_map.h"
#include "gif/color_reduction.h"
#include "gif/gif_exception.h"
#include "gif/output_types.h"

namespace kep::gif {

class GIFImage;

enum class GIFVersion { kUnknown, k87a, k89a };

// Compression kinds: 0 is LZW; 1 (a run-length coder) is refused with
// GIFException "Compression kind 1 is not supported"; every other value means LZW.
enum class GIFCompression : int { kLZW = 0, kRLE = 1 };

enum class ProgressStage { kStarting, kRunning, kEnding };

// Progress notices ("Converting...", "Saving..."); nobody has to listen.
using ProgressEvent = std::function<void(ProgressStage stage, int percent, std::string_view message)>;
using WarningEvent = std::function<void(std::string_view message)>;

// The image settings' defaults.
inline constexpr ReductionMethod kDefaultColorReduction = ReductionMethod::kWebPalette;
inline constexpr int kDefaultReductionBits = 8;
inline constexpr DitherMode kDefaultDitherMode = DitherMode::kNearest;
inline constexpr GIFCompression kDefaultCompression = GIFCompression::kLZW;

// Sizes stored in the file are 16 bits wide.
inline constexpr int kMaxDimension = 65535;

// An extension block written before a frame's image descriptor: 0x21, the
// label, the data in sub-blocks, then 0. Any extension makes the file GIF89a.
struct GIFExtension {
  std::uint8_t label = 0xFE;  // a comment by default
  std::vector<std::uint8_t> data;
};

// The signature's version and the logical screen descriptor with its global colour map.
class GIFHeader {
 public:
  int Width() const { return width_; }
  int Height() const { return height_; }
  // Raises "Image is too large for GIF" beyond 65535.
  void SetWidth(int width);
  void SetHeight(int height);
  GIFColorMap& ColorMap() { return color_map_; }
  const GIFColorMap& ColorMap() const { return color_map_; }
  std::uint8_t BackgroundColorIndex() const { return 0; }
  std::uint8_t AspectRatio() const { return 0; }
  void Clear();

 private:
  int width_ = 0;
  int height_ = 0;
  GIFColorMap color_map_;
};

// One frame: image descriptor, local colour map, extensions and index raster.
class GIFSubImage {
 public:
  explicit GIFSubImage(GIFImage& image) : image_(image) {}
  GIFSubImage(const GIFSubImage&) = delete;
  GIFSubImage& operator=(const GIFSubImage&) = delete;

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  // A new size allocates a new zero-filled raster and grows the image's logical
  // screen to hold the frame. A frame reaching beyond 65535 raises
  // "Image is too large for GIF".
  void SetLeft(int left);
  void SetTop(int top);
  void SetWidth(int width);
  void SetHeight(int height);

  // The stored descriptor flags; bit 0x40 is the interlace flag.
  std::uint8_t Flags() const { return flags_; }
  void SetFlags(std::uint8_t flags) { flags_ = flags; }
  bool Interlaced() const { return (flags_ & 0x40) != 0; }
  bool Transparent() const { return false; }

  GIFColorMap& ColorMap() { return color_map_; }
  const GIFColorMap& ColorMap() const { return color_map_; }
  std::vector<GIFExtension>& Extensions() { return extensions_; }
  const std::vector<GIFExtension>& Extensions() const { return extensions_; }
  // width * height palette indices, rows top to bottom.
  std::span<std::uint8_t> Data() { return data_; }
  std::span<const std::uint8_t> Data() const { return data_; }
  bool Empty() const { return data_.empty(); }

  void Clear();
  // Fills the frame from a bitmap: an indexed one is copied with its palette,
  // any other is reduced with the image's settings.
  void AssignFromBitmap(const BitmapView& bitmap);

  GIFVersion Version() const;
  // The descriptor flags as written: local table, sorted and size fields from the map.
  std::uint8_t WrittenFlags() const;
  void SaveToStream(OutputStream& stream) const;

 private:
  void Resize();
  void ReadIndexed(const BitmapView& bitmap);
  void Reduce(const BitmapView& bitmap);

  GIFImage& image_;
  int left_ = 0;
  int top_ = 0;
  int width_ = 0;
  int height_ = 0;
  std::uint8_t flags_ = 0;
  GIFColorMap color_map_;
  std::vector<GIFExtension> extensions_;
  std::vector<std::uint8_t> data_;
};

// The frames of an image, in order; the list owns them.
class GIFImageList {
 public:
  int Count() const { return static_cast<int>(frames_.size()); }
  GIFSubImage& operator[](int index) { return *frames_[static_cast<std::size_t>(index)]; }
  const GIFSubImage& operator[](int index) const { return *frames_[static_cast<std::size_t>(index)]; }
  GIFSubImage& Add(std::unique_ptr<GIFSubImage> frame);
  void Clear() { frames_.clear(); }

 private:
  std::vector<std::unique_ptr<GIFSubImage>> frames_;
};

// A GIF image: settings, header and frames. Filled from a bitmap and written
// as a GIF file.
class GIFImage {
 public:
  GIFImage() = default;
  GIFImage(const GIFImage&) = delete;
  GIFImage& operator=(const GIFImage&) = delete;

  ReductionMethod ColorReduction() const { return color_reduction_; }
  void SetColorReduction(ReductionMethod method) { color_reduction_ = method; }
  int ReductionBits() const { return reduction_bits_; }
  void SetReductionBits(int bits) { reduction_bits_ = bits; }
  DitherMode Dither() const { return dither_; }
  void SetDither(DitherMode dither) { dither_ = dither; }
  GIFCompression Compression() const { return compression_; }
  void SetCompression(GIFCompression compression) { compression_ = compression; }

  GIFHeader& Header() { return header_; }
  const GIFHeader& Header() const { return header_; }
  GIFImageList& Images() { return images_; }
  const GIFImageList& Images() const { return images_; }
  int Width() const { return header_.Width(); }
  int Height() const { return header_.Height(); }

  // No frames, an empty global map and a 0 x 0 screen.
  void Clear();
  // Clears the image, then makes one frame from the bitmap. If that fails the
  // image stays cleared and the error propagates.
  void AssignFromBitmap(const BitmapView& bitmap);

  // The largest bits per pixel (empty maps count 0) and colour resolution
  // (empty maps count -1) over the global and every local map.
  int BitsPerPixel() const;
  int ColorResolution() const;
  // 89a when a frame needs it, 87a otherwise, kUnknown without frames.
  GIFVersion Version() const;

  // Header, frames and trailer. Without frames raises "Unsupported GIF version"
  // before any byte is written.
  void WriteGIFStream(OutputStream& stream) const;
  void WriteGIFStream(std::ostream& stream) const;
  // Writes the file so that a failure leaves any previous file as it was.
  void WriteGIFFile(const std::string& file_name) const;

  ProgressEvent OnProgress;
  WarningEvent OnWarning;

 private:
  friend class GIFSubImage;
  void Progress(ProgressStage stage, int percent, std::string_view message) const;
  void Warning(std::string_view message) const;
  void WriteHeader(OutputStream& stream, GIFVersion version) const;

  ReductionMethod color_reduction_ = kDefaultColorReduction;
  int reduction_bits_ = kDefaultReductionBits;
  DitherMode dither_ = kDefaultDitherMode;
  GIFCompression compression_ = kDefaultCompression;
  GIFHeader header_;
  GIFImageList images_;
};

// What the save command does: a GIF image with the default settings filled
// from the bitmap and written to file_name.
void SaveBitmapAsGIF(const BitmapView& bitmap, const std::string& file_name);

}  // namespace kep::gif

#include "gif/gif_image.h"

#include <algorithm>
#include <string>

#include "common/format.h"
#include "gif/lzw_encoder.h"
#include "gif/messages.h"
#include "output/file_output.h"

namespace kep::gif {

namespace {

// part * 100 / whole, rounded to the nearest integer, halves to even.
int Percent(long long part, long long whole) {
  if (whole <= 0) return 100;
  const long long scaled = part * 100;
  long long quotient = scaled / whole;
  const long long twice_rest = 2 * (scaled % whole);
  if (twice_rest > whole || (twice_rest == whole && quotient % 2 != 0)) ++quotient;
  return static_cast<int>(quotient);
}

void CheckDimension(long long value) {
  if (value > kMaxDimension) throw GIFException(std::string(messages::kImageTooLarge));
  if (value < 0) throw GIFException(std::string(messages::kInvalidImageDimensions));
}

// The map's entries as red, green, blue, padded with black up to 2^bits entries.
void WriteColorTable(OutputStream& stream, const GIFColorMap& map) {
  if (map.Count() == 0) return;
  std::uint8_t bytes[3 * kMaxColors] = {};
  std::size_t i = 0;
  for (const GIFColor& color : map.Colors()) {
    bytes[i++] = color.red;
    bytes[i++] = color.green;
    bytes[i++] = color.blue;
  }
  stream.Write(bytes, 3 * (std::size_t{1} << map.BitsPerPixel()));
}

void WriteExtension(OutputStream& stream, const GIFExtension& extension) {
  const std::uint8_t introducer[2] = {0x21, extension.label};
  stream.Write(introducer, 2);
  GIFWriter writer(stream);
  writer.Write(extension.data.data(), extension.data.size());
  writer.Close();
  stream.WriteByte(0);
}

}  // namespace

// ---- GIFHeader

void GIFHeader::SetWidth(int width) {
  CheckDimension(width);
  width_ = width;
}

void GIFHeader::SetHeight(int height) {
  CheckDimension(height);
  height_ = height;
}

void GIFHeader::Clear() {
  width_ = 0;
  height_ = 0;
  color_map_.Clear();
}

// ---- GIFSubImage

void GIFSubImage::SetLeft(int left) {
  CheckDimension(static_cast<long long>(left) + width_);
  CheckDimension(left);
  left_ = left;
}

void GIFSubImage::SetTop(int top) {
  CheckDimension(static_cast<long long>(top) + height_);
  CheckDimension(top);
  top_ = top;
}

void GIFSubImage::SetWidth(int width) {
  CheckDimension(width);
  CheckDimension(static_cast<long long>(left_) + width);
  if (width == width_) return;
  width_ = width;
  Resize();
  GIFHeader& screen = image_.header_;
  if (screen.Width() < left_ + width_) {
    if (screen.Width() != 0) image_.Warning(messages::kWidthTooSmall);
    screen.SetWidth(left_ + width_);
  }
}

void GIFSubImage::SetHeight(int height) {
  CheckDimension(height);
  CheckDimension(static_cast<long long>(top_) + height);
  if (height == height_) return;
  height_ = height;
  Resize();
  GIFHeader& screen = image_.header_;
  if (screen.Height() < top_ + height_) {
    if (screen.Height() != 0) image_.Warning(messages::kHeightTooSmall);
    screen.SetHeight(top_ + height_);
  }
}

void GIFSubImage::Resize() {
  data_.clear();
  data_.shrink_to_fit();
  data_.resize(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_));
}

void GIFSubImage::Clear() {
  extensions_.clear();
  color_map_.Clear();
  data_.clear();
  data_.shrink_to_fit();
  left_ = top_ = width_ = height_ = 0;
  flags_ = 0;
}

void GIFSubImage::AssignFromBitmap(const BitmapView& bitmap) {
  Clear();
  ValidateBitmap(bitmap);
  if (bitmap.Empty()) return;
  image_.Progress(ProgressStage::kStarting, 0, messages::kConverting);
  try {
    SetWidth(bitmap.width);
    SetHeight(bitmap.height);
    if (IsIndexed(bitmap.format)) {
      ReadIndexed(bitmap);
    } else {
      Reduce(bitmap);
    }
  } catch (...) {
    image_.Progress(ProgressStage::kEnding, 0, messages::kConverting);
    throw;
  }
  image_.Progress(ProgressStage::kEnding, 100, messages::kConverting);
}

void GIFSubImage::ReadIndexed(const BitmapView& bitmap) {
  color_map_.Assign(bitmap.palette);
  const int bits = BitsOf(bitmap.format);
  for (int y = 0; y < height_; ++y) {
    const std::uint8_t* row = bitmap.Row(y);
    std::uint8_t* out = data_.data() + static_cast<std::size_t>(y) * width_;
    if (bits == 8) {
      std::copy_n(row, width_, out);
    } else if (bits == 4) {
      for (int x = 0; x < width_; ++x) out[x] = (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F;
    } else {
      for (int x = 0; x < width_; ++x) out[x] = (row[x >> 3] >> (7 - (x & 7))) & 1;
    }
    if (y % 32 == 0 && y > 0)
      image_.Progress(ProgressStage::kRunning, Percent(y, height_), messages::kConverting);
  }
}

void GIFSubImage::Reduce(const BitmapView& bitmap) {
  ColorReducer reducer(image_.ColorReduction(), image_.Dither(), image_.ReductionBits());
  for (int y = 0; y < height_; ++y) {
    reducer.MapRow(bitmap, y, data_.data() + static_cast<std::size_t>(y) * width_);
    if (y % 32 == 0 && y > 0)
      image_.Progress(ProgressStage::kRunning, Percent(y, height_), messages::kConverting);
  }
  color_map_.Assign(reducer.Palette());
}

GIFVersion GIFSubImage::Version() const {
  return color_map_.Sorted() || !extensions_.empty() ? GIFVersion::k89a : GIFVersion::k87a;
}

std::uint8_t GIFSubImage::WrittenFlags() const {
  if (color_map_.Count() == 0) return flags_ & 0x58;
  return static_cast<std::uint8_t>(0x80 | (color_map_.Sorted() ? 0x20 : 0) |
                                   (color_map_.ColorResolution() & 7));
}

void GIFSubImage::SaveToStream(OutputStream& stream) const {
  for (const GIFExtension& extension : extensions_) WriteExtension(stream, extension);
  if (Empty() || width_ == 0 || height_ == 0) return;
  const std::uint8_t flags = WrittenFlags();
  stream.WriteByte(0x2C);
  stream.WriteWord(static_cast<std::uint16_t>(left_));
  stream.WriteWord(static_cast<std::uint16_t>(top_));
  stream.WriteWord(static_cast<std::uint16_t>(width_));
  stream.WriteWord(static_cast<std::uint16_t>(height_));
  stream.WriteByte(flags);
  WriteColorTable(stream, color_map_);

  int bits = color_map_.BitsPerPixel();
  int count = color_map_.Count();
  if (count == 0) {
    bits = image_.BitsPerPixel();
    count = 1 << bits;
  }
  LZWEncoder encoder;
  encoder.Encode(stream, bits, width_, height_, (flags & 0x40) != 0, data_.data(), count);
}

// ---- GIFImageList

GIFSubImage& GIFImageList::Add(std::unique_ptr<GIFSubImage> frame) {
  frames_.push_back(std::move(frame));
  return *frames_.back();
}

// ---- GIFImage

void GIFImage::Clear() {
  images_.Clear();
  header_.Clear();
}

void GIFImage::AssignFromBitmap(const BitmapView& bitmap) {
  Clear();
  auto frame = std::make_unique<GIFSubImage>(*this);
  try {
    frame->AssignFromBitmap(bitmap);
  } catch (...) {
    Clear();
    throw;
  }
  images_.Add(std::move(frame));
}

int GIFImage::BitsPerPixel() const {
  int bits = header_.ColorMap().BitsPerPixel();
  for (int i = 0; i < images_.Count(); ++i) bits = std::max(bits, images_[i].ColorMap().BitsPerPixel());
  return bits;
}

int GIFImage::ColorResolution() const {
  int resolution = header_.ColorMap().ColorResolution();
  for (int i = 0; i < images_.Count(); ++i) {
    resolution = std::max(resolution, images_[i].ColorMap().ColorResolution());
  }
  return resolution;
}

GIFVersion GIFImage::Version() const {
  GIFVersion version = GIFVersion::kUnknown;
  for (int i = 0; i < images_.Count() && version != GIFVersion::k89a; ++i) version = images_[i].Version();
  return version;
}

void GIFImage::WriteHeader(OutputStream& stream, GIFVersion version) const {
  const char* signature = version == GIFVersion::k89a ? "GIF89a" : "GIF87a";
  stream.Write(signature, 6);
  const GIFColorMap& global = header_.ColorMap();
  std::uint8_t flags = 0;
  if (global.Count() > 0) flags = static_cast<std::uint8_t>(0x80 | (global.Sorted() ? 0x08 : 0));
  flags |= static_cast<std::uint8_t>((ColorResolution() << 4) & 0x70);
  flags |= static_cast<std::uint8_t>((BitsPerPixel() - 1) & 7);
  stream.WriteWord(static_cast<std::uint16_t>(header_.Width()));
  stream.WriteWord(static_cast<std::uint16_t>(header_.Height()));
  const std::uint8_t rest[3] = {flags, header_.BackgroundColorIndex(), header_.AspectRatio()};
  stream.Write(rest, 3);
  if ((flags & 0x80) != 0) WriteColorTable(stream, global);
}

void GIFImage::WriteGIFStream(OutputStream& stream) const {
  const GIFVersion version = Version();
  if (version == GIFVersion::kUnknown) throw GIFException(std::string(messages::kUnsupportedVersion));
  if (compression_ == GIFCompression::kRLE) {
    throw GIFException(FormatMessage(messages::kCompressionNotSupported, static_cast<int>(compression_)));
  }
  Progress(ProgressStage::kStarting, 0, messages::kSaving);
  try {
    WriteHeader(stream, version);
    for (int i = 0; i < images_.Count(); ++i) {
      images_[i].SaveToStream(stream);
      Progress(ProgressStage::kRunning, Percent(i + 1, images_.Count()), messages::kSaving);
    }
    stream.WriteByte(0x3B);
  } catch (...) {
    Progress(ProgressStage::kEnding, 0, messages::kSaving);
    throw;
  }
  Progress(ProgressStage::kEnding, 100, messages::kSaving);
}

void GIFImage::WriteGIFStream(std::ostream& stream) const {
  output::StdOutputStream out(stream);
  WriteGIFStream(out);
}

void GIFImage::WriteGIFFile(const std::string& file_name) const {
  output::WriteFileReplacing(file_name, [this](OutputStream& stream) { WriteGIFStream(stream); });
}

void GIFImage::Progress(ProgressStage stage, int percent, std::string_view message) const {
  if (OnProgress) OnProgress(stage, percent, message);
}

void GIFImage::Warning(std::string_view message) const {
  if (OnWarning) OnWarning(message);
}

void SaveBitmapAsGIF(const BitmapView& bitmap, const std::string& file_name) {
  GIFImage image;
  image.AssignFromBitmap(bitmap);
  image.WriteGIFFile(file_name);
}

}  // namespace kep::gif

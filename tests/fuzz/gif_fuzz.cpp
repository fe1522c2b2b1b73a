// Encodes arbitrary small bitmaps of every pixel format as GIF files in
// memory, decodes each with giflib and checks every pixel's palette index
// against an independent reading of the bitmap's bytes. Settings the encoder
// does not support, and bitmaps it cannot read, must be refused with
// GIFException and nothing else.
#include <fuzzer/FuzzedDataProvider.h>
#include <gif_lib.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <vector>

#include "fuzz_support.h"
#include "gif/gif_image.h"

namespace {

using kep::gif::BitmapView;
using kep::gif::GIFColor;
using kep::gif::GIFException;
using kep::gif::PixelFormat;
using kep::gif::ReductionMethod;

constexpr int kFormatCount = 7;

int BitsPerPixel(PixelFormat format) {
  static constexpr int kBits[kFormatCount] = {1, 4, 8, 16, 16, 24, 32};
  return kBits[static_cast<int>(format)];
}

// The colour of pixel x of a row as 0xRRGGBB, and for indexed formats its index.
struct Source {
  std::uint32_t rgb = 0;
  int index = -1;
};

Source ReadPixel(const BitmapView& bitmap, const std::uint8_t* row, int x) {
  auto word = [&](int at) { return static_cast<unsigned>(row[at] | (row[at + 1] << 8)); };
  auto widen = [](unsigned value, int bits) { return (value << (8 - bits)) & 0xFF; };
  Source pixel;
  switch (bitmap.format) {
    case PixelFormat::kIndexed1:
      pixel.index = (row[x / 8] >> (7 - x % 8)) & 1;
      break;
    case PixelFormat::kIndexed4:
      pixel.index = x % 2 == 0 ? row[x / 2] >> 4 : row[x / 2] & 15;
      break;
    case PixelFormat::kIndexed8:
      pixel.index = row[x];
      break;
    case PixelFormat::kRGB555: {
      const unsigned p = word(2 * x);
      pixel.rgb = widen(p >> 10 & 31, 5) << 16 | widen(p >> 5 & 31, 5) << 8 | widen(p & 31, 5);
      break;
    }
    case PixelFormat::kRGB565: {
      const unsigned p = word(2 * x);
      pixel.rgb = widen(p >> 11 & 31, 5) << 16 | widen(p >> 5 & 63, 6) << 8 | widen(p & 31, 5);
      break;
    }
    case PixelFormat::kBGR24:
      pixel.rgb = std::uint32_t{row[3 * x + 2]} << 16 | std::uint32_t{row[3 * x + 1]} << 8 | row[3 * x];
      break;
    case PixelFormat::kXRGB32: {
      std::uint32_t value = 0;
      std::memcpy(&value, row + 4 * x, 4);
      pixel.rgb = value & 0xFFFFFF;
      break;
    }
  }
  return pixel;
}

// The expected palette and index raster of a colour reduction, or nothing
// when the reduction must fail (more than 256 distinct colours without a
// palette to map them to).
struct Expected {
  std::vector<GIFColor> palette;
  std::vector<std::uint8_t> indices;
};

GIFColor ColorOf(std::uint32_t rgb) {
  return {static_cast<std::uint8_t>(rgb >> 16), static_cast<std::uint8_t>(rgb >> 8),
          static_cast<std::uint8_t>(rgb)};
}

std::vector<GIFColor> FixedPalette(ReductionMethod method) {
  std::vector<GIFColor> palette;
  switch (method) {
    case ReductionMethod::kFourGrays:
      return {{0, 0, 0}, {128, 128, 128}, {192, 192, 192}, {255, 255, 255}};
    case ReductionMethod::kMonochrome:
      return {{0, 0, 0}, {255, 255, 255}};
    case ReductionMethod::kGrayScale:
      for (int v = 0; v < 256; ++v) palette.push_back(ColorOf(0x010101u * static_cast<unsigned>(v)));
      return palette;
    default:  // the web palette: 216 colours, then black up to 256
      for (int n = 0; n < 216; ++n)
        palette.push_back({static_cast<std::uint8_t>(51 * (n / 36)),
                           static_cast<std::uint8_t>(51 * (n / 6 % 6)),
                           static_cast<std::uint8_t>(51 * (n % 6))});
      palette.resize(256, GIFColor{});
      return palette;
  }
}

std::optional<Expected> Reduce(const BitmapView& bitmap, ReductionMethod method) {
  Expected expected;
  if (method != ReductionMethod::kNone) expected.palette = FixedPalette(method);
  std::map<std::uint32_t, std::uint8_t> found;
  for (int y = 0; y < bitmap.height; ++y) {
    for (int x = 0; x < bitmap.width; ++x) {
      const Source source = ReadPixel(bitmap, bitmap.Row(y), x);
      std::uint32_t rgb = source.rgb;
      if (source.index >= 0) {
        const auto i = static_cast<std::size_t>(source.index);
        rgb = i < bitmap.palette.size() ? std::uint32_t{bitmap.palette[i].red} << 16 |
                                              bitmap.palette[i].green << 8 | bitmap.palette[i].blue
                                        : 0;
      }
      const int r = static_cast<int>(rgb >> 16), g = static_cast<int>(rgb >> 8 & 255),
                b = static_cast<int>(rgb & 255);
      const int luminance = 77 * r + 150 * g + 29 * b;
      int index = 0;
      switch (method) {
        case ReductionMethod::kNone: {
          const auto [at, added] = found.try_emplace(rgb, static_cast<std::uint8_t>(found.size()));
          if (added) {
            if (expected.palette.size() == 256) return std::nullopt;
            expected.palette.push_back(ColorOf(rgb));
          }
          index = at->second;
          break;
        }
        case ReductionMethod::kGrayScale:
          index = luminance >> 8;
          break;
        case ReductionMethod::kMonochrome:
          index = luminance > 32512;
          break;
        case ReductionMethod::kFourGrays: {
          int best_distance = -1;
          for (int i = 0; i < 4; ++i) {
            const GIFColor c = expected.palette[static_cast<std::size_t>(i)];
            const int distance =
                (r - c.red) * (r - c.red) + (g - c.green) * (g - c.green) + (b - c.blue) * (b - c.blue);
            if (best_distance < 0 || distance < best_distance) {
              best_distance = distance;
              index = i;
            }
          }
          break;
        }
        default:
          index = (r + 3) / 51 * 36 + (g + 3) / 51 * 6 + (b + 3) / 51;
          break;
      }
      expected.indices.push_back(static_cast<std::uint8_t>(index));
    }
  }
  return expected;
}

// What giflib makes of a GIF file's bytes: the first frame's palette (padded
// to a power of two) and its index raster.
struct Decoded {
  int width = 0;
  int height = 0;
  int frames = 0;
  std::vector<GIFColor> palette;
  std::vector<std::uint8_t> raster;
};

Decoded DecodeWithGiflib(const std::vector<std::uint8_t>& bytes) {
  struct Reader {
    const std::vector<std::uint8_t>& bytes;
    std::size_t position = 0;
  } reader{bytes};
  auto read = [](GifFileType* file, GifByteType* out, int size) -> int {
    auto* r = static_cast<Reader*>(file->UserData);
    const std::size_t n = std::min(static_cast<std::size_t>(size), r->bytes.size() - r->position);
    std::memcpy(out, r->bytes.data() + r->position, n);
    r->position += n;
    return static_cast<int>(n);
  };
  int error = 0;
  GifFileType* file = DGifOpen(&reader, read, &error);
  KEP_CHECK(file != nullptr);
  // A file without any image reaches its trailer with giflib's "no image" error.
  const bool read_all = DGifSlurp(file) == GIF_OK;
  KEP_CHECK(read_all || (file->Error == D_GIF_ERR_NO_IMAG_DSCR && file->ImageCount == 0));
  Decoded decoded;
  decoded.width = file->SWidth;
  decoded.height = file->SHeight;
  decoded.frames = file->ImageCount;
  if (file->ImageCount > 0) {
    const SavedImage& image = file->SavedImages[0];
    KEP_CHECK(image.ImageDesc.Left == 0 && image.ImageDesc.Top == 0);
    const ColorMapObject* map = image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : file->SColorMap;
    for (int c = 0; map != nullptr && c < map->ColorCount; ++c) {
      decoded.palette.push_back({map->Colors[c].Red, map->Colors[c].Green, map->Colors[c].Blue});
    }
    decoded.raster.assign(
        image.RasterBits,
        image.RasterBits + static_cast<std::size_t>(image.ImageDesc.Width) * image.ImageDesc.Height);
  }
  DGifCloseFile(file, &error);
  return decoded;
}

std::vector<GIFColor> Padded(std::vector<GIFColor> palette) {
  if (palette.empty()) return palette;
  std::size_t size = 2;
  while (size < palette.size()) size *= 2;
  palette.resize(size, GIFColor{});
  return palette;
}

template <typename Action>
bool RefusedWithGIFException(Action&& action) {
  try {
    action();
  } catch (const GIFException&) {
    return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  BitmapView bitmap;
  bitmap.width = input.ConsumeIntegralInRange(-1, 64);
  bitmap.height = input.ConsumeIntegralInRange(-1, 64);
  const int format_number = input.ConsumeIntegralInRange(0, kFormatCount);  // kFormatCount is no format
  bitmap.format = static_cast<PixelFormat>(format_number);
  const int slack = input.ConsumeIntegralInRange(-2, 8);  // bytes beyond (or short of) a row
  const bool bottom_up = input.ConsumeBool();
  const bool interlaced = input.ConsumeBool();
  const int method_number = input.ConsumeIntegralInRange(-1, 11);
  const int dither_number = input.ConsumeBool() ? input.ConsumeIntegralInRange(-1, 7) : 0;
  const int compression_number = input.ConsumeBool() ? input.ConsumeIntegralInRange(-1, 3) : 0;
  std::vector<GIFColor> palette(input.ConsumeIntegralInRange<std::size_t>(0, 258));
  for (GIFColor& color : palette) color = ColorOf(input.ConsumeIntegral<std::uint32_t>());

  const bool known_format = format_number < kFormatCount;
  const int bits = known_format ? BitsPerPixel(bitmap.format) : 32;
  const std::ptrdiff_t row_bytes = (std::max(bitmap.width, 0) * bits + 7) / 8;
  const std::ptrdiff_t stride = std::max<std::ptrdiff_t>(row_bytes + slack, 0);
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(stride) * std::max(bitmap.height, 0) + 1);
  const std::vector<std::uint8_t> rest = input.ConsumeRemainingBytes<std::uint8_t>();
  for (std::size_t i = 0; i < pixels.size() && !rest.empty(); ++i) pixels[i] = rest[i % rest.size()];
  // Unaligned rows too: the pixel memory starts one byte in when slack is odd.
  bitmap.pixels = pixels.data() + (slack & 1);
  bitmap.stride = stride;
  if (bottom_up && bitmap.height > 0) {
    bitmap.pixels += stride * (bitmap.height - 1);
    bitmap.stride = -stride;
  }
  bitmap.palette = palette;

  const auto method = static_cast<ReductionMethod>(method_number);
  const bool supported_method = method == ReductionMethod::kNone || method == ReductionMethod::kFourGrays ||
                                method == ReductionMethod::kMonochrome ||
                                method == ReductionMethod::kGrayScale ||
                                method == ReductionMethod::kWebPalette;
  const bool indexed = known_format && bits <= 8;
  const bool empty = bitmap.width == 0 || bitmap.height == 0;

  kep::gif::GIFImage image;
  image.SetColorReduction(method);
  image.SetDither(static_cast<kep::gif::DitherMode>(dither_number));
  image.SetCompression(static_cast<kep::gif::GIFCompression>(compression_number));

  // Which failure, if any, filling the image must raise.
  bool must_refuse = !known_format || bitmap.width < 0 || bitmap.height < 0;
  if (!must_refuse && !empty) {
    must_refuse =
        stride < row_bytes || (indexed ? palette.size() > 256 : !supported_method || dither_number != 0);
  }
  std::optional<Expected> expected;
  if (!must_refuse && !empty) {
    if (indexed) {
      expected.emplace();
      expected->palette = palette;
      for (int y = 0; y < bitmap.height; ++y) {
        for (int x = 0; x < bitmap.width; ++x) {
          expected->indices.push_back(static_cast<std::uint8_t>(ReadPixel(bitmap, bitmap.Row(y), x).index));
        }
      }
    } else {
      expected = Reduce(bitmap, method);
      must_refuse = !expected.has_value();
    }
  }
  if (RefusedWithGIFException([&] { image.AssignFromBitmap(bitmap); })) {
    KEP_CHECK(must_refuse);
    KEP_CHECK(image.Images().Count() == 0 && image.Width() == 0 && image.Height() == 0);
    return 0;
  }
  KEP_CHECK(!must_refuse);
  KEP_CHECK(image.Images().Count() == 1);
  if (interlaced) image.Images()[0].SetFlags(0x40);

  // Writing refuses the run-length kind and indices that the palette does not hold.
  bool write_must_refuse = compression_number == 1;
  if (expected) {
    const std::size_t colors =
        std::max<std::size_t>(expected->palette.size(), expected->palette.empty() ? 1 : 0);
    for (const std::uint8_t index : expected->indices) write_must_refuse |= index >= colors;
  }
  kep::gif::MemoryStream stream;
  if (RefusedWithGIFException([&] { image.WriteGIFStream(stream); })) {
    KEP_CHECK(write_must_refuse);
    return 0;
  }
  KEP_CHECK(!write_must_refuse);

  const Decoded decoded = DecodeWithGiflib(stream.Bytes());
  if (!expected) {  // a bitmap without pixels leaves the screen at 0 x 0 and writes no image
    KEP_CHECK(decoded.width == 0 && decoded.height == 0 && decoded.frames == 0);
    return 0;
  }
  KEP_CHECK(decoded.width == bitmap.width && decoded.height == bitmap.height);
  KEP_CHECK(decoded.frames == 1);
  KEP_CHECK(decoded.palette == Padded(expected->palette));
  KEP_CHECK(decoded.raster == expected->indices);
  return 0;
}

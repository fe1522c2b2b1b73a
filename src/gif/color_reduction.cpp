#include "gif/color_reduction.h"

#include <array>
#include <cstring>
#include <string>
#include <unordered_map>

#include "common/format.h"
#include "gif/gif_exception.h"
#include "gif/messages.h"

namespace kep::gif {

namespace {

constexpr std::array<GIFColor, 216> MakeWebPalette() {
  std::array<GIFColor, 216> palette{};
  for (int n = 0; n < 216; ++n) {
    palette[n] = {static_cast<std::uint8_t>(51 * (n / 36)), static_cast<std::uint8_t>(51 * (n / 6 % 6)),
                  static_cast<std::uint8_t>(51 * (n % 6))};
  }
  return palette;
}

constexpr std::array<GIFColor, 216> kWebPalette = MakeWebPalette();

// The web index of a component is 36*ri + 6*gi + bi with step = (value + 3) div 51;
// one table per component holds step times its weight.
constexpr std::array<std::uint8_t, 256> MakeStepTable(int weight) {
  std::array<std::uint8_t, 256> table{};
  for (int v = 0; v < 256; ++v) table[v] = static_cast<std::uint8_t>((v + 3) / 51 * weight);
  return table;
}

constexpr std::array<std::uint8_t, 256> kRedStep = MakeStepTable(36);
constexpr std::array<std::uint8_t, 256> kGreenStep = MakeStepTable(6);
constexpr std::array<std::uint8_t, 256> kBlueStep = MakeStepTable(1);

constexpr unsigned Red(std::uint32_t xrgb) { return (xrgb >> 16) & 0xFF; }
constexpr unsigned Green(std::uint32_t xrgb) { return (xrgb >> 8) & 0xFF; }
constexpr unsigned Blue(std::uint32_t xrgb) { return xrgb & 0xFF; }
constexpr unsigned Luminance(std::uint32_t xrgb) {
  return 77 * Red(xrgb) + 150 * Green(xrgb) + 29 * Blue(xrgb);
}

// A 5- or 6-bit component widened by shifting (31 becomes 248).
constexpr std::uint32_t Widen(unsigned value, int bits) { return value << (8 - bits); }

// Reads row y of any format as 0x00RRGGBB words. Palette indices without an entry read as black.
void ReadRowXRGB(const BitmapView& source, int y, std::uint32_t* out) {
  const std::uint8_t* row = source.Row(y);
  const int width = source.width;
  auto palette_color = [&](unsigned index) -> std::uint32_t {
    if (index >= source.palette.size()) return 0;
    const GIFColor c = source.palette[index];
    return (std::uint32_t{c.red} << 16) | (std::uint32_t{c.green} << 8) | c.blue;
  };
  switch (source.format) {
    case PixelFormat::kIndexed1:
      for (int x = 0; x < width; ++x) out[x] = palette_color((row[x >> 3] >> (7 - (x & 7))) & 1);
      return;
    case PixelFormat::kIndexed4:
      for (int x = 0; x < width; ++x) out[x] = palette_color((row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F);
      return;
    case PixelFormat::kIndexed8:
      for (int x = 0; x < width; ++x) out[x] = palette_color(row[x]);
      return;
    case PixelFormat::kRGB555:
      for (int x = 0; x < width; ++x) {
        const unsigned p = row[2 * x] | (row[2 * x + 1] << 8);
        out[x] = (Widen((p >> 10) & 31, 5) << 16) | (Widen((p >> 5) & 31, 5) << 8) | Widen(p & 31, 5);
      }
      return;
    case PixelFormat::kRGB565:
      for (int x = 0; x < width; ++x) {
        const unsigned p = row[2 * x] | (row[2 * x + 1] << 8);
        out[x] = (Widen((p >> 11) & 31, 5) << 16) | (Widen((p >> 5) & 63, 6) << 8) | Widen(p & 31, 5);
      }
      return;
    case PixelFormat::kBGR24:
      for (int x = 0; x < width; ++x) {
        out[x] = (std::uint32_t{row[3 * x + 2]} << 16) | (std::uint32_t{row[3 * x + 1]} << 8) | row[3 * x];
      }
      return;
    case PixelFormat::kXRGB32:
      std::memcpy(out, row, static_cast<std::size_t>(width) * 4);
      for (int x = 0; x < width; ++x) out[x] &= 0x00FFFFFF;
      return;
  }
  throw GIFException(std::string(messages::kUnsupportedPixelFormat));
}

}  // namespace

std::span<const GIFColor> WebPalette() { return kWebPalette; }

struct ColorReducer::State {
  ReductionMethod method;
  std::vector<std::uint32_t> row;  // the current row as XRGB words, for formats other than aligned XRGB32
  std::vector<GIFColor> palette;   // the fixed palettes
  GIFColorMap found;               // kNone: the colours met so far
  std::unordered_map<std::uint32_t, std::uint8_t> index_of;
};

ColorReducer::ColorReducer(ReductionMethod method, DitherMode dither, int /*reduction_bits*/,
                           std::span<const GIFColor> /*custom_palette*/)
    : state_(std::make_unique<State>()) {
  state_->method = method;
  switch (method) {
    case ReductionMethod::kNone:
      break;
    case ReductionMethod::kFourGrays:
      state_->palette = {{0, 0, 0}, {128, 128, 128}, {192, 192, 192}, {255, 255, 255}};
      break;
    case ReductionMethod::kMonochrome:
      state_->palette = {{0, 0, 0}, {255, 255, 255}};
      break;
    case ReductionMethod::kGrayScale:
      for (int i = 0; i < 256; ++i) {
        const auto v = static_cast<std::uint8_t>(i);
        state_->palette.push_back({v, v, v});
      }
      break;
    case ReductionMethod::kWebPalette:
      state_->palette.assign(kWebPalette.begin(), kWebPalette.end());
      state_->palette.resize(kMaxColors, GIFColor{0, 0, 0});
      break;
    default:
      throw GIFException(FormatMessage(messages::kReductionNotSupported, static_cast<int>(method)));
  }
  if (dither != DitherMode::kNearest) {
    throw GIFException(FormatMessage(messages::kDitherNotSupported, static_cast<int>(dither)));
  }
}

ColorReducer::~ColorReducer() = default;

std::span<const GIFColor> ColorReducer::Palette() const {
  if (state_->method == ReductionMethod::kNone) return state_->found.Colors();
  return state_->palette;
}

void ColorReducer::MapRow(const BitmapView& source, int y, std::uint8_t* out) {
  const int width = source.width;
  const std::uint32_t* row;
  const std::uint8_t* raw = source.Row(y);
  const bool direct = source.format == PixelFormat::kXRGB32 &&
                      reinterpret_cast<std::uintptr_t>(raw) % alignof(std::uint32_t) == 0;
  if (direct) {
    row = reinterpret_cast<const std::uint32_t*>(raw);  // the caller's 32-bit words; the X byte is ignored
  } else {
    state_->row.resize(static_cast<std::size_t>(width));
    ReadRowXRGB(source, y, state_->row.data());
    row = state_->row.data();
  }
  switch (state_->method) {
    case ReductionMethod::kWebPalette:
      for (int x = 0; x < width; ++x) {
        const std::uint32_t p = row[x];
        out[x] = static_cast<std::uint8_t>(kRedStep[Red(p)] + kGreenStep[Green(p)] + kBlueStep[Blue(p)]);
      }
      return;
    case ReductionMethod::kGrayScale:
      for (int x = 0; x < width; ++x) out[x] = static_cast<std::uint8_t>(Luminance(row[x]) >> 8);
      return;
    case ReductionMethod::kMonochrome:
      for (int x = 0; x < width; ++x) out[x] = Luminance(row[x]) > 32512 ? 1 : 0;
      return;
    case ReductionMethod::kFourGrays:
      for (int x = 0; x < width; ++x) {
        // Nearest by squared distance; the first of equally near entries wins.
        int best = 0;
        long best_distance = -1;
        for (int i = 0; i < static_cast<int>(state_->palette.size()); ++i) {
          const GIFColor c = state_->palette[static_cast<std::size_t>(i)];
          const long dr = static_cast<long>(Red(row[x])) - c.red;
          const long dg = static_cast<long>(Green(row[x])) - c.green;
          const long db = static_cast<long>(Blue(row[x])) - c.blue;
          const long distance = dr * dr + dg * dg + db * db;
          if (best_distance < 0 || distance < best_distance) {
            best = i;
            best_distance = distance;
          }
        }
        out[x] = static_cast<std::uint8_t>(best);
      }
      return;
    case ReductionMethod::kNone:
      for (int x = 0; x < width; ++x) {
        const std::uint32_t p = row[x] & 0x00FFFFFF;
        auto [it, added] = state_->index_of.try_emplace(p, 0);
        if (added) {
          try {
            it->second = static_cast<std::uint8_t>(
                state_->found.Add({static_cast<std::uint8_t>(Red(p)), static_cast<std::uint8_t>(Green(p)),
                                   static_cast<std::uint8_t>(Blue(p))}));
          } catch (...) {
            state_->index_of.erase(it);
            throw;
          }
        }
        out[x] = it->second;
      }
      return;
    default:
      return;  // refused by the constructor
  }
}

IndexedBitmap ReduceBitmapColors(const BitmapView& source, ReductionMethod method, DitherMode dither,
                                 int reduction_bits, std::span<const GIFColor> custom_palette) {
  ValidateBitmap(source);
  if (source.Empty()) throw GIFException(std::string(messages::kInvalidImageDimensions));
  ColorReducer reducer(method, dither, reduction_bits, custom_palette);
  IndexedBitmap result;
  result.width = source.width;
  result.height = source.height;
  result.indices.resize(static_cast<std::size_t>(source.width) * static_cast<std::size_t>(source.height));
  for (int y = 0; y < source.height; ++y) {
    reducer.MapRow(source, y, result.indices.data() + static_cast<std::size_t>(y) * source.width);
  }
  const auto palette = reducer.Palette();
  result.palette.assign(palette.begin(), palette.end());
  return result;
}

}  // namespace kep::gif

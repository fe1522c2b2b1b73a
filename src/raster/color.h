#pragma once

#include <cstdint>

namespace kep::raster {

// A colour as a 32-bit RGB value with red in the low byte (0x00BBGGRR), plus
// two marker values that are not colours: clSeriesColor (take the colour of
// the owning series or object) and clNone (a null point that breaks a line).
struct Color {
  std::uint32_t value = 0;

  constexpr Color() = default;
  constexpr explicit Color(std::uint32_t v) : value(v) {}
  static constexpr Color FromRgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return Color(static_cast<std::uint32_t>(r) | (static_cast<std::uint32_t>(g) << 8) |
                 (static_cast<std::uint32_t>(b) << 16));
  }

  constexpr std::uint8_t Red() const { return value & 0xFF; }
  constexpr std::uint8_t Green() const { return (value >> 8) & 0xFF; }
  constexpr std::uint8_t Blue() const { return (value >> 16) & 0xFF; }
  // The pixel value of this colour in a Bitmap (0x00RRGGBB).
  constexpr std::uint32_t ToXrgb() const {
    return (static_cast<std::uint32_t>(Red()) << 16) | (static_cast<std::uint32_t>(Green()) << 8) | Blue();
  }
  static constexpr Color FromXrgb(std::uint32_t xrgb) {
    return FromRgb((xrgb >> 16) & 0xFF, (xrgb >> 8) & 0xFF, xrgb & 0xFF);
  }

  friend constexpr bool operator==(Color, Color) = default;
};

inline constexpr Color clSeriesColor{0x20000000};
inline constexpr Color clNone{0x1FFFFFFF};

inline constexpr Color clBlack{0x000000};
inline constexpr Color clMaroon{0x000080};
inline constexpr Color clGreen{0x008000};
inline constexpr Color clOlive{0x008080};
inline constexpr Color clNavy{0x800000};
inline constexpr Color clPurple{0x800080};
inline constexpr Color clTeal{0x808000};
inline constexpr Color clGray{0x808080};
inline constexpr Color clSilver{0xC0C0C0};
inline constexpr Color clRed{0x0000FF};
inline constexpr Color clLime{0x00FF00};
inline constexpr Color clYellow{0x00FFFF};
inline constexpr Color clBlue{0xFF0000};
inline constexpr Color clFuchsia{0xFF00FF};
inline constexpr Color clAqua{0xFFFF00};
inline constexpr Color clWhite{0xFFFFFF};
// The desktop's face colour of buttons and dialogs, and its window text.
inline constexpr Color clBtnFace{0xF0F0F0};
inline constexpr Color clWindowText{0x000000};

}  // namespace kep::raster

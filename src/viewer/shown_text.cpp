#include "viewer/shown_text.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

namespace kep::viewer {

namespace {

struct CharRange {
  char32_t first;
  char32_t last;
};

// General category Cf as of Unicode 15.1, in ascending order.
constexpr std::array<CharRange, 21> kFormatCharacters{{
    {0x00AD, 0x00AD},    // soft hyphen
    {0x0600, 0x0605},    // Arabic number signs
    {0x061C, 0x061C},    // Arabic letter mark
    {0x06DD, 0x06DD},    // Arabic end of ayah
    {0x070F, 0x070F},    // Syriac abbreviation mark
    {0x0890, 0x0891},    // Arabic pound and piastre marks above
    {0x08E2, 0x08E2},    // Arabic disputed end of ayah
    {0x180E, 0x180E},    // Mongolian vowel separator
    {0x200B, 0x200F},    // zero width space, joiners, left-to-right and right-to-left marks
    {0x202A, 0x202E},    // bidirectional embeddings, pop, overrides
    {0x2060, 0x2064},    // word joiner, invisible operators
    {0x2066, 0x206F},    // bidirectional isolates, deprecated format characters
    {0xFEFF, 0xFEFF},    // zero width no-break space (byte order mark)
    {0xFFF9, 0xFFFB},    // interlinear annotation controls
    {0x110BD, 0x110BD},  // Kaithi number sign
    {0x110CD, 0x110CD},  // Kaithi number sign above
    {0x13430, 0x1343F},  // Egyptian hieroglyph format controls
    {0x1BCA0, 0x1BCA3},  // shorthand format controls
    {0x1D173, 0x1D17A},  // musical symbol beams, ties, slurs, phrases
    {0xE0001, 0xE0001},  // language tag
    {0xE0020, 0xE007F},  // tag characters
}};

constexpr char32_t kReplacement = 0xFFFD;

bool IsControl(char32_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }
bool IsLineOrParagraphSeparator(char32_t c) { return c == 0x2028 || c == 0x2029; }
bool ShowsEscaped(char32_t c) {
  return IsControl(c) || IsFormatCharacter(c) || IsLineOrParagraphSeparator(c);
}

// The length of the valid UTF-8 character at the start of text, or 0.
std::size_t Utf8Length(std::string_view text) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  const std::size_t length = lead < 0x80                    ? 1
                             : lead >= 0xF0 && lead <= 0xF4 ? 4
                             : lead >= 0xE0 && lead < 0xF0  ? 3
                             : lead >= 0xC2 && lead < 0xE0  ? 2
                                                            : 0;
  if (length == 0 || text.size() < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
  }
  // No overlong forms, surrogates or values past U+10FFFF.
  if ((lead == 0xE0 && byte(1) < 0xA0) || (lead == 0xED && byte(1) >= 0xA0) ||
      (lead == 0xF0 && byte(1) < 0x90) || (lead == 0xF4 && byte(1) >= 0x90)) {
    return 0;
  }
  return length;
}

// The code point of a valid UTF-8 character of the given length.
char32_t Decode(std::string_view text, std::size_t length) {
  static constexpr unsigned char kLeadBits[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
  char32_t c = static_cast<unsigned char>(text[0]) & kLeadBits[length];
  for (std::size_t i = 1; i < length; ++i) c = (c << 6) | (static_cast<unsigned char>(text[i]) & 0x3F);
  return c;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

void AppendEscaped(std::string& out, char32_t c) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  const bool wide = c > 0xFFFF;
  out += wide ? "\\U" : "\\u";
  for (int shift = wide ? 28 : 12; shift >= 0; shift -= 4) out += kHex[(c >> shift) & 0xF];
}

}  // namespace

bool IsFormatCharacter(char32_t c) {
  const auto* range = std::lower_bound(kFormatCharacters.begin(), kFormatCharacters.end(), c,
                                       [](const CharRange& r, char32_t value) { return r.last < value; });
  return range != kFormatCharacters.end() && range->first <= c;
}

void AppendShownText(std::string& out, std::string_view bytes) {
  for (std::size_t i = 0; i < bytes.size();) {
    const std::size_t length = Utf8Length(bytes.substr(i));
    if (length == 0) {
      AppendUtf8(out, kReplacement);
      ++i;
      continue;
    }
    const char32_t c = Decode(bytes.substr(i), length);
    if (ShowsEscaped(c)) {
      AppendEscaped(out, c);
    } else {
      out.append(bytes.substr(i, length));
    }
    i += length;
  }
}

std::string ShownText(std::string_view bytes) {
  std::string out;
  AppendShownText(out, bytes);
  return out;
}

}  // namespace kep::viewer

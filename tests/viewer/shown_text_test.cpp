#include "viewer/shown_text.h"

#include <gtest/gtest.h>

#include <string>

namespace kep::viewer {
namespace {

std::string Utf8(char32_t c) {
  std::string out;
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
  } else if (c < 0x10000) {
    out += {static_cast<char>(0xE0 | (c >> 12)), static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
            static_cast<char>(0x80 | (c & 0x3F))};
  } else {
    out += {static_cast<char>(0xF0 | (c >> 18)), static_cast<char>(0x80 | ((c >> 12) & 0x3F)),
            static_cast<char>(0x80 | ((c >> 6) & 0x3F)), static_cast<char>(0x80 | (c & 0x3F))};
  }
  return out;
}

// The code point an escape such as "\u202E" or "\U000E0041" names, or -1.
long ParseEscape(const std::string& text) {
  if (text.size() == 6 && text.starts_with("\\u")) return std::stol(text.substr(2), nullptr, 16);
  if (text.size() == 10 && text.starts_with("\\U")) return std::stol(text.substr(2), nullptr, 16);
  return -1;
}

TEST(ShownTextTest, EveryCharacterStaysOrShowsAsAnEscapeOfItself) {
  // Every Unicode scalar value, one at a time: a character either stays as
  // it is, or its escape names it exactly; the escaped ones are the controls,
  // the format characters and the two separators.
  int escaped = 0, format = 0;
  for (char32_t c = 0; c <= 0x10FFFF; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    const std::string shown = ShownText(Utf8(c));
    if (shown == Utf8(c)) continue;
    ASSERT_EQ(ParseEscape(shown), static_cast<long>(c)) << shown;
    ++escaped;
    if (IsFormatCharacter(c)) ++format;
  }
  EXPECT_EQ(format, 170);                     // the size of category Cf
  EXPECT_EQ(escaped, 32 + 1 + 32 + 170 + 2);  // C0, DEL, C1, Cf, U+2028 and U+2029
}

TEST(ShownTextTest, FormatCharactersAtTheEdgesOfTheirRanges) {
  for (char32_t c : {0x00ADu, 0x0600u, 0x061Cu, 0x200Bu, 0x200Eu, 0x200Fu, 0x202Au, 0x202Eu, 0x2060u, 0x2066u,
                     0x2069u, 0xFEFFu, 0xFFFBu, 0x13430u, 0x1343Fu, 0x1D173u, 0xE0001u, 0xE0020u, 0xE007Fu}) {
    EXPECT_TRUE(IsFormatCharacter(c)) << std::hex << static_cast<unsigned>(c);
  }
  // Spaces, dashes and marks beside them are shown as they are.
  for (char32_t c : {0x00ACu, 0x00AEu, 0x0606u, 0x200Au, 0x2010u, 0x2029u, 0x202Fu, 0x2065u, 0xFEFEu, 0xFFFCu,
                     0x13440u, 0xE0000u, 0xE0002u, 0xE0080u}) {
    EXPECT_FALSE(IsFormatCharacter(c)) << std::hex << static_cast<unsigned>(c);
  }
}

TEST(ShownTextTest, ALineThatWouldSpoofReorderOrBreakShowsInFileOrder) {
  EXPECT_EQ(ShownText("150 4 = \u202Egnp.exe"), "150 4 = \\u202Egnp.exe");
  EXPECT_EQ(ShownText("\x1b[31mred\x1b[0m\tx\r\n"), "\\u001B[31mred\\u001B[0m\\u0009x\\u000D\\u000A");
  EXPECT_EQ(ShownText("a\u2028b\u2029c\u0085d\x7f"), "a\\u2028b\\u2029c\\u0085d\\u007F");
  EXPECT_EQ(ShownText("\u2066x\u2069\u00ad\ufeff"), "\\u2066x\\u2069\\u00AD\\uFEFF");
  EXPECT_EQ(ShownText("tag\U000E0041"), "tag\\U000E0041");
  EXPECT_EQ(ShownText("caf\u00e9 \u05e9\u05dc\u05d5\u05dd \U0001F600"),
            "caf\u00e9 \u05e9\u05dc\u05d5\u05dd \U0001F600");
}

TEST(ShownTextTest, BytesOutsideValidUtf8ShowAsReplacementCharacters) {
  const std::string r = "\ufffd";
  EXPECT_EQ(ShownText("caf\xe9!"), "caf" + r + "!");                 // Latin-1
  EXPECT_EQ(ShownText("\x80\xbf"), r + r);                           // lone continuation bytes
  EXPECT_EQ(ShownText("\xc0\xaf\xc1\xbf"), r + r + r + r);           // overlong two-byte forms
  EXPECT_EQ(ShownText("\xe0\x80\xaf"), r + r + r);                   // overlong three-byte form
  EXPECT_EQ(ShownText("\xed\xa0\x80"), r + r + r);                   // a surrogate
  EXPECT_EQ(ShownText("\xf4\x90\x80\x80"), r + r + r + r);           // past U+10FFFF
  EXPECT_EQ(ShownText("\xf5\xff"), r + r);                           // never in UTF-8
  EXPECT_EQ(ShownText("x\xe2\x82"), "x" + r + r);                    // cut at the end
  EXPECT_EQ(ShownText("\xe2\x82x\xe2\x82\xac"), r + r + "x\u20ac");  // cut, then whole
}

}  // namespace
}  // namespace kep::viewer

#include "sequence/line_list.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "common/error.h"

namespace kep::sequence {
namespace {

std::vector<std::string> Lines(std::string_view text) {
  const LineList list = LineList::Split(text);
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < list.Count(); ++i) lines.emplace_back(list[i]);
  return lines;
}

using V = std::vector<std::string>;

TEST(LineListTest, LineEnds) {
  EXPECT_EQ(Lines(""), V{});
  EXPECT_EQ(Lines("a\nb\n"), (V{"a", "b"}));
  EXPECT_EQ(Lines("a\r\nb\r\n"), (V{"a", "b"}));
  EXPECT_EQ(Lines("a\rb\r"), (V{"a", "b"}));
  EXPECT_EQ(Lines("a\nb"), (V{"a", "b"}));
  EXPECT_EQ(Lines("a\n\rb"), (V{"a", "", "b"}));   // LF CR is two line ends
  EXPECT_EQ(Lines("a\r\r\nb"), (V{"a", "", "b"}));  // CR, CR LF
  EXPECT_EQ(Lines("\n\n"), (V{"", ""}));
  EXPECT_EQ(Lines(" \t x \t\n"), (V{" \t x \t"}));
}

TEST(LineListTest, FirstNulEndsTheText) {
  EXPECT_EQ(Lines(std::string("ab\ncd\0ef\ngh", 11)), (V{"ab", "cd"}));
  EXPECT_EQ(Lines(std::string("ab\n\0ef", 6)), (V{"ab"}));
  EXPECT_EQ(Lines(std::string(1000, '\0')), V{});
}

// Lines longer than the scanner's 16-byte step, with breaks at every offset.
TEST(LineListTest, BreaksAtEveryOffsetOfLongLines) {
  for (std::size_t length = 0; length < 70; ++length) {
    const std::string line(length, 'x');
    const std::string text = line + "\r\n" + line + "\n" + line + "\r" + line;
    const V expected = length == 0 ? V{"", "", ""} : V{line, line, line, line};
    EXPECT_EQ(Lines(text), expected) << length;
  }
}

TEST(LineListTest, BoundsErrorsNameTheIndex) {
  LineList list = LineList::Split("only");
  EXPECT_EQ(list.At(0), "only");
  try {
    list.At(1);
    FAIL();
  } catch (const Error& error) {
    EXPECT_STREQ(error.what(), "List index out of bounds (1)");
  }
  EXPECT_THROW(list.Replace(5, "x"), Error);
}

TEST(LineListTest, KeepEvenLinesAcrossBlocks) {
  std::string text;
  const std::size_t count = 200001;  // spans several storage blocks
  for (std::size_t i = 0; i < count; ++i) text += std::to_string(i) + "\n";
  LineList list = LineList::Split(text);
  ASSERT_EQ(list.Count(), count);
  list.KeepEvenLines();
  ASSERT_EQ(list.Count(), (count + 1) / 2);
  for (std::size_t i = 0; i < list.Count(); i += 997) EXPECT_EQ(list[i], std::to_string(2 * i));
  EXPECT_EQ(list[list.Count() - 1], std::to_string(count - 1));
  list.Replace(0, "0 0");
  EXPECT_EQ(list[0], "0 0");
}

// Reading in small pieces, from a size hint that is too small or too large,
// must split exactly as splitting the whole text at once: CR LF pairs and
// NULs that straddle two pieces, and a buffer that grows under the lines.
TEST(LineListTest, ReadingInPiecesSplitsLikeTheWholeText) {
  const std::string text = std::string("ab\r\ncd\r\r\nef\n\rgh\rij\r\n\r\nkl") + std::string(1, '\0') + "mn\n";
  const V expected = Lines(text);
  const int fd = ::memfd_create("lines", 0);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  for (std::size_t piece = 1; piece <= 9; ++piece) {
    for (const std::size_t hint : {std::size_t{0}, std::size_t{3}, text.size(), text.size() * 4}) {
      ASSERT_EQ(::lseek(fd, 0, SEEK_SET), 0);
      const LineList list = LineList::Read(fd, hint, piece);
      V lines;
      for (std::size_t i = 0; i < list.Count(); ++i) lines.emplace_back(list[i]);
      EXPECT_EQ(lines, expected) << "piece " << piece << " hint " << hint;
    }
  }
  ::close(fd);
}

}  // namespace
}  // namespace kep::sequence

#include "sequence/word_string.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace kep::sequence {
namespace {

TEST(WordStringTest, NumbersWordsAcrossRunsOfSpaces) {
  const WordString words("  12   345 = 3");
  EXPECT_EQ(words.WordAt(1), "12");
  EXPECT_EQ(words.WordAt(2), "345");
  EXPECT_EQ(words.WordAt(3), "=");
  EXPECT_EQ(words.WordAt(4), "3");
  EXPECT_EQ(words.WordAt(5), "");
  EXPECT_EQ(words.WordAt(0), "");
}

TEST(WordStringTest, TextsWithoutWords) {
  for (const char* text : {"", "     ", " "}) {
    const WordString words(text);
    for (unsigned n = 0; n < 4; ++n) EXPECT_EQ(words.WordAt(n), "") << '"' << text << "\" word " << n;
  }
}

TEST(WordStringTest, OnlySpacesSeparateWordsAndTrailingSpacesAddNoWord) {
  const WordString tabbed("12\t345");
  EXPECT_EQ(tabbed.WordAt(1), "12\t345");
  EXPECT_EQ(tabbed.WordAt(2), "");
  const WordString trailing("a b   ");
  EXPECT_EQ(trailing.WordAt(2), "b");
  EXPECT_EQ(trailing.WordAt(3), "");
}

TEST(WordStringTest, LookupDoesNotChangeTheObject) {
  const WordString words("one two three");
  EXPECT_EQ(words.WordAt(3), "three");
  EXPECT_EQ(words.WordAt(1), "one");
  EXPECT_EQ(words.WordAt(3), "three");
}

TEST(WordStringTest, TextEndsAtFirstNul) {
  const WordString words(std::string("ab\0cd ef", 8));
  EXPECT_EQ(words.WordAt(1), "ab");
  EXPECT_EQ(words.WordAt(2), "");
}

TEST(WordStringTest, OtherDelimitersAndTheNulRule) {
  EXPECT_TRUE(IsWordDelimiter(" ,", ','));
  EXPECT_FALSE(IsWordDelimiter(" ,", '\0'));
  EXPECT_FALSE(IsWordDelimiter(std::string(" \0,", 3), ','));  // the list ends at its NUL
  WordString words("a,b;;c");
  words.SetWordDelimiters(",;");
  EXPECT_EQ(words.WordAt(3), "c");
  EXPECT_EQ(WordPosition(3, "a,b;;c", ",;"), 5u);
  EXPECT_EQ(WordPosition(4, "a,b;;c", ",;"), std::nullopt);
}

// The loader's allocation-free scanner must give what WordString gives, for
// every word number, over many random lines of spaces, tabs and word bytes.
TEST(WordStringTest, SpaceScannerAgreesWithWordStringOnRandomLines) {
  std::mt19937 random(12345);
  const std::string alphabet = "  \t=-0123456789abcTavrine";
  for (int round = 0; round < 20000; ++round) {
    std::string line(random() % 40, ' ');
    for (char& c : line) c = alphabet[random() % alphabet.size()];
    const WordString words(line);
    for (unsigned n = 0; n <= 12; ++n) {
      ASSERT_EQ(SpaceWordAt(line, n), words.WordAt(n)) << '"' << line << "\" word " << n;
    }
  }
}

}  // namespace
}  // namespace kep::sequence

#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kep::sequence {

// The default word delimiter: one space. Tabs and other white space are
// ordinary word characters.
inline constexpr std::string_view kDefaultWordDelimiters = " ";

// True when c is one of the delimiter characters; NUL is never a delimiter.
bool IsWordDelimiter(std::string_view delimiters, char c);

// Finds word n (numbered from 1) of text, which ends at its first NUL. Returns
// the offset of the word's first character, or nothing when the text has fewer
// than n words or n is 0.
std::optional<std::size_t> WordPosition(unsigned n, std::string_view text, std::string_view delimiters);

// A text that hands out its words. A word is a maximal run of characters that
// are not delimiters; delimiters before, between and after words belong to no
// word.
class WordString {
 public:
  explicit WordString(std::string_view text);

  // Word n, or an empty text when there are fewer than n words or n is 0.
  std::string WordAt(unsigned n) const;

  const std::string& WordDelimiters() const { return word_delimiters_; }
  void SetWordDelimiters(std::string_view delimiters);

 private:
  std::string text_;  // ends at the first NUL of the text it was made from
  std::string word_delimiters_{kDefaultWordDelimiters};
};

// The allocation-free form of WordAt with the default delimiter, for texts
// without NUL characters (lines of a line list): a view of word n, empty when
// there is no such word.
std::string_view SpaceWordAt(std::string_view text, unsigned n);

}  // namespace kep::sequence

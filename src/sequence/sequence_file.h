#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "sequence/line_list.h"

namespace kep::sequence {

// Reads a whole sequence file into a line list. Raises a FileError
// "Cannot open file "<path>". <reason>" when it cannot be read; only regular
// files are read, so a FIFO or a device never blocks or floods the reader.
LineList ReadSequenceLines(const std::string& path);

// True when the file's name (without its folder) begins with exactly "SQ".
bool IsSQFileName(std::string_view name);

// Brings an "SQ" file into one-line-per-term layout: keeps the lines at even
// positions, sets reformatted, then prefixes line 0 with "0 ". Raises
// "List index out of bounds (0)" on an empty list.
void ReformatSQFile(LineList& lines, bool& reformatted);

// The word number that holds the term: 2 when the second line's third word is
// "=" or the list was reformatted, else 3. Raises "List index out of bounds
// (1)" when there is no second line.
unsigned ChooseNumberColumn(const LineList& lines, bool reformatted);

// The digit count a line contributes, or nothing for a header line (first
// word "Tavrine") or a blank line (only characters with codes 0 to 32).
std::optional<std::size_t> TermLength(std::string_view line, unsigned number_column);

// Hands every data line's point (x = line index + 1, y = digit count) to
// receive(x, y) in line order; returns the largest digit count.
template <typename Receiver>
std::size_t BuildPoints(const LineList& lines, unsigned number_column, Receiver&& receive) {
  std::size_t largest = 0;
  const std::size_t count = lines.Count();
  for (std::size_t i = 0; i < count; ++i) {
    const std::optional<std::size_t> length = TermLength(lines[i], number_column);
    if (!length) continue;
    receive(static_cast<double>(i + 1), static_cast<double>(*length));
    if (*length > largest) largest = *length;
  }
  return largest;
}

}  // namespace kep::sequence

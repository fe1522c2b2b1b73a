#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "sequence/sequence_reader.h"

namespace kep::sequence {

// The parts of one line of a sequence file that are worth showing, read from
// the file on demand: the words before the term, the ends of the term, and
// the text after it. A term of any length costs a few small reads, since its
// length is known from its point.
struct LineExcerpt {
  // A term longer than kWholeTerm characters is shown by its first and last
  // kTermEnd characters.
  static constexpr std::size_t kWholeTerm = 30;
  static constexpr std::size_t kTermEnd = 10;
  // At most this much of the text before and after the term is read.
  static constexpr std::size_t kTextBytes = 400;

  std::string before;       // the line's text up to the term (all of it when there is no term)
  bool before_cut = false;  // more came before the term than was kept
  std::string term_head;    // the whole term, or its first kTermEnd characters
  std::string term_tail;    // its last kTermEnd characters when shortened, else empty
  std::uint64_t term_length = 0;
  std::string after;       // the text after the term, up to the line's end
  bool after_cut = false;  // the line goes on after `after`
};

// Reads the excerpt of place.file_line from the open file fd, through the
// sparse index of line offsets, reading no further than `end` (the bytes the
// index covers). Gives nothing when the line or its term is not where the
// index and the length say (the file changed) or reading fails: the caller
// then shows no text rather than a wrong one.
std::optional<LineExcerpt> ReadLineExcerpt(int fd, std::span<const LineMark> index, std::uint64_t end,
                                           const TermPlace& place);

}  // namespace kep::sequence

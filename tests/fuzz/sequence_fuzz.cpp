// Reads arbitrary bytes as a sequence file with the streaming reader, fed in
// pieces of fuzzed sizes and fed whole, and checks the line count, every
// point and the sparse line index against a plain reading of the whole text,
// character by character, that uses WordString for the words. The term
// column is fuzzed too, and the text may be repeated until it has lines and
// bytes enough for several marks of the line index.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "sequence/sequence_reader.h"
#include "sequence/word_string.h"

namespace {

using kep::sequence::LineMark;
using kep::sequence::SequenceReader;
using kep::sequence::TermColumn;
using kep::sequence::WordString;

void Check(bool condition) {
  if (!condition) std::abort();
}

// The lines of text, and in starts the offset where each line begins, a
// line after the last line end included.
std::vector<std::string> ReferenceLines(std::string_view text, std::vector<std::uint64_t>& starts) {
  std::vector<std::string> lines;
  std::string line;
  std::size_t i = 0;
  starts = {0};
  for (; i < text.size() && text[i] != '\0'; ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      lines.push_back(line);
      line.clear();
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      starts.push_back(i + 1);
    } else {
      line += text[i];
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

bool IsBlank(const std::string& line) {
  return line.find_first_not_of(
             std::string("\0\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c\x0d\x0e\x0f"
                         "\x10\x11\x12\x13\x14\x15\x16\x17\x18\x19\x1a\x1b\x1c\x1d\x1e\x1f ",
                         33)) == std::string::npos;
}

bool IsComment(const std::string& line) { return WordString(line).WordAt(1).starts_with('#'); }

// The automatic column's "n a(n)" case: the first line that is neither
// blank, a header nor a comment has exactly two words.
bool IsBFile(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) {
    const WordString words(line);
    if (IsBlank(line) || words.WordAt(1) == "Tavrine" || IsComment(line)) continue;
    return !words.WordAt(2).empty() && words.WordAt(3).empty();
  }
  return false;
}

std::vector<std::pair<double, double>> ReferencePoints(const std::vector<std::string>& lines, unsigned column,
                                                       bool skip_comments) {
  std::vector<std::pair<double, double>> points;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const WordString words(lines[i]);
    if (words.WordAt(1) == "Tavrine") continue;
    if (IsBlank(lines[i]) || (skip_comments && IsComment(lines[i]))) continue;
    points.emplace_back(static_cast<double>(i + 1), static_cast<double>(words.WordAt(column).size()));
  }
  return points;
}

// Line 0, then the first line to begin kMarkEveryLines lines or
// kMarkEveryBytes bytes after the mark before.
std::vector<LineMark> ReferenceIndex(const std::vector<std::uint64_t>& starts) {
  std::vector<LineMark> marks{{0, 0}};
  for (std::uint64_t line = 1; line < starts.size(); ++line) {
    if (line >= marks.back().line + SequenceReader::kMarkEveryLines ||
        starts[line] >= marks.back().offset + SequenceReader::kMarkEveryBytes) {
      marks.push_back({line, starts[line]});
    }
  }
  return marks;
}

// Feeds text to a reader in pieces whose sizes come from sizes (cycled),
// applying every batch as a consumer would.
std::vector<std::pair<double, double>> StreamPoints(std::string_view text, std::string_view sizes,
                                                    bool sq_file, TermColumn choice, std::size_t& lines,
                                                    std::vector<LineMark>& index) {
  SequenceReader reader(sq_file, choice);
  std::vector<std::pair<double, double>> points;
  for (std::size_t at = 0, k = 0; at < text.size(); ++k) {
    const std::size_t piece =
        sizes.empty() ? text.size() : 1 + static_cast<unsigned char>(sizes[k % sizes.size()]) % 32;
    const kep::sequence::PointBatch batch = reader.Feed(text.substr(at, piece));
    at += piece;
    Check(batch.withdrawn <= points.size());
    points.resize(points.size() - batch.withdrawn);
    for (const kep::ValuePoint& point : batch.points) points.emplace_back(point.x, point.y);
    Check(reader.PointCount() == points.size());
  }
  lines = static_cast<std::size_t>(reader.Lines());
  index = reader.LineIndex();
  return points;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::size_t size_count = data[0] % 8;
  const bool sq_file = data[1] & 1;
  const TermColumn choice = (data[1] & 6) == 2   ? TermColumn::kWord2
                            : (data[1] & 6) == 4 ? TermColumn::kWord3
                                                 : TermColumn::kAutomatic;
  if (size < 2 + size_count) return 0;
  const std::string_view sizes(reinterpret_cast<const char*>(data + 2), size_count);
  std::string_view text(reinterpret_cast<const char*>(data + 2 + size_count), size - 2 - size_count);
  std::string repeated;
  if (data[1] & 8) {
    // Copies enough for two marks by line count, or one by size.
    const std::size_t copies = 2 * SequenceReader::kMarkEveryLines + 1;
    const std::size_t bytes = SequenceReader::kMarkEveryBytes + (std::size_t{64} << 10);
    while (repeated.size() < bytes && copies * text.size() > repeated.size()) repeated += text;
    text = repeated;
  }

  std::vector<std::uint64_t> starts;
  std::vector<std::string> expected = ReferenceLines(text, starts);
  if (sq_file) {
    std::vector<std::string> kept;
    for (std::size_t i = 0; i < expected.size(); i += 2) kept.push_back(expected[i]);
    if (!kept.empty()) kept[0] = "0 " + kept[0];
    expected = kept;
  }
  std::size_t lines = 0;
  std::vector<LineMark> index;
  const std::vector<std::pair<double, double>> pieces =
      StreamPoints(text, sizes, sq_file, choice, lines, index);
  std::size_t whole_lines = 0;
  std::vector<LineMark> whole_index;
  const std::vector<std::pair<double, double>> whole =
      StreamPoints(text, {}, sq_file, choice, whole_lines, whole_index);
  Check(lines == expected.size() && whole_lines == expected.size());
  const std::vector<LineMark> reference_index = ReferenceIndex(starts);
  Check(index == reference_index && whole_index == reference_index);
  unsigned column = choice == TermColumn::kWord2 ? 2u : 3u;
  bool bfile = false;
  if (choice == TermColumn::kAutomatic) {
    // No point leaves the reader before there is a line 1 to choose the column from.
    if (expected.size() < 2) {
      Check(pieces.empty() && whole.empty());
      return 0;
    }
    column = (WordString(expected[1]).WordAt(3) == "=" || sq_file) ? 2u : 3u;
    bfile = column == 3 && IsBFile(expected);
    if (bfile) column = 2;
  }
  const std::vector<std::pair<double, double>> reference = ReferencePoints(expected, column, bfile);
  Check(pieces == reference);
  Check(whole == reference);
  return 0;
}

// Reads arbitrary bytes as a sequence file with the streaming reader, fed in
// pieces of fuzzed sizes and fed whole, and checks the line count, every
// point and the sparse line index against a plain reading of the whole text,
// character by character, that uses WordString for the words. The term
// column is fuzzed too, and the text may be repeated until it has lines and
// bytes enough for several marks of the line index.
//
// The same text is also read as SequenceFile::ReadSplit reads a file: one
// reader until its rules are settled, then stretches cut at line ends, each
// read by a reader of its own and joined in order. Where the cuts fall, the
// pieces of each stretch and whether more follows them come from the input's
// leading bytes. The joined reader must stand where a single reader stands,
// and both must read appended bytes alike.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "fuzz_support.h"
#include "sequence/sequence_reader.h"
#include "sequence/word_string.h"

namespace {

using kep::sequence::LineMark;
using kep::sequence::SequenceReader;
using kep::sequence::TermColumn;
using kep::sequence::WordString;

using Points = std::vector<std::pair<double, double>>;

// Removes the withdrawn points and appends the new ones, as a consumer does.
void Apply(Points& points, const kep::sequence::PointBatch& batch) {
  KEP_CHECK(batch.withdrawn <= points.size());
  points.resize(points.size() - batch.withdrawn);
  for (const kep::ValuePoint& point : batch.points) points.emplace_back(point.x, point.y);
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

Points ReferencePoints(const std::vector<std::string>& lines, unsigned column, bool skip_comments) {
  Points points;
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
Points StreamPoints(std::string_view text, std::string_view sizes, bool sq_file, TermColumn choice,
                    std::size_t& lines, std::vector<LineMark>& index) {
  SequenceReader reader(sq_file, choice);
  Points points;
  for (std::size_t at = 0, k = 0; at < text.size(); ++k) {
    const std::size_t piece =
        sizes.empty() ? text.size() : 1 + static_cast<unsigned char>(sizes[k % sizes.size()]) % 32;
    Apply(points, reader.Feed(text.substr(at, piece)));
    at += piece;
    KEP_CHECK(reader.PointCount() == points.size());
  }
  lines = static_cast<std::size_t>(reader.Lines());
  index = reader.LineIndex();
  return points;
}

// The choices of a split reading: where the cuts fall, the sizes of the
// pieces and whether more follows them (splitmix64 from a seed).
class Choices {
 public:
  explicit Choices(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9e3779b97f4a7c15);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9;
    z = (z ^ (z >> 27)) * 0x94d049bb133111eb;
    return z ^ (z >> 31);
  }
  // 0 .. n - 1 (0 when n is 0).
  std::size_t Below(std::size_t n) { return n == 0 ? 0 : static_cast<std::size_t>(Next() % n); }

 private:
  std::uint64_t state_;
};

// How a reading tells the reader whether more follows a piece.
enum class MoreFollows {
  kButLast,  // as a read to a known end does: for every piece but the last of the reading
  kNever,
  kAtRandom,  // never for the last piece
};

// Feeds reader the bytes [from, to) of text in pieces of random sizes, up to
// 2^20 bytes, applying the batches to points; with until_settled it stops
// after the piece that settles the reader's rules. Returns where it stopped.
std::size_t FeedPieces(SequenceReader& reader, std::string_view text, std::size_t from, std::size_t to,
                       Choices& choices, MoreFollows more, Points& points, bool until_settled = false) {
  // Often small pieces, so that CR LF pairs and words are split between them.
  const std::size_t largest = std::size_t{1} << choices.Below(std::bit_width(to - from) + 1);
  std::size_t at = from;
  while (at < to && !(until_settled && reader.RulesSettled())) {
    const std::size_t piece = std::min(to - at, 1 + choices.Below(largest));
    const bool last = at + piece == to;
    const bool follows =
        !last && (more == MoreFollows::kButLast || (more == MoreFollows::kAtRandom && choices.Below(2) == 0));
    Apply(points, reader.Feed(text.substr(at, piece), follows));
    at += piece;
    KEP_CHECK(reader.PointCount() == points.size());
  }
  return at;
}

// Where a stretch may begin: just after a line end, and not between the CR
// and the LF of a pair.
bool IsCut(std::string_view text, std::size_t at) {
  return at > 0 && at < text.size() && (text[at - 1] == '\n' || (text[at - 1] == '\r' && text[at] != '\n'));
}

// The offsets where the lines of text begin, as ReferenceLines gives them.
std::vector<std::uint64_t> LineStarts(std::string_view text) {
  constexpr std::string_view kBreaks("\r\n\0", 3);
  std::vector<std::uint64_t> starts{0};
  for (std::size_t i = text.find_first_of(kBreaks); i != text.npos && text[i] != '\0';
       i = text.find_first_of(kBreaks, i + 1)) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    starts.push_back(i + 1);
  }
  return starts;
}

// A line index that a reader may have made of the text whose line starts
// are starts: marks at true line starts, ascending from line 0, and no line
// left unmarked that a single reader would have marked after the mark
// before it (the joins may add marks).
void CheckIndex(const std::vector<LineMark>& marks, const std::vector<std::uint64_t>& starts) {
  KEP_CHECK(!marks.empty() && marks[0] == LineMark{});
  for (std::size_t k = 0; k < marks.size(); ++k) {
    const LineMark& mark = marks[k];
    KEP_CHECK(mark.line < starts.size() && starts[mark.line] == mark.offset);
    const std::uint64_t next = k + 1 < marks.size() ? marks[k + 1].line : starts.size();
    KEP_CHECK(next > mark.line);
    const std::uint64_t last_unmarked = next - 1;
    if (last_unmarked > mark.line) {
      KEP_CHECK(last_unmarked - mark.line < SequenceReader::kMarkEveryLines);
      KEP_CHECK(starts[last_unmarked] < mark.offset + SequenceReader::kMarkEveryBytes);
    }
  }
}

// The reader's state that a consumer or a follower sees.
void CheckSameState(const SequenceReader& a, const SequenceReader& b) {
  KEP_CHECK(a.Lines() == b.Lines());
  KEP_CHECK(a.FileLines() == b.FileLines());
  KEP_CHECK(a.PointCount() == b.PointCount());
  KEP_CHECK(a.LargestDigitCount() == b.LargestDigitCount());
  KEP_CHECK(a.BytesConsumed() == b.BytesConsumed());
  KEP_CHECK(a.TextEnded() == b.TextEnded());
  KEP_CHECK(a.NumberColumn() == b.NumberColumn());
  KEP_CHECK(a.ReadsBFile() == b.ReadsBFile());
}

// Reads text as SequenceFile::ReadSplit reads a file, with cuts after the
// rules are settled (an empty stretch included), and checks the joined
// reader against a single one, reference being the text's points; then
// both read bytes appended to the text.
void CheckSplitReading(std::string_view text, const std::vector<std::uint64_t>& starts, bool sq_file,
                       TermColumn choice, std::uint64_t seed, const Points& reference) {
  Choices choices(seed);
  const auto more = static_cast<MoreFollows>(choices.Below(3));
  SequenceReader joined(sq_file, choice);
  Points points;
  const std::size_t settled = FeedPieces(joined, text, 0, text.size(), choices, more, points, true);
  if (!joined.RulesSettled() || joined.TextEnded()) return;  // nothing to split

  // One to three cuts, at or after where the rules settled.
  std::vector<std::size_t> cuts{settled};
  const std::size_t count = 1 + choices.Below(3);
  for (std::size_t k = 0; k < count; ++k) {
    const std::size_t after = cuts.back();
    std::size_t at = choices.Below(4) == 0 ? after : after + choices.Below(text.size() - after);
    while (at < text.size() && !IsCut(text, at)) ++at;
    if (at == text.size()) break;
    cuts.push_back(at);
  }
  if (cuts.size() == 1) return;
  cuts.push_back(text.size());

  std::vector<SequenceReader> rests;
  std::vector<Points> rest_points(cuts.size() - 2);
  for (std::size_t k = 0; k < rest_points.size(); ++k) rests.push_back(joined.Rest());
  FeedPieces(joined, text, settled, cuts[1], choices, more, points);
  for (std::size_t k = 0; k < rests.size(); ++k)
    FeedPieces(rests[k], text, cuts[k + 1], cuts[k + 2], choices, more, rest_points[k]);
  for (std::size_t k = 0; k < rests.size() && !joined.TextEnded(); ++k) {
    KEP_CHECK(joined.AtLineStart() && joined.BytesConsumed() == cuts[k + 1]);
    const kep::sequence::RestPlacement placement = joined.Join(std::move(rests[k]));
    for (const auto& [x, y] : rest_points[k]) {
      kep::ValuePoint point{x, y};
      const bool kept = placement.Place(point);
      if (placement.KeepsEveryPoint()) KEP_CHECK(kept && point.x == x + placement.XShift());
      KEP_CHECK(point.y == y);
      if (kept) points.emplace_back(point.x, point.y);
    }
    KEP_CHECK(joined.PointCount() == points.size());
  }

  SequenceReader single(sq_file, choice);
  Points single_points;
  Apply(single_points, single.Feed(text));
  KEP_CHECK(points == reference);
  CheckSameState(joined, single);
  CheckIndex(joined.LineIndex(), starts);

  // Following after the split load: bytes appended, some of them the text's
  // own, sometimes after an LF that may end a CR at the text's end.
  const std::size_t from = choices.Below(text.size());
  std::string appended(choices.Below(4) == 0 ? "\n" : "");
  appended += text.substr(from, choices.Below(std::min<std::size_t>(text.size() - from, 64) + 1));
  const std::size_t split = choices.Below(appended.size() + 1);
  const bool follows = more == MoreFollows::kButLast;
  Apply(points, joined.Feed(std::string_view(appended).substr(0, split), follows));
  Apply(points, joined.Feed(std::string_view(appended).substr(split)));
  Apply(single_points, single.Feed(std::string_view(appended).substr(0, split), follows));
  Apply(single_points, single.Feed(std::string_view(appended).substr(split)));
  KEP_CHECK(points == single_points);
  CheckSameState(joined, single);
  CheckIndex(joined.LineIndex(), LineStarts(std::string(text) + appended));
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
  const Points pieces = StreamPoints(text, sizes, sq_file, choice, lines, index);
  std::size_t whole_lines = 0;
  std::vector<LineMark> whole_index;
  const Points whole = StreamPoints(text, {}, sq_file, choice, whole_lines, whole_index);
  KEP_CHECK(lines == expected.size() && whole_lines == expected.size());
  const std::vector<LineMark> reference_index = ReferenceIndex(starts);
  KEP_CHECK(index == reference_index && whole_index == reference_index);
  Points reference;
  if (choice == TermColumn::kAutomatic && expected.size() < 2) {
    // No point leaves the reader before there is a line 1 to choose the column from.
    KEP_CHECK(pieces.empty() && whole.empty());
  } else {
    unsigned column = choice == TermColumn::kWord2 ? 2u : 3u;
    bool bfile = false;
    if (choice == TermColumn::kAutomatic) {
      column = (WordString(expected[1]).WordAt(3) == "=" || sq_file) ? 2u : 3u;
      bfile = column == 3 && IsBFile(expected);
      if (bfile) column = 2;
    }
    reference = ReferencePoints(expected, column, bfile);
  }
  KEP_CHECK(pieces == reference);
  KEP_CHECK(whole == reference);

  // The split choices come from the leading bytes, which the text does not use.
  std::uint64_t seed = 0xcbf29ce484222325;
  for (std::size_t i = 0; i < 2 + size_count; ++i) seed = (seed ^ data[i]) * 0x100000001b3;
  CheckSplitReading(text, starts, sq_file, choice, seed, reference);
  return 0;
}

#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "common/value_point.h"

namespace kep::sequence {

// A line ends at CR, LF or NUL, the NUL also ending the text; CR LF is one
// line end.
constexpr bool IsLineBreak(char c) { return c == '\r' || c == '\n' || c == '\0'; }

// The first line break in [p, stop), or stop; sixteen bytes at a time where
// the processor allows it.
const char* FindLineBreak(const char* p, const char* stop);

// Where a line's term is and how long it is, as the reader found it.
struct TermPlace {
  std::uint64_t file_line = 0;  // the line's position in the file, before any reformatting
  unsigned word = 0;            // the word of the file's text that holds the term, from 1
  std::uint64_t length = 0;     // the term's characters (the point's digit count)
};

// Points the reader hands out from one Feed. The consumer first removes the
// last `withdrawn` points it holds from this reader, then appends `points`.
struct PointBatch {
  // Provisional points of earlier Feeds that are taken back (0, 1 or 2):
  // the last line had no line end yet and has grown since.
  std::size_t withdrawn = 0;
  // New points in line order, X ascending and above every point kept. The
  // view stays valid until the reader's next Feed.
  std::span<const ValuePoint> points;
};

// Which word of a line holds the term.
enum class TermColumn {
  kAutomatic,  // word 2 or 3 by the second line, and word 2 for a file of "n a(n)" lines
  kWord2,
  kWord3,
};

// One entry of the sparse line index: where a line of the file begins.
struct LineMark {
  std::uint64_t line = 0;    // the line's position in the file, from 0 (before any reformatting)
  std::uint64_t offset = 0;  // the byte offset of its first character

  friend bool operator==(const LineMark&, const LineMark&) = default;
};

// Moves the points that a reader of a later stretch of a file (made by
// SequenceReader::Rest) handed out to their places in the whole file.
class RestPlacement {
 public:
  // Puts point at its place in the whole file: false when the whole file
  // has no such point (an odd line of an "SQ" file).
  bool Place(ValuePoint& point) const {
    const std::uint64_t line = first_line_ + static_cast<std::uint64_t>(point.x) - 1;
    if (reformat_ && line % 2 != 0) return false;
    point.x = static_cast<double>((reformat_ ? line / 2 : line) + 1);
    return true;
  }
  // Every point is kept, its X moved by XShift().
  bool KeepsEveryPoint() const { return !reformat_; }
  double XShift() const { return static_cast<double>(first_line_); }

 private:
  friend class SequenceReader;
  RestPlacement(std::uint64_t first_line, bool reformat) : first_line_(first_line), reformat_(reformat) {}
  std::uint64_t first_line_;  // the line of the file where the stretch begins
  bool reformat_;
};

// Turns the bytes of a sequence file into its points in one pass, piece by
// piece, keeping neither the text nor a view per line: the state between two
// pieces is a few counters of the line in progress, plus the lengths of the
// first three words of line 0 until the number column is known. A line of a
// gigabyte therefore costs no more memory than a short one.
//
// The rules:
//  - A line ends at CR, LF or CR LF (so LF CR and CR CR LF end two lines);
//    a CR LF split between two Feeds is still one line end.
//  - The first NUL ends the text: the line before it counts when it is not
//    empty, and nothing after it is read (TextEnded() turns true; further
//    Feeds take nothing).
//  - Text after the last line end is a line when it is not empty. As more
//    may come, its point is provisional: it is handed out now and withdrawn
//    by the next Feed that adds to that line (then handed out again as it
//    is then). A line end that arrives later makes it final without change,
//    so a reader simply stops: there is no separate end-of-input call.
//  - With reformat set (an "SQ" file) the lines at odd positions are
//    dropped and line 0 reads as if prefixed with "0 ".
//  - The number column (the word that holds the term) is chosen
//    automatically, or fixed by the caller. Automatically it is 2 when the
//    second line's third word is "=" or the file is reformatted, else 3. No
//    point leaves the reader before the second line exists; while that line
//    is still the provisional last line, the points of lines 0 and 1 are
//    both provisional (withdrawn = 2), as its third word may still change.
//  - A file of "n a(n)" lines with "#" comments: when the automatic column
//    is 3 but the first data line (neither blank, nor a header, nor with a
//    first word that begins with "#") has exactly two words, the term is
//    word 2 and the lines whose first word begins with "#" give no point.
//    Until that line arrives, the points of "#" lines are handed out as
//    column 3 gives them, and all of them are withdrawn if it turns the file
//    into such a file (so withdrawn may be any count then).
//  - A line gives the point (x = line position + 1 after reformatting,
//    y = length of its number-column word), unless its first word is
//    "Tavrine" (a header) or it holds only characters of codes 0 to 32.
//    Words are separated by spaces only.
//
// Feeding continues where the previous Feed stopped, so a file that keeps
// growing is followed by feeding its appended bytes. The reader is not
// thread-safe: one thread at a time may use it (it may move between threads
// with the usual hand-over).
class SequenceReader {
 public:
  explicit SequenceReader(bool reformat, TermColumn column = TermColumn::kAutomatic);

  // Takes in the next bytes of the file. Costs in proportion to bytes.size()
  // and allocates only the batch, whose capacity is kept for the next Feed.
  // With more_follows the caller feeds the bytes that follow at once (the
  // next piece of a read), so the unended last line is not handed out yet:
  // a read in pieces then withdraws nothing between them. A Feed without it,
  // even of no bytes, hands that line out. Raises std::bad_alloc when the
  // batch does not fit.
  PointBatch Feed(std::string_view bytes, bool more_follows = false);

  // Raises "List index out of bounds (i)" unless line i exists (after
  // reformatting; the provisional last line counts). The open steps check
  // line 0 for the reformat of an "SQ" file and line 1 for the number
  // column.
  void CheckLine(std::size_t i) const;

  // A NUL ended the text: Feed takes nothing more.
  bool TextEnded() const { return text_ended_; }
  // Bytes taken in so far: up to and including the ending NUL once there is
  // one. A follower feeds the file from this offset on.
  std::uint64_t BytesConsumed() const { return bytes_consumed_; }
  // Lines of the file so far, ended ones plus the unended last one if it is
  // not empty (before reformatting, for progress).
  std::uint64_t FileLines() const { return ended_lines_ + (line_.bytes > 0 ? 1 : 0); }
  // Lines after reformatting, the provisional last one included.
  std::uint64_t Lines() const;
  // The word that holds the term: 0 until the automatic choice is made, then 2 or 3.
  unsigned NumberColumn() const { return bfile_ == BFile::kYes ? 2 : number_column_; }
  // Where the term of the point at line (after reformatting, from 0) stands in
  // the file, the point having length digits. Needs the number column.
  TermPlace TermPlaceOf(std::uint64_t line, std::uint64_t length) const;
  // The automatic column found a file of "n a(n)" lines (so far).
  bool ReadsBFile() const { return bfile_ == BFile::kYes; }
  // Points handed out and not withdrawn.
  std::uint64_t PointCount() const {
    return final_[0].points + final_[1].points + (tentative_out_ ? tentative_.size() : 0) +
           provisional_.size();
  }
  // The largest Y among those points.
  std::size_t LargestDigitCount() const;

  // The sparse line index: line 0, then the first line to begin at least
  // kMarkEveryLines lines or kMarkEveryBytes bytes after the previous mark.
  // It lets a caller find the text of any line by reading at most about one
  // MiB of the file.
  // ---- One text read by several readers, each a stretch of it ----
  // The rules that the first lines decide are settled for good: the number
  // column, and whether the file is read as "n a(n)" lines. The text after
  // any later line end can then be read on its own.
  bool RulesSettled() const {
    return number_column_ != 0 && bfile_ != BFile::kUnknown && !column_provisional_ && !decision_provisional_;
  }
  // A reader for a stretch of the text that begins at a line start after
  // what this reader has read, this reader's rules being settled: it reads
  // by those rules and numbers lines from 0 where it begins. For an "SQ"
  // file it keeps every line, as it cannot tell which ones are even; Join
  // drops the others.
  SequenceReader Rest() const;
  // Takes over from rest, a reader made by Rest that read the text from
  // exactly where this reader stopped, which must be at a line start with
  // the text not ended. Afterwards this reader stands where it would stand
  // had it read both stretches itself (the line index may have an extra
  // mark where rest began), and follows on from there. Returns how to place
  // the points rest handed out, which follow this reader's.
  RestPlacement Join(SequenceReader&& rest);
  // Where a stretch that begins here may be read by a reader of its own:
  // the text ended with a line end and not with a NUL, and the rules are settled.
  bool AtLineStart() const { return line_.bytes == 0 && !line_provisional_ && !text_ended_; }

  static constexpr std::uint64_t kMarkEveryLines = 4096;
  static constexpr std::uint64_t kMarkEveryBytes = std::uint64_t{1} << 20;
  const std::vector<LineMark>& LineIndex() const { return marks_; }

 private:
  // What is known of the line in progress, updated byte run by byte run.
  // All zero at the start of a line, so that starting one is cheap.
  struct LineState {
    std::uint64_t bytes = 0;       // characters so far
    unsigned words = 0;            // words begun so far
    bool in_word = false;          // the last character was part of a word
    bool printable = false;        // a character above code 32 was seen
    bool not_header = false;       // word 1 so far is no prefix of "Tavrine"
    std::size_t lengths[4] = {};   // lengths of words 1 .. 3 (index 0 unused)
    bool third_is_equals = false;  // word 3 so far is "="
    bool hash_first = false;       // word 1 begins with "#"
  };
  // Whether the term is word 2 of "n a(n)" lines: unknown while the
  // automatic column is 3 and no data line has come yet.
  enum class BFile { kUnknown, kNo, kYes };

  // Takes the characters of the line in progress from p on, up to a line
  // break or stop, and returns where it stopped.
  const char* TakeCharacters(const char* p, const char* stop);
  // Takes characters [begin, end) of word line_.words.
  void TakeWord(const char* begin, const char* end);
  // Whole lines may be taken by TakeLines: the line in progress has not
  // begun, the rules are settled and nothing is provisional.
  bool TakesWholeLines() const {
    return line_.bytes == 0 && !line_provisional_ && RulesSettled() && !(reformat_ && ended_lines_ == 0);
  }
  // Takes lines from p, a line start, to stop, classifying the bytes 64 at a
  // time. Stops early at a control character other than CR and LF (a NUL
  // too), and before a CR that ends the bytes; line_ then holds the line in
  // progress as TakeCharacters would have left it. begin is where the
  // bytes of the Feed begin.
  const char* TakeLines(const char* p, const char* stop, const char* begin);
  void EndLine();
  // A new line begins at this offset of the file.
  void BeginLine(std::uint64_t offset);
  // Its first word is "Tavrine".
  static bool IsHeader(const LineState& line);
  bool Wanted(std::uint64_t file_line) const { return !reformat_ || (file_line % 2) == 0; }
  // The words of the line in progress that matter: up to the number column.
  unsigned WordsNeeded() const;
  void ChooseColumn(const LineState& second, bool provisional);
  // Settles whether the file is read as "n a(n)" lines.
  void Decide(bool bfile, bool provisional);
  // The points of "#" lines handed out while undecided are final.
  void FinalizeTentative();
  // Takes line index (after reformatting) once the column is known: it may
  // settle the "n a(n)" question, then gives its point.
  void Offer(const LineState& line, std::uint64_t index, bool provisional);
  // Hands out the point of line index, if it gives one.
  void Emit(const LineState& line, std::uint64_t index, bool provisional);
  // Takes back the provisional points: their line grows.
  void Withdraw();
  // Hands out the point of the unended last line, provisionally.
  void HandOutProvisional();

  bool reformat_;
  bool text_ended_ = false;
  bool after_cr_ = false;  // the last character taken was a CR: a following LF belongs to it
  std::uint64_t bytes_consumed_ = 0;
  std::uint64_t ended_lines_ = 0;  // file lines ended so far
  LineState line_;                 // the line in progress
  LineState first_line_;           // line 0, kept until the column is chosen
  unsigned number_column_ = 0;
  bool line_provisional_ = false;    // the line in progress was handed out provisionally
  bool column_provisional_ = false;  // the column was chosen from that line
  BFile bfile_ = BFile::kUnknown;
  bool decision_provisional_ = false;  // bfile_ was settled by that line
  // Points of ended "#" lines handed out while bfile_ is unknown; the
  // consumer holds them unless a provisional kYes took them back.
  std::vector<ValuePoint> tentative_;
  bool tentative_out_ = true;
  std::uint64_t held_at_feed_start_ = 0;  // PointCount() when the Feed in progress began
  std::size_t withdrawn_ = 0;             // of the Feed in progress
  // Points that can no longer be withdrawn: their count and largest Y, for
  // the lines at even and at odd positions (all in [0] unless this reader
  // keeps the odd lines of an "SQ" file for Join to drop).
  struct FinalPoints {
    std::uint64_t points = 0;
    std::size_t largest = 0;
  };
  FinalPoints final_[2];
  std::uint64_t parity_mask_ = 0;  // 1 when final_[1] is used
  void CountFinal(const ValuePoint& point) {
    FinalPoints& final = final_[(static_cast<std::uint64_t>(point.x) - 1) & parity_mask_];
    ++final.points;
    final.largest = std::max(final.largest, static_cast<std::size_t>(point.y));
  }
  std::vector<ValuePoint> batch_;
  std::vector<ValuePoint> provisional_;  // handed out, may be withdrawn
  std::vector<LineMark> marks_;
  LineMark next_mark_{kMarkEveryLines, kMarkEveryBytes};  // a line at or past either starts a mark
};

}  // namespace kep::sequence

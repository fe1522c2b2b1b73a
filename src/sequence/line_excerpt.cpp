#include "sequence/line_excerpt.h"

#include <algorithm>
#include <memory>

#include "sequence/sequence_file.h"

namespace kep::sequence {

namespace {

bool IsDelimiter(int c) { return c == ' ' || IsLineBreak(static_cast<char>(c)); }

// Reads a file forward from an offset through a small buffer, never past
// `end`. Next gives -1 at the end or when reading fails (Failed tells).
class FileCursor {
 public:
  FileCursor(int fd, std::uint64_t offset, std::uint64_t end) : fd_(fd), offset_(offset), end_(end) {}

  int Next() {
    if (at_ == size_ && !Fill()) return -1;
    ++offset_;
    return static_cast<unsigned char>(buffer_[at_++]);
  }
  // The next byte, not taken.
  int Peek() {
    if (at_ == size_ && !Fill()) return -1;
    return static_cast<unsigned char>(buffer_[at_]);
  }
  std::uint64_t Offset() const { return offset_; }
  bool Failed() const { return failed_; }
  void Seek(std::uint64_t offset) {
    offset_ = offset;
    at_ = size_ = 0;
  }
  // Skips to the start of the next line; false when the text ends first.
  bool SkipLine() {
    for (;;) {
      if (at_ == size_ && !Fill()) return false;
      const char* const begin = buffer_.get() + at_;
      const char* const stop = buffer_.get() + size_;
      const char* p = FindLineBreak(begin, stop);
      offset_ += static_cast<std::uint64_t>(p - begin);
      at_ += static_cast<std::size_t>(p - begin);
      if (p == stop) continue;
      const int c = Next();
      if (c == '\0') return false;
      if (c == '\r' && Peek() == '\n') Next();
      return true;
    }
  }

 private:
  static constexpr std::size_t kBufferBytes = std::size_t{64} << 10;

  bool Fill() {
    if (offset_ >= end_ || failed_) return false;
    if (!buffer_) buffer_ = std::make_unique_for_overwrite<char[]>(kBufferBytes);
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(kBufferBytes, end_ - offset_));
    const std::ptrdiff_t got = ReadAt(fd_, buffer_.get(), want, offset_);
    if (got <= 0) {
      failed_ = got < 0;
      return false;
    }
    at_ = 0;
    size_ = static_cast<std::size_t>(got);
    return true;
  }

  int fd_;
  std::uint64_t offset_;
  std::uint64_t end_;
  std::unique_ptr<char[]> buffer_;
  std::size_t at_ = 0;
  std::size_t size_ = 0;
  bool failed_ = false;
};

// Appends up to `count` characters of the term to text; false when one of
// them is a delimiter, or the text ends first.
bool TakeTermCharacters(FileCursor& cursor, std::uint64_t count, std::string& text) {
  for (std::uint64_t k = 0; k < count; ++k) {
    const int c = cursor.Next();
    if (c < 0 || IsDelimiter(c)) return false;
    text += static_cast<char>(c);
  }
  return true;
}

}  // namespace

std::optional<LineExcerpt> ReadLineExcerpt(int fd, std::span<const LineMark> index, std::uint64_t end,
                                           const TermPlace& place) {
  // The last mark at or before the line: the line begins less than one
  // mark's span of bytes after it.
  const auto mark = std::upper_bound(index.begin(), index.end(), place.file_line,
                                     [](std::uint64_t line, const LineMark& m) { return line < m.line; });
  if (mark == index.begin() || place.word == 0) return std::nullopt;
  const LineMark& from = *(mark - 1);
  FileCursor cursor(fd, from.offset, end);
  for (std::uint64_t line = from.line; line < place.file_line; ++line) {
    if (!cursor.SkipLine() || cursor.Offset() - from.offset > SequenceReader::kMarkEveryBytes)
      return std::nullopt;
  }
  // Nothing after the last line end, or after a NUL, is a line.
  if (const int c = cursor.Peek(); c < 0 || c == '\0') return std::nullopt;

  // The words before the term, whose text is kept as it stands. Past a
  // mark's span of bytes the index does not describe this file.
  LineExcerpt excerpt;
  const std::uint64_t line_start = cursor.Offset();
  unsigned words = 0;
  bool in_word = false;
  for (;;) {
    const int c = cursor.Peek();
    if (c < 0 || IsLineBreak(c)) break;                          // the line has no such word
    if (c != ' ' && !in_word && words + 1 == place.word) break;  // the term begins
    if (c != ' ' && !in_word) ++words;
    in_word = c != ' ';
    cursor.Next();
    if (excerpt.before.size() < LineExcerpt::kTextBytes) {
      excerpt.before += static_cast<char>(c);
    } else {
      excerpt.before_cut = true;
    }
    if (cursor.Offset() - line_start > SequenceReader::kMarkEveryBytes) return std::nullopt;
  }
  if (cursor.Failed()) return std::nullopt;
  const int first = cursor.Peek();
  const bool has_term = first >= 0 && !IsLineBreak(first);
  // A term where the point says there is none, or none where it says there
  // is one: the file is not the one indexed.
  if (has_term != (place.length > 0)) return std::nullopt;
  if (!has_term) return cursor.Failed() ? std::nullopt : std::optional(excerpt);

  excerpt.term_length = place.length;
  const std::uint64_t term_start = cursor.Offset();
  if (place.length <= LineExcerpt::kWholeTerm) {
    if (!TakeTermCharacters(cursor, place.length, excerpt.term_head)) return std::nullopt;
  } else {
    if (!TakeTermCharacters(cursor, LineExcerpt::kTermEnd, excerpt.term_head)) return std::nullopt;
    cursor.Seek(term_start + place.length - LineExcerpt::kTermEnd);
    if (!TakeTermCharacters(cursor, LineExcerpt::kTermEnd, excerpt.term_tail)) return std::nullopt;
  }
  // The term ends where its length says.
  const int next = cursor.Peek();
  if (next >= 0 && !IsDelimiter(next)) return std::nullopt;

  for (int c = cursor.Peek(); c >= 0 && !IsLineBreak(c); c = cursor.Peek()) {
    if (excerpt.after.size() == LineExcerpt::kTextBytes) {
      excerpt.after_cut = true;
      break;
    }
    excerpt.after += static_cast<char>(cursor.Next());
  }
  if (cursor.Failed()) return std::nullopt;
  return excerpt;
}

}  // namespace kep::sequence

#include "sequence/line_list.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

#include "common/error.h"
#include "common/format.h"
#include "sequence/messages.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kep::sequence {

namespace {

// The first CR, LF or NUL in [p, stop), or stop. Sixteen bytes at a time
// where the processor allows it: this scan is the cost of reading a file.
const char* FindLineBreak(const char* p, const char* stop) {
#if defined(__SSE2__)
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i nul = _mm_setzero_si128();
  while (stop - p >= 16) {
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i hits = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(chunk, cr), _mm_cmpeq_epi8(chunk, lf)),
                                      _mm_cmpeq_epi8(chunk, nul));
    const int mask = _mm_movemask_epi8(hits);
    if (mask != 0) return p + __builtin_ctz(static_cast<unsigned>(mask));
    p += 16;
  }
#endif
  while (p < stop && *p != '\r' && *p != '\n' && *p != '\0') ++p;
  return p;
}

}  // namespace

// Splits a buffer that fills piece by piece. Lines are views into the
// buffer; when the buffer has to grow, the views are moved along with it.
class LineList::Splitter {
 public:
  Splitter(LineList& list, std::size_t capacity)
      : list_(list), buffer_(std::make_unique_for_overwrite<char[]>(std::max<std::size_t>(capacity, 1))),
        capacity_(std::max<std::size_t>(capacity, 1)) {}

  char* FreeSpace() { return buffer_.get() + size_; }
  std::size_t FreeBytes() const { return capacity_ - size_; }

  // Doubles the buffer, keeping its text and the lines already split.
  void Grow() {
    const std::size_t larger = capacity_ * 2;
    auto grown = std::make_unique_for_overwrite<char[]>(larger);
    std::memcpy(grown.get(), buffer_.get(), size_);
    const char* const old_base = buffer_.get();
    for (std::size_t i = 0; i < list_.count_; ++i) {
      std::string_view& line = list_.Slot(i);
      line = {grown.get() + (line.data() - old_base), line.size()};
    }
    buffer_ = std::move(grown);
    capacity_ = larger;
  }

  // Takes in the next bytes written at FreeSpace() and splits what is complete.
  void Consume(std::size_t bytes, bool at_end) {
    size_ += bytes;
    const char* const base = buffer_.get();
    const char* const stop = base + size_;
    while (!ended_) {
      const char* const end = FindLineBreak(base + scan_, stop);
      if (end == stop) {
        scan_ = size_;
        break;
      }
      const char* const line = base + line_start_;
      if (*end == '\0') {  // the text ends here
        if (end != line) list_.Append({line, static_cast<std::size_t>(end - line)});
        ended_ = true;
        return;
      }
      if (*end == '\r' && end + 1 == stop && !at_end) {  // CR LF may straddle two pieces
        scan_ = static_cast<std::size_t>(end - base);
        break;
      }
      list_.Append({line, static_cast<std::size_t>(end - line)});
      const char* const next = (*end == '\r' && end + 1 < stop && end[1] == '\n') ? end + 2 : end + 1;
      line_start_ = scan_ = static_cast<std::size_t>(next - base);
    }
    if (at_end && !ended_ && line_start_ < size_) {
      list_.Append({base + line_start_, size_ - line_start_});
    }
  }

  std::unique_ptr<char[]> TakeBuffer() { return std::move(buffer_); }

 private:
  LineList& list_;
  std::unique_ptr<char[]> buffer_;
  std::size_t capacity_;
  std::size_t size_ = 0;
  std::size_t line_start_ = 0;  // where the line being split begins
  std::size_t scan_ = 0;        // where the search for its end goes on
  bool ended_ = false;          // a NUL ended the text
};

LineList LineList::Split(std::string_view text) {
  LineList list;
  Splitter splitter(list, text.size());
  if (!text.empty()) std::memcpy(splitter.FreeSpace(), text.data(), text.size());
  splitter.Consume(text.size(), true);
  list.buffer_ = splitter.TakeBuffer();
  return list;
}

LineList LineList::Read(int fd, std::size_t size_hint, std::size_t piece_bytes) {
  piece_bytes = std::max<std::size_t>(piece_bytes, 1);
  LineList list;
  // One byte more than expected, so that reaching the end needs no growth.
  Splitter splitter(list, size_hint + 1);
  for (;;) {
    if (splitter.FreeBytes() == 0) splitter.Grow();
    const ssize_t got = ::read(fd, splitter.FreeSpace(), std::min(splitter.FreeBytes(), piece_bytes));
    if (got < 0) {
      if (errno == EINTR) continue;
      throw std::system_error(errno, std::generic_category());
    }
    splitter.Consume(static_cast<std::size_t>(got), got == 0);
    if (got == 0) break;
  }
  list.buffer_ = splitter.TakeBuffer();
  return list;
}

void LineList::Append(std::string_view line) {
  if ((count_ & kBlockMask) == 0) {
    blocks_.push_back(std::make_unique_for_overwrite<std::string_view[]>(kBlockSize));
  }
  Slot(count_++) = line;
}

void LineList::CheckIndex(std::size_t i) const {
  if (i >= count_) throw Error(FormatMessage(messages::kListIndexOutOfBounds, i));
}

std::string_view LineList::At(std::size_t i) const {
  CheckIndex(i);
  return (*this)[i];
}

void LineList::Replace(std::size_t i, std::string text) {
  CheckIndex(i);
  replaced_.push_back(std::make_unique<std::string>(std::move(text)));
  Slot(i) = *replaced_.back();
}

void LineList::KeepEvenLines() {
  const std::size_t kept = (count_ + 1) / 2;
  for (std::size_t i = 1; i < kept; ++i) Slot(i) = Slot(2 * i);
  count_ = kept;
  blocks_.resize((count_ + kBlockMask) >> kBlockShift);
}

}  // namespace kep::sequence

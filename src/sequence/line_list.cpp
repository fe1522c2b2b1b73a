#include "sequence/line_list.h"

#include <cstring>

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

LineList LineList::Split(std::unique_ptr<char[]> buffer, std::size_t size) {
  LineList list;
  const char* p = buffer.get();
  const char* const stop = p + size;
  while (p < stop) {
    const char* end = FindLineBreak(p, stop);
    if (end == stop || *end == '\0') {  // the text ends here
      if (end != p) list.Append({p, static_cast<std::size_t>(end - p)});
      break;
    }
    list.Append({p, static_cast<std::size_t>(end - p)});
    p = (*end == '\r' && end + 1 < stop && end[1] == '\n') ? end + 2 : end + 1;
  }
  list.buffer_ = std::move(buffer);
  return list;
}

LineList LineList::Split(std::string_view text) {
  auto buffer = std::make_unique_for_overwrite<char[]>(text.size());
  if (!text.empty()) std::memcpy(buffer.get(), text.data(), text.size());
  return Split(std::move(buffer), text.size());
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

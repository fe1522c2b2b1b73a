#include "sequence/sequence_reader.h"

#include <algorithm>
#include <bit>
#include <cassert>

#include "common/error.h"
#include "common/format.h"
#include "sequence/messages.h"

#if defined(__x86_64__)
#include <immintrin.h>
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kep::sequence {

namespace {

constexpr std::string_view kHeaderKeyword = "Tavrine";

bool IsPrintable(char c) { return static_cast<unsigned char>(c) > 32; }

#if defined(__x86_64__)
// Whether the processor has the 32-byte compares, asked once at start-up.
const bool kHasAvx2 = [] {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") != 0;
}();

// The stops among the 32 bytes at p, as a bit mask.
template <bool kSpace>
__attribute__((target("avx2"))) std::uint32_t StopMask32(const char* p) {
  const __m256i chunk = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
  __m256i hits = _mm256_or_si256(_mm256_or_si256(_mm256_cmpeq_epi8(chunk, _mm256_set1_epi8('\r')),
                                                 _mm256_cmpeq_epi8(chunk, _mm256_set1_epi8('\n'))),
                                 _mm256_cmpeq_epi8(chunk, _mm256_setzero_si256()));
  if constexpr (kSpace) hits = _mm256_or_si256(hits, _mm256_cmpeq_epi8(chunk, _mm256_set1_epi8(' ')));
  return static_cast<std::uint32_t>(_mm256_movemask_epi8(hits));
}

// The long stretches of FindStop, 64 bytes a step (two 32-byte masks make
// one 64-bit mask): the first stop, or where fewer than 64 bytes remain.
template <bool kSpace>
__attribute__((target("avx2"))) const char* FindStopWide(const char* p, const char* stop) {
  while (stop - p >= 64) {
    const std::uint64_t mask = StopMask32<kSpace>(p) | (std::uint64_t{StopMask32<kSpace>(p + 32)} << 32);
    if (mask != 0) return p + std::countr_zero(mask);
    p += 64;
  }
  return p;
}
#endif

// The first CR, LF or NUL (and, with kSpace, space) in [p, stop), or stop.
// Sixteen bytes at a time where the processor allows it, and 64 over long
// stretches where it has the wider compares: this scan is the cost of
// reading a file.
template <bool kSpace>
const char* FindStop(const char* p, const char* stop) {
#if defined(__SSE2__)
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i nul = _mm_setzero_si128();
  const __m128i space = _mm_set1_epi8(' ');
  while (stop - p >= 16) {
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    __m128i hits = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(chunk, cr), _mm_cmpeq_epi8(chunk, lf)),
                                _mm_cmpeq_epi8(chunk, nul));
    if constexpr (kSpace) hits = _mm_or_si128(hits, _mm_cmpeq_epi8(chunk, space));
    const int mask = _mm_movemask_epi8(hits);
    if (mask != 0) return p + __builtin_ctz(static_cast<unsigned>(mask));
    p += 16;
#if defined(__x86_64__)
    // Most words and lines end within their first 16 bytes; past those, a
    // long stretch is taken 64 bytes a step.
    if (kHasAvx2 && stop - p >= 64) {
      p = FindStopWide<kSpace>(p, stop);
      if (stop - p >= 64) return p;  // a stop
    }
#endif
  }
#endif
  while (p < stop && !IsLineBreak(*p) && !(kSpace && *p == ' ')) ++p;
  return p;
}

// A chunk of text classified 64 bytes at a time: bit i of low[k] is set
// when byte 64k + i is at most 32 (a space, a line break or another control
// character), and of space[k] when it is a space. The bytes after the
// chunk's end read as controls.
constexpr std::size_t kClassBlocks = 256;
constexpr std::size_t kClassBytes = 64 * kClassBlocks;
struct ByteClasses {
  std::uint64_t low[kClassBlocks + 1];
  std::uint64_t space[kClassBlocks + 1];
};

// The 64 bits of bits from bit at on.
std::uint64_t Window(const std::uint64_t* bits, std::size_t at) {
  const std::size_t k = at / 64;
  const unsigned r = at % 64;
  return r == 0 ? bits[k] : (bits[k] >> r) | (bits[k + 1] << (64 - r));
}

#if !defined(__SSE2__)
void ClassifyScalar(const char* p, std::uint64_t& low, std::uint64_t& space) {
  low = 0;
  space = 0;
  for (unsigned i = 0; i < 64; ++i) {
    const auto c = static_cast<unsigned char>(p[i]);
    low |= std::uint64_t{c <= 32} << i;
    space |= std::uint64_t{c == ' '} << i;
  }
}
#endif

#if defined(__SSE2__)
void ClassifySse2(const char* p, std::uint64_t& low, std::uint64_t& space) {
  const __m128i bound = _mm_set1_epi8(32);
  const __m128i blank = _mm_set1_epi8(' ');
  low = 0;
  space = 0;
  for (unsigned i = 0; i < 4; ++i) {
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
    const auto at_most =
        static_cast<std::uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(chunk, bound), chunk)));
    const auto spaces = static_cast<std::uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, blank)));
    low |= std::uint64_t{at_most} << (16 * i);
    space |= std::uint64_t{spaces} << (16 * i);
  }
}
#endif

#if defined(__x86_64__)
__attribute__((target("avx2"))) inline void ClassifyAvx2(const char* p, std::uint64_t& low,
                                                         std::uint64_t& space) {
  const __m256i bound = _mm256_set1_epi8(32);
  const __m256i blank = _mm256_set1_epi8(' ');
  const __m256i lo = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
  const __m256i hi = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32));
  const auto mask = [](__m256i hits) __attribute__((target("avx2"))) {
    return std::uint64_t{static_cast<std::uint32_t>(_mm256_movemask_epi8(hits))};
  };
  low = mask(_mm256_cmpeq_epi8(_mm256_min_epu8(lo, bound), lo)) |
        mask(_mm256_cmpeq_epi8(_mm256_min_epu8(hi, bound), hi)) << 32;
  space = mask(_mm256_cmpeq_epi8(lo, blank)) | mask(_mm256_cmpeq_epi8(hi, blank)) << 32;
}
#endif

// Classifies the n bytes at p (0 < n <= kClassBytes) into classes, block by
// block with Block; a last partial block is padded with NULs. Inlined, so
// that in ClassifyWide the 32-byte Block is inlined too.
template <auto Block>
__attribute__((always_inline)) inline void ClassifyWith(const char* p, std::size_t n, ByteClasses& classes) {
  const std::size_t whole = n / 64;
  for (std::size_t k = 0; k < whole; ++k) Block(p + 64 * k, classes.low[k], classes.space[k]);
  std::size_t k = whole;
  if (n % 64 != 0) {
    char padded[64] = {};
    std::copy(p + 64 * k, p + n, padded);
    Block(padded, classes.low[k], classes.space[k]);
    ++k;
  }
  classes.low[k] = ~std::uint64_t{0};
  classes.space[k] = 0;
}

#if defined(__x86_64__)
__attribute__((target("avx2"))) void ClassifyWide(const char* p, std::size_t n, ByteClasses& classes) {
  ClassifyWith<ClassifyAvx2>(p, n, classes);
}
#endif

void Classify(const char* p, std::size_t n, ByteClasses& classes) {
#if defined(__x86_64__)
  if (kHasAvx2) return ClassifyWide(p, n, classes);
#endif
#if defined(__SSE2__)
  ClassifyWith<ClassifySse2>(p, n, classes);
#else
  ClassifyWith<ClassifyScalar>(p, n, classes);
#endif
}

}  // namespace

const char* FindLineBreak(const char* p, const char* stop) { return FindStop<false>(p, stop); }

SequenceReader::SequenceReader(bool reformat, TermColumn column) : reformat_(reformat) {
  marks_.push_back({0, 0});
  if (column != TermColumn::kAutomatic) {
    number_column_ = column == TermColumn::kWord2 ? 2 : 3;
    bfile_ = BFile::kNo;
  }
}

TermPlace SequenceReader::TermPlaceOf(std::uint64_t line, std::uint64_t length) const {
  // An "SQ" file keeps its even lines, and its line 0 reads "0 " before its text.
  const bool prefixed = reformat_ && line == 0;
  return {reformat_ ? 2 * line : line, NumberColumn() - (prefixed ? 1 : 0), length};
}

std::uint64_t SequenceReader::Lines() const {
  const std::uint64_t lines = FileLines();
  return reformat_ ? (lines + 1) / 2 : lines;
}

std::size_t SequenceReader::LargestDigitCount() const {
  std::size_t largest = std::max(final_[0].largest, final_[1].largest);
  for (const ValuePoint& point : provisional_) largest = std::max(largest, static_cast<std::size_t>(point.y));
  if (tentative_out_) {
    for (const ValuePoint& point : tentative_) largest = std::max(largest, static_cast<std::size_t>(point.y));
  }
  return largest;
}

void SequenceReader::CheckLine(std::size_t i) const {
  if (Lines() <= i) throw Error(FormatMessage(messages::kListIndexOutOfBounds, i));
}

unsigned SequenceReader::WordsNeeded() const {
  if (!Wanted(ended_lines_)) return 0;
  // Until the column is known, lines 0 and 1 need words 1 to 3; until the
  // "n a(n)" question is settled, a data line needs them to tell two words
  // from more.
  return number_column_ != 0 && bfile_ != BFile::kUnknown ? NumberColumn() : 3;
}

// ---- stretches read by readers of their own ----

SequenceReader SequenceReader::Rest() const {
  assert(RulesSettled());
  SequenceReader rest(false, number_column_ == 2 ? TermColumn::kWord2 : TermColumn::kWord3);
  rest.bfile_ = bfile_;
  rest.parity_mask_ = reformat_ ? 1 : 0;
  return rest;
}

RestPlacement SequenceReader::Join(SequenceReader&& rest) {
  assert(AtLineStart() && rest.parity_mask_ == (reformat_ ? 1u : 0u));
  const RestPlacement placement(ended_lines_, reformat_);
  const std::uint64_t offset = bytes_consumed_;
  // An "SQ" file keeps the rest's lines whose position in the file is even.
  const FinalPoints& kept = rest.final_[reformat_ ? ended_lines_ % 2 : 0];
  final_[0].points += kept.points;
  final_[0].largest = std::max(final_[0].largest, kept.largest);
  for (ValuePoint point : rest.provisional_) {
    if (placement.Place(point)) provisional_.push_back(point);
  }
  for (const LineMark& mark : rest.marks_) {
    const LineMark placed{mark.line + ended_lines_, mark.offset + offset};
    if (placed.line != marks_.back().line) marks_.push_back(placed);
  }
  next_mark_ = {rest.next_mark_.line + ended_lines_, rest.next_mark_.offset + offset};
  if (rest.bytes_consumed_ > 0) after_cr_ = rest.after_cr_;
  text_ended_ = rest.text_ended_;
  bytes_consumed_ += rest.bytes_consumed_;
  ended_lines_ += rest.ended_lines_;
  line_ = rest.line_;
  line_provisional_ = rest.line_provisional_ && Wanted(ended_lines_);
  return placement;
}

// ---- the points of lines ----

bool SequenceReader::IsHeader(const LineState& line) {
  return line.words >= 1 && !line.not_header && line.lengths[1] == kHeaderKeyword.size();
}

void SequenceReader::Emit(const LineState& line, std::uint64_t index, bool provisional) {
  std::size_t term = 0;
  if (reformat_ && index == 0) {
    // Line 0 of a reformatted file reads "0 " and its text: never a header
    // or blank, and its original first word is word 2.
    term = line.lengths[NumberColumn() - 1];
  } else {
    if (IsHeader(line) || !line.printable) return;
    if (bfile_ == BFile::kYes && line.hash_first) return;  // a comment of "n a(n)" lines
    term = line.lengths[NumberColumn()];
  }
  const ValuePoint point{static_cast<double>(index + 1), static_cast<double>(term)};
  batch_.push_back(point);
  if (provisional) {
    provisional_.push_back(point);
  } else if (bfile_ == BFile::kUnknown) {
    tentative_.push_back(point);
  } else {
    CountFinal(point);
  }
}

void SequenceReader::ChooseColumn(const LineState& second, bool provisional) {
  const bool third_is_equals = second.words >= 3 && second.third_is_equals && second.lengths[3] == 1;
  number_column_ = (third_is_equals || reformat_) ? 2 : 3;
  if (number_column_ == 2) Decide(false, provisional);
}

void SequenceReader::Decide(bool bfile, bool provisional) {
  bfile_ = bfile ? BFile::kYes : BFile::kNo;
  decision_provisional_ = provisional;
  if (bfile) {
    // Everything handed out so far came from "#" lines, which give no point
    // now: take it all back.
    withdrawn_ = static_cast<std::size_t>(held_at_feed_start_);
    batch_.clear();
    provisional_.clear();
    tentative_out_ = false;
    if (!provisional) tentative_.clear();
  } else if (!provisional) {
    FinalizeTentative();
  }
}

void SequenceReader::FinalizeTentative() {
  for (const ValuePoint& point : tentative_) CountFinal(point);
  tentative_ = {};
}

void SequenceReader::Offer(const LineState& line, std::uint64_t index, bool provisional) {
  const bool data_line = line.printable && !IsHeader(line) && !line.hash_first;
  if (bfile_ == BFile::kUnknown && data_line) Decide(line.words == 2, provisional);
  Emit(line, index, provisional);
}

// ---- lines ----

void SequenceReader::TakeWord(const char* begin, const char* end) {
  LineState& s = line_;
  const auto n = static_cast<std::size_t>(end - begin);
  if (s.words <= 3) {
    std::size_t& length = s.lengths[s.words];
    if (s.words == 1 && !s.not_header) {
      s.not_header = length + n > kHeaderKeyword.size();
      for (std::size_t k = 0; k < n && !s.not_header; ++k)
        s.not_header = begin[k] != kHeaderKeyword[length + k];
    }
    if (s.words == 3 && length == 0 && n > 0) s.third_is_equals = *begin == '=';
    if (s.words == 1 && length == 0 && n > 0) s.hash_first = *begin == '#';
    length += n;
  }
  if (!s.printable) s.printable = std::any_of(begin, end, IsPrintable);
}

const char* SequenceReader::TakeCharacters(const char* p, const char* stop) {
  LineState& s = line_;
  const char* const start = p;
  const unsigned needed = WordsNeeded();
  while (p < stop) {
    if (s.words > needed || (s.words == needed && !s.in_word)) {
      // The words that matter are known: only a blank line still needs a look
      // at the rest, for a printable character.
      if (!s.printable && needed > 0) {
        while (p < stop && !IsLineBreak(*p) && !IsPrintable(*p)) ++p;
        if (p == stop || IsLineBreak(*p)) break;
        s.printable = true;
      }
      p = FindStop<false>(p, stop);
      break;
    }
    if (!s.in_word) {
      while (p < stop && *p == ' ') ++p;
      if (p == stop || IsLineBreak(*p)) break;
      s.in_word = true;
      ++s.words;
    }
    const char* const word_end = FindStop<true>(p, stop);
    TakeWord(p, word_end);
    p = word_end;
    if (p == stop || *p != ' ') break;
    s.in_word = false;
  }
  s.bytes += static_cast<std::uint64_t>(p - start);
  return p;
}

const char* SequenceReader::TakeLines(const char* p, const char* stop, const char* begin) {
  const unsigned column = NumberColumn();
  const bool comments = bfile_ == BFile::kYes;  // lines whose first word begins with "#" give no point
  // Kept in registers while the lines go by, and stored on leaving.
  std::uint64_t lines = ended_lines_;
  FinalPoints final[2] = {final_[0], final_[1]};
  const std::uint64_t parity_mask = parity_mask_;
  LineMark next_mark = next_mark_;
  const auto words_needed = [&] { return !reformat_ || lines % 2 == 0 ? column : 0u; };
  // The line in progress: where it begins, the words begun so far (counted
  // up to the ones needed), where words 1 to 3 begin and their lengths.
  const char* line = p;
  unsigned needed = words_needed();
  unsigned words = 0;
  bool in_word = false;  // the last byte taken belongs to word `words`
  const char* word_begin[4] = {};
  std::size_t lengths[4] = {};
  // Leaves the line in progress to TakeCharacters, stopping at here. The
  // walk ends a word at a control character or at the end of the bytes,
  // where TakeCharacters goes on with it.
  const auto leave = [&](const char* here) {
    ended_lines_ = lines;
    final_[0] = final[0];
    final_[1] = final[1];
    next_mark_ = next_mark;
    line_.bytes = static_cast<std::uint64_t>(here - line);
    line_.words = words;
    line_.in_word = words > 0 && word_begin[words] + lengths[words] == here;
    line_.printable = words > 0;
    std::copy(lengths, lengths + 4, line_.lengths);
    if (words >= 1) {
      line_.hash_first = *word_begin[1] == '#';
      line_.not_header = lengths[1] > kHeaderKeyword.size() ||
                         kHeaderKeyword.substr(0, lengths[1]) != std::string_view(word_begin[1], lengths[1]);
    }
    if (words >= 3) line_.third_is_equals = *word_begin[3] == '=';
    return here;
  };
  ByteClasses classes;
  while (p < stop) {
    // A chunk that is not the last is walked only where 64 bytes of it follow.
    const std::size_t n = std::min(static_cast<std::size_t>(stop - p), kClassBytes);
    const std::size_t walked = p + n == stop ? n : n - 64;
    Classify(p, n, classes);
    std::size_t at = 0;
    while (at < walked) {
      const std::uint64_t low = Window(classes.low, at);
      const std::uint64_t ends = low & ~Window(classes.space, at);
      const unsigned e = ends != 0 ? static_cast<unsigned>(std::countr_zero(ends)) : 64;
      const char* const here = p + at + e;
      // The line ends at here, and a CR there is not the last byte (an LF may follow it).
      const bool line_ends = e < 64 && here != stop && (*here == '\n' || (*here == '\r' && here + 1 != stop));
      // The line's first word and its term, when it has words.
      const char* first_word = nullptr;
      std::size_t first_length = 0;
      std::size_t term = 0;
      if (line_ends && words == 0 && !in_word) {
        // The common case, the words of the line all in view: the bits
        // where each begins and where each ends give them.
        const std::uint64_t word = ~low & ((std::uint64_t{1} << e) - 1);
        std::uint64_t starts = word & ~(word << 1);
        std::uint64_t lasts = word & ~(word >> 1);
        if (needed > 0 && starts != 0) {
          first_word = p + at + std::countr_zero(starts);
          first_length = static_cast<std::size_t>(std::countr_zero(lasts) - std::countr_zero(starts) + 1);
          for (unsigned k = 1; k < column; ++k) {
            starts &= starts - 1;
            lasts &= lasts - 1;
          }
          if (starts != 0)
            term = static_cast<std::size_t>(std::countr_zero(lasts) - std::countr_zero(starts) + 1);
        }
      } else {
        if (in_word || words < needed) {
          // The words among the 64 bytes, up to the first byte that is
          // neither a space nor part of a word.
          const std::uint64_t nonword = e < 64 ? low | (~std::uint64_t{0} << e) : low;
          unsigned q = 0;
          if (in_word) {
            q = nonword != 0 ? static_cast<unsigned>(std::countr_zero(nonword)) : 64;
            lengths[words] += q;
            in_word = q == 64;
          }
          while (!in_word && words < needed && q < 64) {
            const std::uint64_t word_bytes = ~nonword & (~std::uint64_t{0} << q);
            if (word_bytes == 0) break;
            const auto first = static_cast<unsigned>(std::countr_zero(word_bytes));
            const std::uint64_t after = nonword & (~std::uint64_t{0} << first);
            q = after != 0 ? static_cast<unsigned>(std::countr_zero(after)) : 64;
            ++words;
            word_begin[words] = p + at + first;
            lengths[words] = q - first;
            in_word = q == 64;
          }
        }
        if (e == 64) {
          at += 64;
          continue;
        }
        if (!line_ends) return leave(here);  // a control character, or the end of the bytes
        if (words > 0) {
          first_word = word_begin[1];
          first_length = lengths[1];
          term = words >= column ? lengths[column] : 0;
        }
      }
      // The line's point, as EndLine gives it.
      if (first_word != nullptr) {
        const bool header = first_length == kHeaderKeyword.size() &&
                            std::string_view(first_word, first_length) == kHeaderKeyword;
        if (!header && !(comments && *first_word == '#')) {
          const std::uint64_t index = reformat_ ? lines / 2 : lines;
          batch_.push_back({static_cast<double>(index + 1), static_cast<double>(term)});
          FinalPoints& counted = final[index & parity_mask];
          ++counted.points;
          counted.largest = std::max(counted.largest, term);
        }
      }
      ++lines;
      line = here + (*here == '\r' && here[1] == '\n' ? 2 : 1);
      const std::uint64_t offset = bytes_consumed_ + static_cast<std::uint64_t>(line - begin);
      if (lines >= next_mark.line || offset >= next_mark.offset) {
        marks_.push_back({lines, offset});
        next_mark = {lines + kMarkEveryLines, offset + kMarkEveryBytes};
      }
      needed = words_needed();
      words = 0;
      lengths[1] = lengths[2] = lengths[3] = 0;
      at = static_cast<std::size_t>(line - p);
    }
    p += at;
  }
  return leave(stop);
}

void SequenceReader::EndLine() {
  const std::uint64_t file_line = ended_lines_;
  if (Wanted(file_line)) {
    const std::uint64_t index = reformat_ ? file_line / 2 : file_line;
    if (line_provisional_) {
      // Handed out already, and unchanged since: what it settled holds now.
      if (decision_provisional_) {
        decision_provisional_ = false;
        if (bfile_ == BFile::kYes) {
          tentative_ = {};
        } else {
          FinalizeTentative();
        }
      }
      for (const ValuePoint& point : provisional_) {
        if (bfile_ == BFile::kUnknown) {
          tentative_.push_back(point);
        } else {
          CountFinal(point);
        }
      }
      provisional_.clear();
      line_provisional_ = false;
      column_provisional_ = false;
    } else if (number_column_ != 0) {
      Offer(line_, index, false);
    } else if (index == 0) {
      first_line_ = line_;
    } else {
      ChooseColumn(line_, false);
      Offer(first_line_, 0, false);
      Offer(line_, 1, false);
    }
  }
  ++ended_lines_;
}

void SequenceReader::BeginLine(std::uint64_t offset) {
  line_ = LineState{};
  if (ended_lines_ >= next_mark_.line || offset >= next_mark_.offset) {
    marks_.push_back({ended_lines_, offset});
    next_mark_ = {ended_lines_ + kMarkEveryLines, offset + kMarkEveryBytes};
  }
}

void SequenceReader::Withdraw() {
  withdrawn_ += provisional_.size();
  provisional_.clear();
  if (column_provisional_) number_column_ = 0;
  if (decision_provisional_) {
    bfile_ = BFile::kUnknown;
    decision_provisional_ = false;
    if (!tentative_out_) {  // the "#" lines' points come back
      batch_.insert(batch_.end(), tentative_.begin(), tentative_.end());
      tentative_out_ = true;
    }
  }
  column_provisional_ = false;
  line_provisional_ = false;
}

void SequenceReader::HandOutProvisional() {
  if (line_provisional_ || text_ended_ || line_.bytes == 0 || !Wanted(ended_lines_)) return;
  const std::uint64_t index = reformat_ ? ended_lines_ / 2 : ended_lines_;
  if (number_column_ != 0) {
    Offer(line_, index, true);
  } else if (index == 1) {
    // The column comes from this line as it is now: line 0's point depends
    // on it too, unless reformatting fixes the column.
    column_provisional_ = !reformat_;
    ChooseColumn(line_, column_provisional_);
    Offer(first_line_, 0, column_provisional_);
    Offer(line_, 1, true);
  } else {
    return;  // line 0 alone: held back until line 1 exists
  }
  line_provisional_ = true;
}

PointBatch SequenceReader::Feed(std::string_view bytes, bool more_follows) {
  batch_.clear();
  withdrawn_ = 0;
  held_at_feed_start_ = PointCount();
  if (text_ended_) return {};
  const char* const begin = bytes.data();
  const char* const stop = begin + bytes.size();
  const char* p = begin;
  if (after_cr_ && p < stop) {  // the second half of a CR LF split between two Feeds
    after_cr_ = false;
    if (*p == '\n') {
      ++p;
      // The line begins after the LF, not after the CR: mark it anew, as
      // the whole text would have.
      if (marks_.back().line == ended_lines_) marks_.pop_back();
      next_mark_ = {marks_.back().line + kMarkEveryLines, marks_.back().offset + kMarkEveryBytes};
      BeginLine(bytes_consumed_ + 1);
    }
  }
  while (p < stop) {
    if (TakesWholeLines()) {
      p = TakeLines(p, stop, begin);
      if (p == stop) break;
    }
    if (line_provisional_ && !IsLineBreak(*p)) Withdraw();  // the provisional line grows
    const char* const end = TakeCharacters(p, stop);
    if (end == stop) {
      p = end;
      break;
    }
    if (*end == '\0') {  // the text ends here
      if (line_.bytes > 0) EndLine();
      line_ = LineState{};
      text_ended_ = true;
      p = end + 1;
      break;
    }
    EndLine();
    p = end + 1;
    if (*end == '\r') {
      if (p == stop) {
        after_cr_ = true;
      } else if (*p == '\n') {
        ++p;
      }
    }
    BeginLine(bytes_consumed_ + static_cast<std::uint64_t>(p - begin));
  }
  bytes_consumed_ += static_cast<std::uint64_t>(p - begin);
  if (!more_follows) HandOutProvisional();
  return {withdrawn_, batch_};
}

}  // namespace kep::sequence

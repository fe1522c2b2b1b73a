#include "sequence/word_string.h"

#include <algorithm>
#include <cstring>

namespace kep::sequence {

namespace {

std::string_view UpToFirstNul(std::string_view text) {
  return text.substr(0, std::min(text.find('\0'), text.size()));
}

}  // namespace

bool IsWordDelimiter(std::string_view delimiters, char c) {
  return c != '\0' && UpToFirstNul(delimiters).find(c) != std::string_view::npos;
}

std::optional<std::size_t> WordPosition(unsigned n, std::string_view text, std::string_view delimiters) {
  text = UpToFirstNul(text);
  const std::size_t length = text.size();
  std::size_t offset = 0;
  unsigned count = 0;
  while (offset < length && count != n) {
    while (offset < length && IsWordDelimiter(delimiters, text[offset])) ++offset;
    if (offset < length) ++count;
    if (count == n) return offset;
    while (offset < length && !IsWordDelimiter(delimiters, text[offset])) ++offset;
  }
  return std::nullopt;
}

WordString::WordString(std::string_view text) : text_(UpToFirstNul(text)) {}

void WordString::SetWordDelimiters(std::string_view delimiters) {
  word_delimiters_ = UpToFirstNul(delimiters);
}

std::string WordString::WordAt(unsigned n) const {
  const std::optional<std::size_t> start = WordPosition(n, text_, word_delimiters_);
  if (!start) return {};
  std::size_t end = *start;
  while (end < text_.size() && !IsWordDelimiter(word_delimiters_, text_[end])) ++end;
  return text_.substr(*start, end - *start);
}

std::string_view SpaceWordAt(std::string_view text, unsigned n) {
  const char* p = text.data();
  const char* const stop = p + text.size();
  for (unsigned count = 1; n != 0; ++count) {
    while (p < stop && *p == ' ') ++p;
    if (p == stop) break;
    const void* space = std::memchr(p, ' ', static_cast<std::size_t>(stop - p));
    const char* word_end = space ? static_cast<const char*>(space) : stop;
    if (count == n) return {p, static_cast<std::size_t>(word_end - p)};
    p = word_end;
  }
  return {};
}

}  // namespace kep::sequence

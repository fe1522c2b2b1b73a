#pragma once

#include <string>
#include <string_view>
#include <type_traits>

namespace kep {

namespace detail {

inline std::string FormatArgument(std::string_view text) { return std::string(text); }
inline std::string FormatArgument(const char* text) { return std::string(text); }
inline std::string FormatArgument(const std::string& text) { return text; }
template <typename T>
requires std::is_integral_v<T> std::string FormatArgument(T value) { return std::to_string(value); }

}  // namespace detail

// Fills a message pattern such as "Cannot open file \"%s\". %s": each "%s" or
// "%d" takes the next argument in order; "%%" is a literal percent sign. A
// placeholder without an argument is left as it stands.
template <typename... Args>
std::string FormatMessage(std::string_view pattern, const Args&... args) {
  const std::string values[] = {std::string(), detail::FormatArgument(args)...};
  std::string result;
  result.reserve(pattern.size() + 32);
  std::size_t next = 1;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (c == '%' && i + 1 < pattern.size()) {
      const char kind = pattern[i + 1];
      if (kind == '%') {
        result += '%';
        ++i;
        continue;
      }
      if ((kind == 's' || kind == 'd') && next < std::size(values)) {
        result += values[next++];
        ++i;
        continue;
      }
    }
    result += c;
  }
  return result;
}

}  // namespace kep

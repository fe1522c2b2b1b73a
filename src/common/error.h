#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace kep {

// Base of every error the program raises; the message is what the user sees.
class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A file could not be opened, read or written.
class FileError : public Error {
 public:
  using Error::Error;
};

// The text shown to the user for an error: a full stop is appended when the
// message's last character has a higher code than '.', so "bad input" becomes
// "bad input." while "out of bounds (1)" and "done." stay as they are.
inline std::string DisplayMessage(std::string_view message) {
  std::string text(message);
  if (!text.empty() && static_cast<unsigned char>(text.back()) > static_cast<unsigned char>('.')) {
    text += '.';
  }
  return text;
}

}  // namespace kep

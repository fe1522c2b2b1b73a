#pragma once

#include <string>
#include <string_view>
#include <utility>

#include "common/error.h"

namespace kep::test {

// What ErrorText gives for an action that raises nothing.
inline constexpr std::string_view kNoError = "no error";

// Runs action and gives the message of the E it raises, or kNoError when it
// raises none. An error of another kind is not caught, so it fails the test.
template <typename E = Error, typename F>
std::string ErrorText(F&& action) {
  try {
    std::forward<F>(action)();
  } catch (const E& error) {
    return error.what();
  }
  return std::string(kNoError);
}

}  // namespace kep::test

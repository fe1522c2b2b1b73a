#pragma once

#include <clocale>
#include <locale>
#include <string>

namespace kep::test {

// The locales the tests run under: the C locale, a comma-decimal locale that
// groups digits with ".", one that groups with U+202F (three bytes in UTF-8),
// and a comma-decimal one that does not group digits at all. All but the C
// locale are compiled into the build tree and found through LOCPATH
// (tests/support/CMakeLists.txt).
inline constexpr const char* kGermanLocale = "de_DE.UTF-8";
inline constexpr const char* kFrenchLocale = "fr_FR.UTF-8";
inline constexpr const char* kPortugueseLocale = "pt_PT.UTF-8";
inline constexpr const char* kLocaleHint =
    "compile the test locales with localedef and point LOCPATH at them";

// Makes name the process's C and C++ locale while it lives, as a desktop
// toolkit does at start-up behind the program's back, and restores the
// previous ones afterwards.
class ScopedProcessLocale {
 public:
  explicit ScopedProcessLocale(const char* name)
      : old_c_(std::setlocale(LC_ALL, nullptr)), old_cpp_(std::locale()) {
    available_ = std::setlocale(LC_ALL, name) != nullptr;
    if (available_) std::locale::global(std::locale(name));
  }
  ~ScopedProcessLocale() {
    std::setlocale(LC_ALL, old_c_.c_str());
    std::locale::global(old_cpp_);
  }
  ScopedProcessLocale(const ScopedProcessLocale&) = delete;
  ScopedProcessLocale& operator=(const ScopedProcessLocale&) = delete;

  // False when the locale cannot be found (see kLocaleHint).
  bool Available() const { return available_; }

 private:
  std::string old_c_;
  std::locale old_cpp_;
  bool available_ = false;
};

}  // namespace kep::test

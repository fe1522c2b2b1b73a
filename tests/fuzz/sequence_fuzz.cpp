// Reads arbitrary bytes as a sequence file, in pieces of a fuzzed size, and
// checks every line and every point against a plain character-by-character
// reading that uses WordString for the words.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "common/error.h"
#include "sequence/line_list.h"
#include "sequence/sequence_file.h"
#include "sequence/word_string.h"

namespace {

using kep::sequence::LineList;
using kep::sequence::WordString;

void Check(bool condition) {
  if (!condition) std::abort();
}

std::vector<std::string> ReferenceLines(std::string_view text) {
  std::vector<std::string> lines;
  std::string line;
  std::size_t i = 0;
  for (; i < text.size() && text[i] != '\0'; ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      lines.push_back(line);
      line.clear();
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      line += text[i];
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

std::vector<std::pair<double, double>> ReferencePoints(const std::vector<std::string>& lines, unsigned column) {
  std::vector<std::pair<double, double>> points;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const WordString words(lines[i]);
    if (words.WordAt(1) == "Tavrine") continue;
    if (lines[i].find_first_not_of(std::string("\0\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c\x0d\x0e\x0f"
                                               "\x10\x11\x12\x13\x14\x15\x16\x17\x18\x19\x1a\x1b\x1c\x1d\x1e\x1f ",
                                               33)) == std::string::npos) {
      continue;
    }
    points.emplace_back(static_cast<double>(i + 1), static_cast<double>(words.WordAt(column).size()));
  }
  return points;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::size_t piece = 1 + data[0] % 64;
  const bool sq_file = data[1] & 1;
  const std::string_view text(reinterpret_cast<const char*>(data + 2), size - 2);

  const int fd = ::memfd_create("sequence", 0);
  Check(fd >= 0);
  Check(::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size()));
  Check(::lseek(fd, 0, SEEK_SET) == 0);
  LineList lines = LineList::Read(fd, data[1] % 8, piece);
  ::close(fd);

  std::vector<std::string> expected = ReferenceLines(text);
  Check(lines.Count() == expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) Check(lines[i] == expected[i]);

  bool reformatted = false;
  try {
    if (sq_file) {
      kep::sequence::ReformatSQFile(lines, reformatted);
      std::vector<std::string> kept;
      for (std::size_t i = 0; i < expected.size(); i += 2) kept.push_back(expected[i]);
      kept.at(0) = "0 " + kept.at(0);
      expected = kept;
    }
    const unsigned column = kep::sequence::ChooseNumberColumn(lines, reformatted);
    Check(expected.size() >= 2);
    Check(column == ((WordString(expected[1]).WordAt(3) == "=" || reformatted) ? 2u : 3u));
    std::vector<std::pair<double, double>> points;
    kep::sequence::BuildPoints(lines, column, [&](double x, double y) { points.emplace_back(x, y); });
    Check(points == ReferencePoints(expected, column));
  } catch (const kep::Error&) {
    Check(expected.size() < (sq_file ? 3u : 2u));
  }
  return 0;
}

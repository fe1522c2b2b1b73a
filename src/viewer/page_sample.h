#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "sequence/sequence_file.h"

namespace kep::viewer {

// Pages of a file as a read found them, to tell a file that was only
// appended to from one rewritten since: the first page (the lines that
// decide the term column and the b-file rule), the page before the end of
// what was read, and pages spread evenly between them, kPages in all. A
// file shorter than that many pages is kept whole. Taking and comparing a
// sample costs the same for any file size. A rewrite that leaves every
// sampled page as it was passes for an append.
class PageSample {
 public:
  static constexpr std::size_t kPageBytes = 4096;
  static constexpr std::size_t kPages = 8;

  PageSample() = default;
  // The pages of file's first `end` bytes, as the file holds them now.
  // Raises a FileError when reading fails.
  static PageSample Of(const sequence::SequenceFile& file, std::uint64_t end);

  // True when file still holds every page as it was sampled. Raises a
  // FileError when reading fails.
  bool Matches(const sequence::SequenceFile& file) const;

 private:
  struct Page {
    std::uint64_t end = 0;  // the offset just past the page
    std::string bytes;
  };
  std::vector<Page> pages_;
};

}  // namespace kep::viewer

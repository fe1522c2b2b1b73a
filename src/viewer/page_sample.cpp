#include "viewer/page_sample.h"

#include <algorithm>

namespace kep::viewer {

PageSample PageSample::Of(const sequence::SequenceFile& file, std::uint64_t end) {
  PageSample sample;
  constexpr std::uint64_t kWholeBelow = std::uint64_t{kPages} * kPageBytes;
  if (end <= kWholeBelow) {
    sample.pages_.push_back({end, file.BytesBefore(end, static_cast<std::size_t>(end))});
    return sample;
  }
  // Page i ends at kPageBytes + i steps; the last step lands on end.
  const std::uint64_t span = end - kPageBytes;
  for (std::size_t i = 0; i < kPages; ++i) {
    const std::uint64_t page_end = kPageBytes + span * i / (kPages - 1);
    sample.pages_.push_back({page_end, file.BytesBefore(page_end, kPageBytes)});
  }
  return sample;
}

bool PageSample::Matches(const sequence::SequenceFile& file) const {
  return std::ranges::all_of(pages_, [&file](const Page& page) {
    return file.BytesBefore(page.end, page.bytes.size()) == page.bytes;
  });
}

}  // namespace kep::viewer

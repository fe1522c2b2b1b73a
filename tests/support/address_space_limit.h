#pragma once

#include <sys/resource.h>
#include <unistd.h>

#include <cstddef>
#include <fstream>
#include <stdexcept>

namespace kep::test {

// AddressSanitizer reserves more address space than any limit leaves, so
// tests of running out of memory skip under it.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kAddressSanitizer = true;
#else
inline constexpr bool kAddressSanitizer = false;
#endif
#else
inline constexpr bool kAddressSanitizer = false;
#endif

// Limits the process's address space to what it maps now plus extra_bytes
// while the object lives, so that a large allocation fails as it would on a
// machine without the memory.
class AddressSpaceLimit {
 public:
  explicit AddressSpaceLimit(std::size_t extra_bytes) {
    std::size_t pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    if (pages == 0 || ::getrlimit(RLIMIT_AS, &previous_) != 0)
      throw std::runtime_error("no address space size");
    rlimit limit = previous_;
    limit.rlim_cur = pages * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE)) + extra_bytes;
    if (::setrlimit(RLIMIT_AS, &limit) != 0) throw std::runtime_error("cannot limit the address space");
  }
  AddressSpaceLimit(const AddressSpaceLimit&) = delete;
  AddressSpaceLimit& operator=(const AddressSpaceLimit&) = delete;
  ~AddressSpaceLimit() { ::setrlimit(RLIMIT_AS, &previous_); }

 private:
  rlimit previous_{};
};

}  // namespace kep::test

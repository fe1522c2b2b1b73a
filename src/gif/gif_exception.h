#pragma once

#include "common/error.h"

namespace kep::gif {

// An error of the GIF export; the message is what the user sees.
class GIFException : public Error {
 public:
  using Error::Error;
};

}  // namespace kep::gif

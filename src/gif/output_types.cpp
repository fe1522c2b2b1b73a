#include "gif/output_types.h"

#include <string>

#include "gif/gif_exception.h"

namespace kep::gif {

void ValidateBitmap(const BitmapView& bitmap) {
  const std::string_view fault = output::BitmapFault(bitmap);
  if (!fault.empty()) throw GIFException(std::string(fault));
}

}  // namespace kep::gif

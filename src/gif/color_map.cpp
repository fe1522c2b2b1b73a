#include "gif/color_map.h"

#include <algorithm>
#include <string>

#include "gif/gif_exception.h"
#include "gif/messages.h"

namespace kep::gif {

int BitsPerPixelForCount(int count) {
  if (count <= 0) return 0;
  int bits = 1;
  while ((1 << bits) < count) ++bits;
  return bits;
}

void GIFColorMap::Reserve(int count) {
  if (count <= capacity_) return;
  if (count > kMaxColors) throw GIFException(std::string(messages::kColorTableOverflow));
  capacity_ = count <= 16 ? 16 : std::min(kMaxColors, (count + 31) / 32 * 32);
  colors_.reserve(static_cast<std::size_t>(capacity_));
}

int GIFColorMap::Add(GIFColor color) {
  Reserve(Count() + 1);
  colors_.push_back(color);
  sorted_ = false;
  return Count() - 1;
}

void GIFColorMap::Assign(std::span<const GIFColor> colors) {
  if (colors.size() > static_cast<std::size_t>(kMaxColors)) {
    throw GIFException(std::string(messages::kColorTableOverflow));
  }
  Clear();
  Reserve(static_cast<int>(colors.size()));
  colors_.assign(colors.begin(), colors.end());
}

void GIFColorMap::Clear() {
  colors_.clear();
  colors_.shrink_to_fit();
  capacity_ = 0;
  sorted_ = false;
}

}  // namespace kep::gif

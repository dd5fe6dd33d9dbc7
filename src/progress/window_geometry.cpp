#include "progress/window_geometry.h"

#include <algorithm>

namespace orma {

TWindowSize ClampWindowSize(std::int32_t width, std::int32_t height, TWindowSize current) {
  if (width == -1) width = current.Width;
  if (height == -1) height = current.Height;
  return {std::max(width, kMinWindowWidth), std::max(height, kMinWindowHeight)};
}

void PlaceOnWorkArea(const TWorkArea& area, TWindowSize size, std::int32_t& left, std::int32_t& top) {
  left = (area.Right - area.Left - size.Width) / 2;   // C++ division rounds toward zero
  top = area.Bottom - size.Height - 100;
}

}  // namespace orma

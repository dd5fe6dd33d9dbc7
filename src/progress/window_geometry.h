// Where the progress window goes and how small it may be.
//
//   work area 0,0 - 1024,768, size 450 x 110  ->  left 287, top 558 (bottom 100 above the area's)
//   ClampWindowSize(100, 10, ...)             ->  225 x 70
#pragma once

#include <cstdint>

#include "progress/progress_viewer.h"

namespace orma {

constexpr std::int32_t kMinWindowWidth = 225;
constexpr std::int32_t kMinWindowHeight = 70;
constexpr std::int32_t kInitialWindowWidth = 450;
constexpr std::int32_t kInitialWindowHeight = 70;

struct TWindowSize {
  std::int32_t Width, Height;
  friend bool operator==(const TWindowSize&, const TWindowSize&) = default;
};

// -1 keeps the current value; then the minimums apply.
TWindowSize ClampWindowSize(std::int32_t width, std::int32_t height, TWindowSize current);

// Centred across the work area (rounded toward zero), the bottom edge 100 pixels above the
// work area's bottom.
void PlaceOnWorkArea(const TWorkArea& area, TWindowSize size, std::int32_t& left, std::int32_t& top);

// The part of the primary screen that task bars leave free. Each build has its own.
TWorkArea ReadWorkArea();

}  // namespace orma

#include "progress/window_geometry.h"

#include <gtest/gtest.h>

namespace orma {
namespace {

TEST(WindowGeometry, SizeKeepsMinimumsAndCurrentValues) {
  struct Case {
    std::int32_t width, height;
    TWindowSize current, expected;
  };
  const Case cases[] = {
      {100, 10, {450, 110}, {225, 70}},  {-1, -1, {450, 110}, {450, 110}}, {-1, 200, {450, 110}, {450, 200}},
      {300, -1, {450, 110}, {300, 110}}, {225, 70, {450, 110}, {225, 70}},  {224, 69, {450, 110}, {225, 70}},
      {-1, -1, {100, 10}, {225, 70}},    {-5, 0, {450, 110}, {225, 70}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
    EXPECT_EQ(ClampWindowSize(c.width, c.height, c.current), c.expected);
  }
}

TEST(WindowGeometry, PlacementCentresAndKeeps100PixelsAboveTheBottom) {
  struct Case {
    TWorkArea area;
    TWindowSize size;
    std::int32_t left, top;
  };
  const Case cases[] = {
      {{0, 0, 1024, 768}, {450, 70}, 287, 598},
      {{0, 0, 1024, 738}, {450, 116}, 287, 522},     // a task bar at the bottom
      {{0, 0, 1025, 768}, {450, 70}, 287, 598},      // 287.5 rounds toward zero
      {{0, 0, 200, 300}, {225, 70}, -12, 130},       // -12.5 rounds toward zero, not down
      {{100, 0, 1124, 768}, {450, 70}, 287, 598},    // the width of the area counts, not its left edge
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.area.Right << "x" << c.area.Bottom << " " << c.size.Width);
    std::int32_t left = 0, top = 0;
    PlaceOnWorkArea(c.area, c.size, left, top);
    EXPECT_EQ(left, c.left);
    EXPECT_EQ(top, c.top);
  }
}

}  // namespace
}  // namespace orma

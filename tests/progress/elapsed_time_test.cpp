#include "progress/elapsed_time.h"

#include <gtest/gtest.h>

namespace orma {
namespace {

TEST(ElapsedTime, LocalePicturesBecomeDurationPatterns) {
  struct Case {
    const char* picture;
    const char* pattern;
  };
  const Case cases[] = {
      {"H:mm:ss", "h:nn:ss"},          {"HH:mm:ss", "hh:nn:ss"},    {"h:mm:ss tt", "h:nn:ss"},
      {"tt hh:mm:ss", "hh:nn:ss"},     {"H.mm.ss", "h.nn.ss"},      {"H 'ч' mm 'мин'", "h 'ч' nn 'мин'"},
      {"H:mm:ss 'tt'", "h:nn:ss 'tt'"}, {"", "h:nn:ss"},            {"tt", "h:nn:ss"},
      {"H:m:s", "h:n:s"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.picture);
    EXPECT_EQ(ElapsedTimePattern(c.picture), c.pattern);
  }
}

TEST(ElapsedTime, DurationsAreWrittenWithThePattern) {
  struct Case {
    std::uint64_t ms;
    const char* pattern;
    const char* text;
  };
  const Case cases[] = {
      {0, "h:nn:ss", "Общее время: 0:00:00"},
      {999, "h:nn:ss", "Общее время: 0:00:00"},
      {65'000, "h:nn:ss", "Общее время: 0:01:05"},
      {3'600'000 + 2 * 60'000 + 3'000, "hh:nn:ss", "Общее время: 01:02:03"},
      {23 * 3'600'000ULL + 59 * 60'000 + 59'000, "h:nn:ss", "Общее время: 23:59:59"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ms);
    EXPECT_EQ(ElapsedTimeText(c.ms, c.pattern), c.text);
  }
}

}  // namespace
}  // namespace orma

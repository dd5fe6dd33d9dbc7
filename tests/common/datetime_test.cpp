#include "common/datetime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace orma {
namespace {

const TFormatSettings kLog;   // the log's fixed settings are the defaults
constexpr const char* kStamp = "dd/mm/yyyy hh:nn:ss.zzz";

TEST(DateTime, OleDayNumbers) {
  struct Case {
    int y, m, d;
    double days;
  } cases[] = {
      {1899, 12, 30, 0}, {1899, 12, 31, 1}, {1900, 1, 1, 2}, {1900, 3, 1, 61},   // 1900 is no leap year here
      {2000, 1, 1, 36526}, {2000, 2, 29, 36585}, {2011, 3, 14, 40616}, {1899, 12, 29, -1}, {9999, 12, 31, 2958465},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.y) + "-" + std::to_string(c.m) + "-" + std::to_string(c.d));
    EXPECT_EQ(EncodeDateTime(c.y, c.m, c.d, 0, 0, 0, 0), c.days);
    int y, m, d, h, n, s, z;
    DecodeDateTime(c.days, y, m, d, h, n, s, z);
    EXPECT_EQ(y, c.y);
    EXPECT_EQ(m, c.m);
    EXPECT_EQ(d, c.d);
    EXPECT_EQ(h + n + s + z, 0);
  }
}

TEST(DateTime, FractionIsTheTimeOfDay) {
  EXPECT_DOUBLE_EQ(EncodeDateTime(2011, 3, 14, 12, 0, 0, 0), 40616.5);
  EXPECT_DOUBLE_EQ(EncodeDateTime(1899, 12, 30, 6, 0, 0, 0), 0.25);
  // Before day 0 the fraction still counts forward from midnight: -1.25 is 29 Dec 06:00.
  EXPECT_DOUBLE_EQ(EncodeDateTime(1899, 12, 29, 6, 0, 0, 0), -1.25);
  int y, m, d, h, n, s, z;
  DecodeDateTime(-1.25, y, m, d, h, n, s, z);
  EXPECT_EQ(d, 29);
  EXPECT_EQ(h, 6);
}

TEST(DateTime, DecodeRoundsToTheNearestMillisecond) {
  int y, m, d, h, n, s, z;
  const double almostMidnight = 40616.0 + (kMsPerDay - 0.4) / kMsPerDay;   // 23:59:59.9996
  DecodeDateTime(almostMidnight, y, m, d, h, n, s, z);
  EXPECT_EQ(d, 15);   // rounds into the next day, never to 24:00:00.000
  EXPECT_EQ(h, 0);
  EXPECT_EQ(z, 0);
}

TEST(FormatDateTime, TheLogTimestamp) {
  const TDateTime t = EncodeDateTime(2011, 3, 14, 9, 5, 7, 45);
  const std::string stamp = FormatDateTime(kStamp, t, kLog);
  EXPECT_EQ(stamp, "14.03.2011 09:05:07.045");
  EXPECT_EQ(stamp.size(), 23u);
}

TEST(FormatDateTime, PatternElements) {
  const TDateTime t = EncodeDateTime(2009, 1, 2, 3, 4, 5, 6);
  struct Case {
    const char* pattern;
    const char* expected;
  } cases[] = {
      {"d/m/yy h:n:s.z", "2.1.09 3:4:5.6"},
      {"dd/mm/yyyy hh:nn:ss.zzz", "02.01.2009 03:04:05.006"},
      {"hh:nn:ss.zzz", "03:04:05.006"},
      {"yyyy-mm-dd", "2009-01-02"},
      {"hh:mm", "03:04"},                       // m after an hour is minutes
      {"HH:NN DD/MM/YYYY", "03:04 02.01.2009"},
      {"\"day\" dd 'at' hh", "day 02 at 03"},
      {"dd\"unterminated", "02unterminated"},
      {"[dd]", "[02]"},
      {"", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pattern);
    EXPECT_EQ(FormatDateTime(c.pattern, t, kLog), c.expected);
  }
}

TEST(FormatDateTime, SeparatorsComeFromTheSettings) {
  TFormatSettings other;
  other.DateSeparator = '-';
  other.TimeSeparator = '.';
  EXPECT_EQ(FormatDateTime(kStamp, EncodeDateTime(2011, 3, 14, 9, 5, 7, 45), other), "14-03-2011 09.05.07.045");
}

TEST(DateTimeRoundTrip, EveryMillisecondThroughTheTimestamp) {
  for (int ms = 0; ms < 1000; ++ms) {
    SCOPED_TRACE(ms);
    const TDateTime t = EncodeDateTime(2011, 3, 14, 23, 59, 59, ms);
    const std::string text = FormatDateTime(kStamp, t, kLog);
    char expected[32];
    std::snprintf(expected, sizeof expected, "14.03.2011 23:59:59.%03d", ms);
    ASSERT_EQ(text, expected);
    TDateTime back = 0;
    ASSERT_TRUE(TryStrToDateTime(text, back, kLog));
    int y, m, d, h, n, s, z;
    DecodeDateTime(back, y, m, d, h, n, s, z);
    EXPECT_EQ(z, ms);
    EXPECT_EQ(s, 59);
    EXPECT_EQ(d, 14);
    EXPECT_LT(std::fabs(back - t) * kMsPerDay, 0.01);
  }
}

TEST(DateTimeRoundTrip, EveryMillisecondOfATimeOfDayAlone) {
  for (int ms = 0; ms < 1000; ++ms) {
    SCOPED_TRACE(ms);
    const TDateTime t = (((9 * 60 + 5) * 60 + 7) * 1000 + ms) / kMsPerDay;
    const std::string text = FormatDateTime("hh:nn:ss.zzz", t, kLog);
    TDateTime back = -1;
    ASSERT_TRUE(TryStrToDateTime(text, back, kLog)) << text;
    EXPECT_EQ(std::trunc(back), 0.0);   // a time alone has no date
    int y, m, d, h, n, s, z;
    DecodeDateTime(back, y, m, d, h, n, s, z);
    EXPECT_EQ(h, 9);
    EXPECT_EQ(n, 5);
    EXPECT_EQ(s, 7);
    EXPECT_EQ(z, ms);
  }
}

TEST(TryStrToDateTime, AcceptedTexts) {
  struct Case {
    const char* text;
    int y, m, d, h, n, s, z;
  } cases[] = {
      {"14.03.2011 09:05:07.045", 2011, 3, 14, 9, 5, 7, 45},
      {"  14.03.2011 09:05:07.045\t", 2011, 3, 14, 9, 5, 7, 45},
      {"14.03.2011  09:05:07.045", 2011, 3, 14, 9, 5, 7, 45},
      {"14.03.2011 09:05:07", 2011, 3, 14, 9, 5, 7, 0},
      {"14.03.2011 09:05", 2011, 3, 14, 9, 5, 0, 0},
      {"14.03.2011", 2011, 3, 14, 0, 0, 0, 0},
      {"1.3.2011 9:5:7.5", 2011, 3, 1, 9, 5, 7, 5},
      {"29.02.2000 23:59:59.999", 2000, 2, 29, 23, 59, 59, 999},
      {"31.12.1899 00:00:00.000", 1899, 12, 31, 0, 0, 0, 0},
      {"14.03.11 09:05:07.045", 2011, 3, 14, 9, 5, 7, 45},
      {"00:00:00.000", 1899, 12, 30, 0, 0, 0, 0},
      {"23:59:59.999", 1899, 12, 30, 23, 59, 59, 999},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    TDateTime v = 0;
    ASSERT_TRUE(TryStrToDateTime(c.text, v, kLog));
    int y, m, d, h, n, s, z;
    DecodeDateTime(v, y, m, d, h, n, s, z);
    EXPECT_EQ(y, c.y);
    EXPECT_EQ(m, c.m);
    EXPECT_EQ(d, c.d);
    EXPECT_EQ(h, c.h);
    EXPECT_EQ(n, c.n);
    EXPECT_EQ(s, c.s);
    EXPECT_EQ(z, c.z);
  }
}

TEST(TryStrToDateTime, RefusedTextsLeaveNoException) {
  // The age trimming hands it whatever 23 bytes follow a line break.
  const char* cases[] = {
      "",
      "   ",
      "Сообщение без отметки времени",
      "14.03.2011 09:05:07.045 [событ]",
      "14.03.2011 09:05:07.04x",
      "14.03.2011T09:05:07.045",
      "14.03.2011 24:00:00.000",
      "14.03.2011 09:60:00.000",
      "14.03.2011 09:05:60.000",
      "14.03.2011 09:05:07.1000",
      "30.02.2011 09:05:07.045",
      "29.02.2011 09:05:07.045",
      "14.13.2011 09:05:07.045",
      "00.03.2011 09:05:07.045",
      "14/03/2011 09:05:07.045",
      "14.03.2011 09.05.07.045",
      "14.03 09:05:07.045",
      "14.03.2011 09",
      "14.03.2011 09:",
      "09:05:07.",
      "09",
      "-1.03.2011 09:05:07.045",
      "\r\n14.03.2011 09:05",
  };
  for (const char* text : cases) {
    SCOPED_TRACE(text);
    TDateTime v = 123.0;
    EXPECT_FALSE(TryStrToDateTime(text, v, kLog));
  }
}

TEST(DateTime, NowIsTodayAndAdvances) {
  const TDateTime today = Date();
  const TDateTime now = Now();
  EXPECT_EQ(std::trunc(today), today);
  EXPECT_GE(now, today);
  EXPECT_LT(now - today, 1.0 + SecondsToDays(1));
  EXPECT_GT(today, EncodeDateTime(2020, 1, 1, 0, 0, 0, 0));
}

}  // namespace
}  // namespace orma

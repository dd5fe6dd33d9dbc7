// Timestamps of the log: written with a pattern, read back by the age trimming.
#include "common/datetime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace orma {
namespace {

const TFormatSettings kLog;   // the log's fixed settings are the defaults
constexpr const char* kStamp = "dd/mm/yyyy hh:nn:ss.zzz";

TEST(DateTime, DayNumbersAndTheTimeOfDay) {
  const struct {
    int y, m, d, h;
    double value;
  } cases[] = {{1899, 12, 30, 0, 0}, {1900, 3, 1, 0, 61}, {2011, 3, 14, 12, 40616.5}, {1899, 12, 29, 6, -1.25}};
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(EncodeDateTime(c.y, c.m, c.d, c.h, 0, 0, 0), c.value);
  EXPECT_EQ(FormatDateTime(kStamp, -1.25, kLog), "29.12.1899 06:00:00.000");
  // 23:59:59.9996 rounds into the next day, never to 24:00:00.000.
  EXPECT_EQ(FormatDateTime(kStamp, 40616.0 + (kMsPerDay - 0.4) / kMsPerDay, kLog), "15.03.2011 00:00:00.000");
  EXPECT_EQ(std::trunc(Date()), Date());
  EXPECT_GE(Now(), Date());
  EXPECT_LT(Now() - Date(), 1.0 + SecondsToDays(1));
}

TEST(FormatDateTime, PatternElements) {
  const TDateTime t = EncodeDateTime(2009, 1, 2, 3, 4, 5, 6);
  const struct {
    const char* pattern;
    const char* expected;
  } cases[] = {
      {"d/m/yy h:n:s.z", "2.1.09 3:4:5.6"},
      {kStamp, "02.01.2009 03:04:05.006"},
      {"yyyy-mm-dd hh:mm", "2009-01-02 03:04"},   // m after an hour is minutes
      {"HH:NN DD/MM/YYYY", "03:04 02.01.2009"},
      {"\"day\" dd 'at' hh [dd\"unterminated", "day 02 at 03 [02unterminated"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatDateTime(c.pattern, t, kLog), c.expected) << c.pattern;
  TFormatSettings other;
  other.DateSeparator = '-';
  other.TimeSeparator = '.';
  EXPECT_EQ(FormatDateTime(kStamp, t, other), "02-01-2009 03.04.05.006");
}

TEST(DateTime, EveryMillisecondRoundTripsThroughTheStampAndThroughATimeAlone) {
  for (int ms = 0; ms < 1000; ++ms) {
    const TDateTime t = EncodeDateTime(2011, 3, 14, 23, 59, 59, ms);
    for (const char* pattern : {kStamp, "hh:nn:ss.zzz"}) {
      const std::string text = FormatDateTime(pattern, t, kLog);
      TDateTime back = 0;
      ASSERT_TRUE(TryStrToDateTime(text, back, kLog)) << text;
      ASSERT_EQ(FormatDateTime(pattern, back, kLog), text);
    }
  }
}

TEST(TryStrToDateTime, AcceptedAndRefusedTexts) {
  const struct {
    const char* text;
    const char* read;   // as kStamp prints it; nullptr: refused
  } cases[] = {
      {"  14.03.2011  09:05:07.045\t", "14.03.2011 09:05:07.045"},
      {"14.03.2011 09:05", "14.03.2011 09:05:00.000"},
      {"14.03.2011", "14.03.2011 00:00:00.000"},
      {"1.3.11 9:5:7.5", "01.03.2011 09:05:07.005"},
      {"29.02.2000 23:59:59.999", "29.02.2000 23:59:59.999"},
      {"23:59:59.999", "30.12.1899 23:59:59.999"},
      // The age trimming hands it whatever bytes follow a line break.
      {"", nullptr}, {"Сообщение без отметки", nullptr}, {"14.03.2011 09:05:07.045 [событ]", nullptr},
      {"14.03.2011 24:00:00.000", nullptr}, {"14.03.2011 09:60", nullptr},
      {"14.03.2011 09:05:07.1000", nullptr}, {"29.02.2011", nullptr}, {"14/03/2011 09:05", nullptr}, {"14.03.2011 09:", nullptr},
      {"\r\n14.03.2011 09:05", nullptr},
  };
  for (const auto& c : cases) {
    TDateTime v = 0;
    const bool read = TryStrToDateTime(c.text, v, kLog);
    EXPECT_EQ(read, c.read != nullptr) << c.text;
    if (read && c.read) {
      EXPECT_EQ(FormatDateTime(kStamp, v, kLog), c.read) << c.text;
    }
  }
}

}  // namespace
}  // namespace orma

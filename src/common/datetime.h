// OLE Automation date-times: days since 30 December 1899 as a double, the fraction being the
// time of day, in local time. A value whose whole part is 0 is a time of day only.
#pragma once

#include <string>
#include <string_view>
#include <cstdint>
#include <vector>

namespace orma {

using TDateTime = double;

constexpr double kMsPerDay = 86'400'000.0;

struct TFormatSettings {
  char DateSeparator = '.';
  char TimeSeparator = ':';
  char DecimalSeparator = '.';
  std::string ShortDateFormat = "dd/mm/yyyy";
  std::string LongDateFormat = "dd/mm/yyyy";
  std::string ShortTimeFormat = "hh:nn:ss.zzz";
  std::string LongTimeFormat = "hh:nn:ss.zzz";
};

TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int millisecond);
void DecodeDateTime(TDateTime value, int& year, int& month, int& day, int& hour, int& minute, int& second,
                    int& millisecond);
TDateTime Now();   // the current local time
TDateTime Date();  // today, time 00:00

// Formats with the pattern elements d, dd, m, mm, yy, yyyy, h, hh, n, nn, s, ss, z, zzz,
// '/' (date separator), ':' (time separator), "quoted" and 'quoted' literals; every other
// character stands for itself.
//   FormatDateTime("dd/mm/yyyy hh:nn:ss.zzz", t, settings)  ->  "14.03.2011 09:05:07.045"
std::string FormatDateTime(std::string_view pattern, TDateTime value, const TFormatSettings& settings);

// A pattern of FormatDateTime read once, for formatting many values: the logger stamps every
// line with the same one.
class TDateTimePattern {
 public:
  explicit TDateTimePattern(std::string_view pattern = {});
  const std::string& Text() const { return text_; }
  // Appends what FormatDateTime(Text(), value, settings) returns.
  void AppendTo(std::string& out, TDateTime value, const TFormatSettings& settings) const;

 private:
  enum class Kind : std::uint8_t { Literal, Year, Month, Day, Hour, Minute, Second, Millisecond, DateSep, TimeSep };
  struct Element {
    Kind kind;
    std::uint8_t width;   // digits, or how many separators
    std::uint16_t from, length;   // a literal's place in text_
  };
  std::string text_;
  std::vector<Element> elements_;
};

// Reads a date and time, or a time alone, written as the settings' date order with
// DateSeparator, then hours:minutes[:seconds[.milliseconds]] with TimeSeparator and
// DecimalSeparator: "14.03.2011 09:05:07.045", "09:05:07.045". Surrounding blanks are allowed.
// Returns false for anything else (no exception).
bool TryStrToDateTime(std::string_view text, TDateTime& value, const TFormatSettings& settings);

// Seconds, minutes and so on as fractions of a day.
constexpr double SecondsToDays(double seconds) { return seconds / 86'400.0; }

}  // namespace orma

#include "common/datetime.h"

#include <cctype>
#include <cmath>
#include <cstdint>
#include <string>

#include "platform/process.h"

namespace orma {

namespace {

constexpr std::int64_t kMsPerDayInt = 86'400'000;

// Days from 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
constexpr std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void civilFromDays(std::int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(yoe + era * 400 + (month <= 2));
}

// 1899-12-30, day 0 of the OLE calendar, counted from 1970-01-01.
// constexpr, so that a date encoded during another file's static initialisation is right.
constexpr std::int64_t kOleEpoch = daysFromCivil(1899, 12, 30);
static_assert(kOleEpoch == -25569);

bool isLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int daysInMonth(int y, int m) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && isLeap(y) ? 29 : kDays[m - 1];
}

// Splits a value into its day number and the milliseconds of its time. Before 1899-12-30 the
// OLE value is negative but its fraction still counts forward from midnight: -1.25 is
// 1899-12-29 06:00.
void split(TDateTime value, std::int64_t& day, std::int64_t& ms) {
  const double whole = std::trunc(value);
  day = static_cast<std::int64_t>(whole);
  ms = std::llround(std::fabs(value - whole) * kMsPerDay);
  if (ms >= kMsPerDayInt) {   // 23:59:59.9995 and later round into the next day
    ms -= kMsPerDayInt;
    ++day;
  }
}

// Zero-padded to `width` digits; no allocation beyond the string's own growth.
void appendNumber(std::string& out, int value, int width) {
  char digits[12];
  int n = 0;
  unsigned v = static_cast<unsigned>(value);
  do {
    digits[n++] = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v != 0);
  for (int k = n; k < width; ++k) out += '0';
  while (n > 0) out += digits[--n];
}

}  // namespace

TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int millisecond) {
  const std::int64_t days = daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) - kOleEpoch;
  const double fraction =
      static_cast<double>(((hour * 60 + minute) * 60 + second) * 1000 + millisecond) / kMsPerDay;
  return days >= 0 ? static_cast<double>(days) + fraction : static_cast<double>(days) - fraction;
}

void DecodeDateTime(TDateTime value, int& year, int& month, int& day, int& hour, int& minute, int& second,
                    int& millisecond) {
  std::int64_t days = 0;
  std::int64_t ms = 0;
  split(value, days, ms);
  civilFromDays(days + kOleEpoch, year, month, day);
  millisecond = static_cast<int>(ms % 1000);
  second = static_cast<int>(ms / 1000 % 60);
  minute = static_cast<int>(ms / 60'000 % 60);
  hour = static_cast<int>(ms / 3'600'000);
}

TDateTime Now() {
  const auto t = platform::localTime();
  return EncodeDateTime(t.year, t.month, t.day, t.hour, t.minute, t.second, t.millisecond);
}

TDateTime Date() {
  const auto t = platform::localTime();
  return EncodeDateTime(t.year, t.month, t.day, 0, 0, 0, 0);
}

std::string FormatDateTime(std::string_view pattern, TDateTime value, const TFormatSettings& settings) {
  std::string out;
  TDateTimePattern(pattern).AppendTo(out, value, settings);
  return out;
}

// A run of one letter is one element: "yyyy" is the year in four digits, "yy" in two;
// "m" right after an hour element means minutes ("hh:mm"), as "n" always does.
TDateTimePattern::TDateTimePattern(std::string_view pattern) : text_(pattern) {
  bool afterHour = false;
  const auto literal = [&](std::size_t from, std::size_t length) {
    elements_.push_back({Kind::Literal, 0, static_cast<std::uint16_t>(from), static_cast<std::uint16_t>(length)});
  };
  for (std::size_t i = 0; i < text_.size();) {
    const char c = text_[i];
    const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (c == '"' || c == '\'') {
      const std::size_t end = text_.find(c, i + 1);
      const std::size_t stop = end == std::string::npos ? text_.size() : end;
      literal(i + 1, stop - i - 1);
      i = stop == text_.size() ? stop : stop + 1;
      continue;
    }
    std::size_t run = 1;
    while (i + run < text_.size() && std::tolower(static_cast<unsigned char>(text_[i + run])) == lower) ++run;
    const auto element = [&](Kind kind, std::size_t width) {
      elements_.push_back({kind, static_cast<std::uint8_t>(width), 0, 0});
    };
    switch (lower) {
      case 'y': element(Kind::Year, run <= 2 ? 2 : 4); break;
      case 'd':
      case 'm':
      case 'h':
      case 'n':
      case 's':
        if (run > 2) run = 2;
        element(lower == 'd'   ? Kind::Day
                : lower == 'm' ? (afterHour ? Kind::Minute : Kind::Month)
                : lower == 'h' ? Kind::Hour
                : lower == 'n' ? Kind::Minute
                               : Kind::Second,
                run);
        break;
      case 'z':
        if (run >= 3) run = 3;
        element(Kind::Millisecond, run >= 3 ? 3 : 1);
        break;
      case '/': element(Kind::DateSep, run); break;
      case ':': element(Kind::TimeSep, run); break;
      default: literal(i, run); break;
    }
    if (lower == 'h') afterHour = true;
    else if (std::isalpha(static_cast<unsigned char>(lower))) afterHour = false;
    i += run;
  }
}

void TDateTimePattern::AppendTo(std::string& out, TDateTime value, const TFormatSettings& settings) const {
  int year, month, day, hour, minute, second, ms;
  DecodeDateTime(value, year, month, day, hour, minute, second, ms);
  for (const Element& e : elements_) {
    switch (e.kind) {
      case Kind::Literal: out.append(text_, e.from, e.length); break;
      case Kind::Year: appendNumber(out, e.width == 2 ? year % 100 : year, e.width); break;
      case Kind::Month: appendNumber(out, month, e.width); break;
      case Kind::Day: appendNumber(out, day, e.width); break;
      case Kind::Hour: appendNumber(out, hour, e.width); break;
      case Kind::Minute: appendNumber(out, minute, e.width); break;
      case Kind::Second: appendNumber(out, second, e.width); break;
      case Kind::Millisecond: appendNumber(out, ms, e.width); break;
      case Kind::DateSep: out.append(e.width, settings.DateSeparator); break;
      case Kind::TimeSep: out.append(e.width, settings.TimeSeparator); break;
    }
  }
}

namespace {

class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {}

  bool atEnd() const { return pos_ >= text_.size(); }
  void skipBlanks() {
    while (!atEnd() && (text_[pos_] == ' ' || text_[pos_] == '\t')) ++pos_;
  }
  bool accept(char c) {
    if (atEnd() || text_[pos_] != c) return false;
    ++pos_;
    return true;
  }
  bool peek(char c) const { return !atEnd() && text_[pos_] == c; }
  // One to maxDigits decimal digits.
  bool number(int& value, int maxDigits, int* digits = nullptr) {
    int n = 0;
    value = 0;
    while (!atEnd() && n < maxDigits && text_[pos_] >= '0' && text_[pos_] <= '9') {
      value = value * 10 + (text_[pos_] - '0');
      ++pos_;
      ++n;
    }
    if (digits) *digits = n;
    return n > 0;
  }
  std::size_t pos() const { return pos_; }
  void setPos(std::size_t p) { pos_ = p; }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

enum class DateOrder { DMY, MDY, YMD };

DateOrder dateOrder(const std::string& shortDateFormat) {
  for (char c : shortDateFormat) {
    const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower == 'd') return DateOrder::DMY;
    if (lower == 'm') return DateOrder::MDY;
    if (lower == 'y') return DateOrder::YMD;
  }
  return DateOrder::DMY;
}

bool readDate(Reader& r, const TFormatSettings& s, int& year, int& month, int& day) {
  int parts[3];
  int digits[3];
  for (int k = 0; k < 3; ++k) {
    if (k > 0 && !r.accept(s.DateSeparator)) return false;
    if (!r.number(parts[k], 4, &digits[k])) return false;
  }
  int yearDigits = 0;
  switch (dateOrder(s.ShortDateFormat)) {
    case DateOrder::DMY: day = parts[0], month = parts[1], year = parts[2], yearDigits = digits[2]; break;
    case DateOrder::MDY: month = parts[0], day = parts[1], year = parts[2], yearDigits = digits[2]; break;
    case DateOrder::YMD: year = parts[0], month = parts[1], day = parts[2], yearDigits = digits[0]; break;
  }
  if (yearDigits <= 2) year += year < 50 ? 2000 : 1900;
  return year >= 1 && month >= 1 && month <= 12 && day >= 1 && day <= daysInMonth(year, month);
}

bool readTime(Reader& r, const TFormatSettings& s, int& hour, int& minute, int& second, int& ms) {
  second = ms = 0;
  if (!r.number(hour, 2) || !r.accept(s.TimeSeparator) || !r.number(minute, 2)) return false;
  if (r.accept(s.TimeSeparator)) {
    if (!r.number(second, 2)) return false;
    if (r.accept(s.DecimalSeparator) && !r.number(ms, 3)) return false;
  }
  return hour < 24 && minute < 60 && second < 60;
}

}  // namespace

bool TryStrToDateTime(std::string_view text, TDateTime& value, const TFormatSettings& settings) {
  Reader r(text);
  r.skipBlanks();
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, ms = 0;
  // A time alone ("09:05:07.045") is recognised by its time separator after the first number.
  const std::size_t start = r.pos();
  int ignored = 0;
  const bool timeOnly = r.number(ignored, 2) && r.peek(settings.TimeSeparator);
  r.setPos(start);
  bool haveDate = false;
  if (!timeOnly) {
    if (!readDate(r, settings, year, month, day)) return false;
    haveDate = true;
    const std::size_t beforeBlank = r.pos();
    r.skipBlanks();
    if (r.atEnd()) {
      value = EncodeDateTime(year, month, day, 0, 0, 0, 0);
      return true;
    }
    if (r.pos() == beforeBlank) return false;   // date and time need a blank between them
  }
  if (!readTime(r, settings, hour, minute, second, ms)) return false;
  r.skipBlanks();
  if (!r.atEnd()) return false;
  if (!haveDate) {
    value = static_cast<double>(((hour * 60 + minute) * 60 + second) * 1000 + ms) / kMsPerDay;
    return true;
  }
  value = EncodeDateTime(year, month, day, hour, minute, second, ms);
  return true;
}

}  // namespace orma

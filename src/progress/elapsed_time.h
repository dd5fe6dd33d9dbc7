// The elapsed-time text under the bar: "Общее время: 0:01:05" with the user's long time pattern.
//
// The time is a duration from a monotonic clock, not a difference of times of day, so a run that
// passes midnight (or a clock change) still counts up. A duration has no AM/PM, so the locale
// pattern loses its designator and its hours count from 0:
//   Windows picture "h:mm:ss tt"  ->  "h:nn:ss"        "HH:mm:ss"  ->  "hh:nn:ss"
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orma {

// Turns a Windows time picture (H, HH, h, hh, m, mm, s, ss, t, tt, 'literal') into our
// date-time pattern.
std::string ElapsedTimePattern(std::string_view localePicture);

// ElapsedTimeFormat with the duration written in `pattern`.
std::string ElapsedTimeText(std::uint64_t elapsedMs, std::string_view pattern);

// The clock of the elapsed time: platform::monotonicMs unless a test puts its own in place.
using TElapsedClock = std::uint64_t (*)();
TElapsedClock ElapsedClock();
void SetElapsedClock(TElapsedClock clock);   // nullptr restores the monotonic clock

// The user's long time picture as the system gives it ("H:mm:ss" where there is no locale).
// Each build has its own.
std::string UserTimePicture();

}  // namespace orma

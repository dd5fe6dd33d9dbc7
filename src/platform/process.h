// The running process and thread, sleeping and clocks.
#pragma once

#include <cstdint>
#include <string>

namespace orma::platform {

std::uint32_t processId();
std::uint32_t threadId();
void sleepMs(unsigned milliseconds);

// Milliseconds from an arbitrary start, never going backwards (not the time of day).
std::uint64_t monotonicMs();

struct LocalTime {
  int year, month, day;            // month 1..12, day 1..31
  int hour, minute, second, millisecond;
};
LocalTime localTime();

// The account the process runs under, as its system names it ("SYSTEM", "operator"); "" when it
// cannot be learned.
std::string userName();

}  // namespace orma::platform

// Build-time settings of the logging module and the level table.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace orma::logging {

// How long opening the log file keeps retrying while another opener holds it.
constexpr int DefaultOpenTimeout = 200;   // milliseconds
// The shortest pause between two age-trimming scans of one logger.
constexpr int AgeCheckInterval = 60;      // seconds
// True would format and parse timestamps with the process's locale settings.
constexpr bool UseLocaleDateTime = false;
// True would make a mutex that cannot be created an error; false lets the logger run on its
// in-process lock alone.
constexpr bool RaiseOnMutexFailure = false;
constexpr bool DefaultUseMutex = true;

// Level n has marker LevelMarkers[n] (put in front of the line when markers are on) and tag
// LevelTags[n] (after the timestamp). Each tag begins with a blank; level 0 has none.
constexpr std::string_view LevelMarkers = "-+?!#$%@";
constexpr std::array<std::string_view, 8> LevelTags = {
    "", " [инф]", " [ошиб]", " [сбой]", " [вним]", " [событ]", " [отлад]", " [другое]"};

constexpr bool IsMarkerChar(char c) { return LevelMarkers.find(c) != std::string_view::npos; }

}  // namespace orma::logging

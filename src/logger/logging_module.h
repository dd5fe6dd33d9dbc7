// The logging module: started once before the first logger writes, ended once after the last.
//
// It owns the errors log "KestLoggerErrorsWriter.log" in the user's temporary folder, where
// every logger reports the lines it failed to write, and the date-time settings of the
// timestamps.
#pragma once

#include "common/datetime.h"

namespace orma {
class TKestLogger;
}

namespace orma::logging {

// Creates the errors logger. Call once, at program start, before any logger writes.
void StartModule();
// Frees the errors logger; failures after this point are no longer reported.
void EndModule();

// The errors logger, or null outside StartModule .. EndModule.
TKestLogger* ErrorsLogger();

// Timestamps: "dd/mm/yyyy" dates and "hh:nn:ss.zzz" times, '.' between the parts of a date,
// ':' between those of a time, '.' before the milliseconds.
const TFormatSettings& LogFormatSettings();

}  // namespace orma::logging

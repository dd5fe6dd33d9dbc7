// The application's one log, "C:\RUDE\LogFiles\OrmaOptimizeDB.log" (POSIX: under ormaRoot()).
// The front-end (main form or console) creates it at start and frees it at exit; backup and
// restore write every step through it and expect it to exist while they run.
#pragma once

namespace orma {

class TKestLogger;

extern TKestLogger* AppLogger;

}  // namespace orma

// The application log's part of a run: the front-end opens it at start and closes it at exit,
// so that every run shows in "C:\RUDE\LogFiles\OrmaOptimizeDB.log" as
//
//   (empty line)
//   06/12/2026 20:15:03.120 Программа запущена
//   ... the lines of the optimisations ...
//   06/12/2026 20:16:40.008 Выход из программы
#pragma once

#include <string>

namespace orma {

// "C:\RUDE\LogFiles\OrmaOptimizeDB.log"; on POSIX LogFiles/OrmaOptimizeDB.log under ormaRoot().
std::string AppLogFileName();

// Creates the log's folder with any missing parents (a failure there is left to the logger,
// which reports the lines it cannot write), creates AppLogger and writes the empty line and
// "Программа запущена". Needs the logging module started.
void OpenAppLog();

// For a console run that ends before its modules are up (a bad argument, the utility library
// not loaded, a module that could not start), whose standard error a scheduler throws away:
// writes the run's frame around a level 2 line with `message`, starting the logging module for
// it when it is not running. Nothing when the log is open already.
void LogFailureBeforeStart(const std::string& message);

// The log's folder with any missing parents, for the files that lie beside the log.
void CreateLogFolder();

// Writes "Выход из программы" and frees AppLogger; nothing when the log is not open.
void CloseAppLog();

}  // namespace orma

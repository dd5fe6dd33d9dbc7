// What an interruption (platform/interruption.h) means to a run: a request that the run
// notices at its safe points, never inside the replace.
//
//   where the request finds the run        what the run does
//   before the backup, between the phases  stops there
//   in the backup                          the server cannot be stopped (see below): the run
//                                          waits for the backup's end, deletes the backup file
//   in the restore                         brings the database back online at once, waits for
//                                          the restore's end, deletes the temporary file
//   in the replace, or after it            finishes: the optimized file is in place
//
// The server goes on with a backup or restore whose service connection was detached, to its
// end (Firebird 3, measured: the backup file kept growing for 12 s after the detach), and
// while the backup holds the one attachment that single-user maintenance admits, the server
// refuses every other attachment, a forced shutdown or bringing the database online included.
// So the run stops when the server's service ends.
//
// A stopped run fails with ERunInterrupted naming the cause; OptimizeDatabase's clean-up then
// brings the database back online, as after any failure.
#pragma once

#include <string>

#include "common/exceptions.h"
#include "platform/interruption.h"

namespace orma {

ORMA_DECLARE_EXCEPTION(ERunInterrupted, Exception);

// Asks the run to stop; safe inside a signal handler. The first cause is the one reported.
void RequestInterruption(platform::Interruption cause) noexcept;
bool InterruptionRequested() noexcept;

// A safe point: raises ERunInterrupted when an interruption was requested, with the message
// for the operator (the working file at `databasePath` unchanged).
void InterruptionPoint(const std::string& databasePath);

// In a service's reading: logs that the run stops once the server has finished `work`.
void LogInterruptionNoticed(const std::string& work);

// After a service's end, when an interruption was requested: deletes the run's file `runFile`
// (the backup or the restored temporary file), logging it, then raises as InterruptionPoint.
void StopAfterService(const std::string& databasePath, const std::string& runFile);

// For a console program, the length of a run: the operating system's interruptions reach the
// run instead of ending the process, and an event after which Windows ends the process (the
// console window closed, the end of the session) waits until this object is destroyed.
class InterruptibleRun {
 public:
  InterruptibleRun();
  ~InterruptibleRun();
  InterruptibleRun(const InterruptibleRun&) = delete;
  InterruptibleRun& operator=(const InterruptibleRun&) = delete;
};

}  // namespace orma

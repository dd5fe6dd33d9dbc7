// Keeping every other client away from the working database for the length of a run.
//
// A write that another client commits after the backup began would be lost when the restored
// file replaces the working one. So the run
//   1. shuts the database down to single-user use before the backup; the server refuses that
//      while anyone else is attached, and the run ends before anything is touched;
//   2. notes the database's next transaction right after the backup;
//   3. compares it again right before the replace: single-user use still admits one
//      administrator attachment whenever nobody holds it, between the phases for instance,
//      and any attachment that did anything has moved the number on;
//   4. after a failure, brings the database back online. The restored file comes out online
//      by itself. A run killed in between leaves the database shut down, and its record
//      (shutdown_record.h) says so: the next run brings such a database back online first. A
//      database shut down without that record is an administrator's, and the run refuses it
//      without changing anything.
#pragma once

#include <cstdint>
#include <string>

#include "fbclient/database_header.h"
#include "fbclient/service_connection.h"

namespace orma {

extern const char* const kDatabaseInUseMessage;     // step 1 refused: "База данных ""%s"" используется..."
extern const char* const kDatabaseChangedMessage;   // step 3 found a change
extern const char* const kAdministratorShutdownMessage;   // shut down, and not by a run of ours
extern const char* const kServiceFilesLeftMessage;   // a same-named database's killed run left its files

// "полностью отключена (full shutdown)" and the like, for the operator's messages.
std::string ShutdownStateText(fb::ShutdownMode mode);

// The refusals of step 1 that the database's file and its record give, before anything is
// changed: raises ERunRefused with kServiceFilesLeftMessage or kAdministratorShutdownMessage.
// True when the database is shut down by a killed run of its own, which a run brings back
// online first.
bool CheckDatabaseState(const std::string& databasePath);

// Steps 1 and 4's start, on an attached service connection: a killed run's shutdown is lifted,
// the record written, the database shut down. Raises Exception with kAdministratorShutdownMessage
// or kServiceFilesLeftMessage before anything is changed, with kDatabaseInUseMessage when
// another client is attached, or the server's failure.
void TakeDatabaseForOptimization(fb::ServiceConnection& service, const std::string& databasePath);

// Step 2: the next transaction as the database file says it now. Raises Exception naming the
// file when its header cannot be read.
std::uint32_t ReadNextTransaction(const std::string& databasePath);

// Step 4 at the end of a run: brings the database back online when this run shut it down and
// its file says it still is, then clears the record. A database this run did not shut down is
// left as it is. False, after a level 4 line in AppLogger, when the database stays shut down
// (the server is gone, or someone holds the one attachment that the shutdown admits).
bool ReturnDatabaseToUse(const std::string& serverHost, const std::string& databasePath, const std::string& userName,
                         const std::string& password, std::int32_t port) noexcept;

}  // namespace orma

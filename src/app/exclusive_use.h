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
//      (shutdown_record.h) says so: the next run brings such a database back online first,
//      before any of its checks may refuse. A run only ever sets single-user maintenance: a
//      database shut down otherwise, or without that record, is an administrator's, and the
//      run refuses it without changing anything.
//
// From the end of the backup until right before the replace the run holds the one attachment
// that single-user maintenance admits (during the backup the server's backup holds it), so
// that no client can attach and write while the server restores; that attachment starts no
// transaction, and the database's next transaction stays where the backup left it.
//
// This process remembers which databases it has asked the server to shut down, and brings
// them back whatever becomes of their record (held for a moment by an antivirus scan).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "app/run_outcome.h"
#include "fbclient/database_header.h"
#include "fbclient/service_connection.h"

namespace orma {

extern const char* const kDatabaseInUseMessage;     // step 1 refused: "База данных ""%s"" используется..."
extern const char* const kDatabaseChangedMessage;   // step 3 found a change
extern const char* const kAdministratorShutdownMessage;   // shut down, and not by a run of ours
extern const char* const kServiceFilesLeftMessage;   // a same-named database's killed run left its files
extern const char* const kRecordUnreadableMessage;   // the record is there but cannot be read

// "полностью отключена (full shutdown)" and the like, for the operator's messages.
std::string ShutdownStateText(fb::ShutdownMode mode);

// The first of a run's checks, with its guard held: true when a killed run of this database
// left it in single-user maintenance, which the caller brings back (ReturnDatabaseToUse)
// before any other check may refuse. A record naming a same-named database that no longer
// exists is deleted, with a level 4 line. Raises ERunRefused, having changed nothing, for a
// same-named database's record (kServiceFilesLeftMessage), an administrator's shutdown found
// with the record, a record that cannot be read; where the database then stays shut down,
// `report.outcome` is LeftShutDown first. `lookOnly` (--check) changes nothing: neither a stale
// record nor that of a run killed after its replace is deleted.
bool KilledRunLeftShutDown(const std::string& databasePath, RunReport& report, bool lookOnly = false);

// Raises ERunRefused with kAdministratorShutdownMessage when the database is shut down: once
// a killed run's shutdown has been lifted, any shutdown left is an administrator's.
void RefuseAnAdministratorsShutdown(const std::string& databasePath);

// Step 1, on an attached service connection: the record written, the database shut down.
// Raises ERunRefused with kAdministratorShutdownMessage before anything is changed, with
// kDatabaseInUseMessage when another client is attached, or the server's failure. When the
// request fails without an answer the database may be shut down all the same: the run then
// owns that shutdown, and its failure's clean-up (ReturnDatabaseToUse) brings it back.
void TakeDatabaseForOptimization(fb::ServiceConnection& service, const std::string& databasePath);

// The run's own attachment from the backup's end to the replace (see above). HoldDatabase
// waits a few seconds for the server's backup to let the attachment go; when it cannot attach
// it says so in a level 4 line and the run goes on, its check of the next transaction still
// keeping every write.
void HoldDatabase(const std::string& serverHost, const std::string& databasePath, const std::string& userName,
                  const std::string& password, std::int32_t port) noexcept;
void ReleaseDatabase(const std::string& databasePath) noexcept;

// Step 2: the next transaction as the database file says it now. Raises Exception naming the
// file when its header cannot be read.
std::uint32_t ReadNextTransaction(const std::string& databasePath);

// Step 4 at the end of a run: brings the database back online when this process or a killed
// run (its record) shut it down and its file says it still is, then clears the record. A
// database that neither shut down is left as it is. While the server answers but will not
// bring it online (a backup or restore whose connection broke goes on and holds the one
// attachment), it waits up to kServerWaitSeconds, after a level 4 line and `onWait`. False,
// after a level 4 line in AppLogger, when the database stays shut down (the server gone, or
// someone holding the one attachment for longer).
constexpr unsigned kServerWaitSeconds = 180;
bool ReturnDatabaseToUse(const std::string& serverHost, const std::string& databasePath, const std::string& userName,
                         const std::string& password, std::int32_t port,
                         const std::function<void()>& onWait = {}) noexcept;

}  // namespace orma

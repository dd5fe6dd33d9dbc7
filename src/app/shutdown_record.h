// The run's own record that it has shut a database down and that the service files beside it
// are that run's.
//
// A database found shut down at the start of a run is either a killed run's, which the next
// run brings back online, or an administrator's, which no run may undo. The record tells them
// apart: the run writes it, through to the disk, before it shuts the database down, and clears
// it only once the database is back online. It lies beside the database, named as the service
// files are ("C:\RUDE\DB\ORMA.ormarun"), so that it survives a restart of the server and of the
// computer; it names the database, so that a same-named database of the folder ("ORMA.GDB")
// learns that the service files are another database's and leaves them alone.
//
// Its text: the database's identity (platform::fileIdentity) and its path, one a line. The
// path decides whose the record is, never the identity, which a folder copied away and back
// or restored from a backup no longer has. The folder part is where the record lies now (a
// folder moved elsewhere takes its record along):
//
//   the record beside /new/DB/ORMA.FDB names    owner
//   /new/DB/ORMA.FDB or /old/DB/ORMA.FDB        ThisDatabase
//   /new/DB/ORMA.GDB, and that file exists      AnotherDatabase
//   /new/DB/ORMA.GDB, and that file is gone     Stale
#pragma once

#include <string>
#include <string_view>

#include "common/filenames.h"

namespace orma {

extern const char* const kRunRecordExtension;   // ".ormarun"

// "C:\RUDE\DB\ORMA.FDB" -> "C:\RUDE\DB\ORMA.ormarun"
std::string RunRecordPathFor(std::string_view databasePath, PathStyle style = NativePathStyle());

enum class RecordOwner {
  None,              // no record, or one a crash cut short before any shutdown
  ThisDatabase,
  AnotherDatabase,   // a same-named database beside this one
  Stale,             // a same-named database that no longer exists
  Unreadable,        // there, but it cannot be read (held by another program, not a file)
};

struct RunRecord {
  RecordOwner owner = RecordOwner::None;
  std::string path;        // the record file
  std::string ownerPath;   // the database it names, in this folder (AnotherDatabase, Stale)
  std::string failure;     // the system's reason (Unreadable)
};
RunRecord ReadRunRecord(const std::string& databasePath);

// Raises Exception when the record cannot be written through to the disk.
void WriteRunRecord(const std::string& databasePath);

// False, after a level 4 line in AppLogger, when the record is still there.
bool ClearRunRecord(const std::string& databasePath) noexcept;

}  // namespace orma

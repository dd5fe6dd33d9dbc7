// The parameter blocks of the service requests, as bytes. Pure functions, so that the layout
// is tested without a server.
//
//   attachParameters("SYSDBA", "pw")  ->  02 02  1C 06 "SYSDBA"  1D 02 "pw"  76 00
//   backupRequest("/db/a.fdb", "/db/a.fbk")
//       ->  01  6A 09 00 "/db/a.fdb"  05 09 00 "/db/a.fbk"  6B
#pragma once

#include <string>

namespace orma::fb {

// The attachment's block: user name, password, and file names in UTF-8 (the server converts
// them to its own system's code page). Raises EFirebirdError for a value over 255 bytes.
std::string attachParameters(const std::string& userName, const std::string& password);

// An attachment to a database that runs none of its ON CONNECT triggers, which would start a
// transaction and move the database's next transaction on:
//   databaseAttachParameters("SYSDBA", "pw")  ->  01  1C 06 "SYSDBA"  1D 02 "pw"  48 01 01
std::string databaseAttachParameters(const std::string& userName, const std::string& password);

// Backup of one database into one backup file with verbose output; every other option left
// to the server, except that skipGarbageCollection asks it to leave the database's old record
// versions where they are. Raises EFirebirdError for a path over 65535 bytes.
std::string backupRequest(const std::string& database, const std::string& backupFile,
                          bool skipGarbageCollection = false);

// Restore of one backup file into a new database (refused when the file exists), verbose.
std::string restoreRequest(const std::string& backupFile, const std::string& database);

// Shuts the database down to single-user use: the server then admits one attachment of the
// administrator or the owner at a time, and nobody else. With no time to wait for others to
// leave, the server refuses at once, changing nothing, while anyone else is attached.
std::string shutdownSingleRequest(const std::string& database);

// Brings a shut-down database back to normal use.
std::string onlineRequest(const std::string& database);

// The send items of an output query: wait at most `seconds` for output.
std::string queryTimeout(unsigned seconds);

}  // namespace orma::fb

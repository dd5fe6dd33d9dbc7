// A station under Wine whose databases the private Linux server of the "firebird" fixture
// serves: the utility library answering that server's password and port, the Windows client
// registered, bloated samples, and runs of the real programs on them.
//
// A Windows program under Wine reaches a Linux path such as /tmp/x/ORMA.FDB through drive Z:,
// and the server receives the same text, which is its own path to the file: so every database
// path here is a Linux path, given unchanged to the programs. testing::LocalPath names the
// same file for this test program.
#pragma once

#include <string>
#include <vector>

#include "app/log_entries.h"
#include "app_driver.h"

namespace orma::test {

// Zelmar.ini for the stand-in library with the fixture server's password (or another one).
std::string ServerZelmarIni(const std::string& password = "");

// A clean station (PrepareStation) whose library reaches the server, with the client
// registered as a station has it.
void PrepareServerStation(const std::string& zelmarIni = ServerZelmarIni());

// A folder of its own for a case, under the build tree, emptied: a Linux path.
std::string CaseFolder(const std::string& name);
// A bloated sample of about `megabytes` at `path` (a Linux path). Each size is made once per
// test program and copied, so that cases share the cost of making it.
void PlaceSample(int megabytes, const std::string& path);
// DatabaseDigest of the untouched sample of that size.
std::string SampleDigest(int megabytes);

// The names of the files in a folder (a Linux path), sorted.
std::vector<std::string> FolderNames(const std::string& folder);

// The application log (C:\RUDE\LogFiles\OrmaOptimizeDB.log) of one run that optimized
// `database` from start to exit.
std::vector<testing::LogEntry> SuccessfulRunLog(const std::string& database);

// orma-optimize.exe of the build, or another copy of it, on one database.
std::wstring ConsoleProgram();
ProgramRun OptimizeWithConsole(const std::string& database, const std::wstring& program = ConsoleProgram());

}  // namespace orma::test

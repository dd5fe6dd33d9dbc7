// Which file a path reaches, whatever way it is written.
#pragma once

#include <string>

namespace orma::platform {

// POSIX: a path whose last component is a symbolic link becomes the path of the file the link
// finally names, so that work meant for the file happens beside it and the link stays a link;
// any other path comes back unchanged. Windows the same for a file symbolic link (a reparse
// point), with the final path as the system gives it; the path of an existing file that is no
// link comes back in its long form (full, short 8.3 names expanded, trailing dots and blanks
// dropped), so that every spelling of one file names the same files beside it. Empty when a
// link cannot be resolved (dangling, a loop), the code in lastError().
std::string resolveLinks(const std::string& path);

// How many names (hard links) the file has on its volume; false when it cannot be reached.
bool linkCount(const std::string& path, unsigned& count);

// A text that is the same for every path to one file of a folder and differs between files:
// the folder's identity on its volume and the file's name as the system compares names.
// It survives the file's replacement by another of the same name, so that it names "the
// working database" for the whole of a run. POSIX: device and inode of the folder, with
// symbolic links resolved, and the name; Windows: volume serial number and file index of the
// folder, and the long name in upper case. The file itself need not exist; its folder must.
bool fileIdentity(const std::string& path, std::string& identity);

}  // namespace orma::platform

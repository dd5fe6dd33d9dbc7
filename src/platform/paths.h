// Folders the program needs from the system.
#pragma once

#include <string>

namespace orma::platform {

// The user's temporary folder, with a trailing separator.
std::string tempFolder();
// Full path of the running executable.
std::string executablePath();
// The folder that stands for "C:\RUDE\" with a trailing separator: that folder on Windows;
// on POSIX the folder named by ORMA_ROOT, "/opt/rude/" by default.
std::string ormaRoot();
// `path` made absolute against the current folder; an absolute path comes back as it is
// (POSIX) or normalised by the system (Windows). Empty when the current folder cannot be read.
// The database server resolves a relative path from its own folder, not ours.
std::string absolutePath(const std::string& path);
// The folder separator of this system: '\\' on Windows, '/' on POSIX.
char pathSeparator();

}  // namespace orma::platform

// Where the Firebird client library is looked for.
#pragma once

#include <string>
#include <vector>

namespace orma::platform {

// The places to try, in order; the first that loads is used. Never the current folder.
// Windows: fbclient.dll of the server instance registered as "DefaultInstance" under
// HKLM\SOFTWARE\Firebird Project\Firebird Server\Instances (the client that matches the
// running server), then beside the executable, then in the system folder. Each as this
// process sees it: a 32-bit program on 64-bit Windows reads the registry's 32-bit view
// (SOFTWARE\WOW6432Node\...), where a 32-bit client registers, and its system folder
// "C:\Windows\System32" is SysWOW64, where the 32-bit client lies; so it finds a client of its
// own bitness, as a 64-bit program does in the 64-bit view and System32.
// POSIX: libfbclient.so.2 in the usual library folders.
std::vector<std::string> firebirdClientCandidates();

}  // namespace orma::platform

// Where the Firebird client library is looked for.
#pragma once

#include <string>
#include <vector>

namespace orma::platform {

// The places to try, in order; the first that loads is used. Never the current folder.
// Windows: fbclient.dll of the server instance registered as "DefaultInstance" under
// HKLM\SOFTWARE\Firebird Project\Firebird Server\Instances (the client that matches the
// running server), then beside the executable, then in the system folder.
// POSIX: libfbclient.so.2 in the usual library folders.
std::vector<std::string> firebirdClientCandidates();

}  // namespace orma::platform

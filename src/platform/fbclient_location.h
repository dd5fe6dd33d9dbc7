// Where the Firebird client library is looked for.
#pragma once

#include <string>
#include <vector>

namespace orma::platform {

// The places to try, in order; the first that loads is used. Never the current folder.
// Windows: fbclient.dll of the server instance registered as "DefaultInstance" under
// HKLM\SOFTWARE\Firebird Project\Firebird Server\Instances (the client that matches the
// running server), in its folder and then in its bin\ folder (older servers); for a 32-bit
// program, then the WOW64\ folder of the instance registered in the 64-bit view (a 64-bit
// server keeps the 32-bit client there); then beside the executable, then in the system
// folder. Otherwise each as this process sees it: a 32-bit program on 64-bit Windows reads the
// registry's 32-bit view (SOFTWARE\WOW6432Node\...), where a 32-bit server registers, and its
// system folder "C:\Windows\System32" is SysWOW64, where the 32-bit client lies.
//   64-bit program: <instance>\fbclient.dll, <instance>\bin\fbclient.dll, <exe folder>\fbclient.dll,
//                   C:\Windows\System32\fbclient.dll
//   32-bit program: the same, with <64-bit instance>\WOW64\fbclient.dll before <exe folder>
// POSIX: libfbclient.so.2 in the usual library folders.
std::vector<std::string> firebirdClientCandidates();

}  // namespace orma::platform

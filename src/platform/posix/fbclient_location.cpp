#include "platform/fbclient_location.h"

namespace orma::platform {

// The library folders of the usual distributions and of the Firebird project's own installer,
// by full path: DynamicLibrary never lets the loader search.
std::vector<std::string> firebirdClientCandidates() {
  std::vector<std::string> candidates;
  for (const char* folder : {"/usr/lib/x86_64-linux-gnu/", "/usr/lib64/", "/usr/lib/", "/opt/firebird/lib/"}) {
    candidates.push_back(std::string(folder) + "libfbclient.so.2");
  }
  return candidates;
}

}  // namespace orma::platform

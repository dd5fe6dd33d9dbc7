// The client library's entry points with the failure sweep's counter in front of each
// (platform/fault_injection.h). Only a build with failure injection installs them.
#pragma once

#include "fbclient/client_library.h"

namespace orma::fb {

// The same entry points, each counted first. A failed call answers as the library does when the
// connection to the server breaks: an attach, a query or a database's attach before the server
// saw the call (nothing happened); a service start, a detach or a database's detach after it
// (the server acted, its answer was lost), the hardest case for the caller.
ClientApi InjectingFaults(const ClientApi& real);

}  // namespace orma::fb

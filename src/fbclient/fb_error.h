// Failures of the Firebird client library and of the services it runs on the server.
#pragma once

#include <string>

#include "common/exceptions.h"
#include "fbclient/fb_api.h"

namespace orma {

// Its message is the client library's own text for the whole status vector, one message per
// line, e.g.
//   Unable to complete network request to host "127.0.0.1".\r\nFailed to establish a connection.
ORMA_DECLARE_EXCEPTION(EFirebirdError, Exception);

namespace fb {

// The text of every message in a failed status vector, joined by "\r\n".
std::string statusText(InterpretFn interpret, const IscStatus* status);

inline bool failed(const IscStatus* status) { return status[0] == 1 && status[1] != 0; }

}  // namespace fb
}  // namespace orma

// Reading the reply to an output query (isc_info_svc_line).
//
// A reply is a list of tagged items closed by isc_info_end:
//   3E 0C 00 "gbak:text.. " 01         one line of output
//   3E 00 00 40 01                      nothing within the timeout (isc_info_svc_timeout)
//   3E 00 00 04 01                      nothing yet (isc_info_data_not_ready)
//   3E 00 00 01                         the end of the output
// In line mode the server ends each line with a blank instead of a line break.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace orma::fb {

struct ServiceReply {
  std::vector<std::string> lines;   // the line break blank removed
  bool ended = false;               // the service has no more output
};

// Raises EFirebirdError for an unknown tag or an item that runs past the buffer: the reply is
// then not what we asked for, and guessing could lose output or never end.
ServiceReply parseServiceReply(const char* buffer, std::size_t size);

// The same, but keeps whatever whole lines precede anything it cannot read and raises
// nothing: for the reply of a query whose status vector already reports a failure.
std::vector<std::string> salvageServiceLines(const char* buffer, std::size_t size);

// The reply to a query for the server's version and the databases it has open:
//   37 0A 00 "WI-V3.0.11"  32 05 <4 bytes> 06 <4 bytes> 6A 0E 00 "/db/ORMA.FDB"... 7F  01
struct ServerInfo {
  std::string version;
  unsigned attachments = 0;
  std::vector<std::string> databases;   // as the server names them
};
// Raises EFirebirdError for anything it cannot read, as parseServiceReply does.
ServerInfo parseServerInfo(const char* buffer, std::size_t size);

}  // namespace orma::fb

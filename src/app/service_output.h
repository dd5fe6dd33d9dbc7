// The verbose output of a backup or restore, kept only to explain a failure in the log.
#pragma once

#include <string>
#include <vector>

#include "fbclient/service_connection.h"

namespace orma {

// Reads the service's output into `output` until its end. On a failure while reading, writes
// one level 0 message to AppLogger, `heading` followed by every line read so far, each line
// ended by "\r\n", detaches, and lets the same failure go on.
//
//   heading "Лог резервирования (предоставлен в целях отладки ошибки):\r\n", lines a, b  ->
//   "Лог резервирования (предоставлен в целях отладки ошибки):\r\na\r\nb\r\n"
void ReadServiceOutput(fb::ServiceConnection& service, std::vector<std::string>& output,
                       const std::string& heading);

}  // namespace orma

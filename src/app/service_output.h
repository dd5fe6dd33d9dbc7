// The verbose output of a backup or restore, kept only to explain a failure in the log.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "fbclient/service_connection.h"

namespace orma {

// "Сервер закончил работу, не сообщив о её завершении: в его выводе нет строки ""%s""", the closing line.
extern const char* const kNoClosingLineMessage;

// One level 0 message to AppLogger: `heading`, then every line of `output`, each ended by "\r\n".
void LogServiceOutput(const std::string& heading, const std::vector<std::string>& output);

// Whether some line of `output` starts with `closingLine`.
bool HasClosingLine(const std::vector<std::string>& output, const std::string& closingLine);

// Reads the service's output into `output` until its end, and checks that some line starts
// with `closingLine`, the words with which the server's tool reports that it got to its end:
// Firebird 3 ends a restore from a cut-off backup file without any error, leaving a partial
// database, and only this line tells such a run from a good one. Its absence is a failure.
// An empty `closingLine` leaves that check to the caller (the restore's proof, which also
// reads what comes after it).
//
// On any failure while reading, logs the lines read so far (LogServiceOutput), detaches, and
// lets the failure go on:
//   heading "Лог резервирования (предоставлен в целях отладки ошибки):\r\n", lines a, b  ->
//   "Лог резервирования (предоставлен в целях отладки ошибки):\r\na\r\nb\r\n"
//
// An interruption (run_interruption.h) does not end the reading: the server goes on to the
// service's end whatever the client does. `onInterruption`, when given, runs once, as soon as
// the reading notices the request.
void ReadServiceOutput(fb::ServiceConnection& service, std::vector<std::string>& output,
                       const std::string& heading, const std::string& closingLine,
                       const std::function<void()>& onInterruption = {});

}  // namespace orma

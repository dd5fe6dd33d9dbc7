// Reads back the application log that a test made AppLogger write: one entry per logged
// message, continuation lines joined to it with "\r\n", the timestamp checked and dropped; an
// empty line (the one that sets a program's run apart) is an entry of level 0 with no text.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace orma::testing {

struct LogEntry {
  int level;             // 0, 2, 4 or 5: the levels the workflow writes
  std::string message;   // UTF-8
  bool operator==(const LogEntry& other) const { return level == other.level && message == other.message; }
};

inline std::ostream& operator<<(std::ostream& out, const LogEntry& entry) {
  return out << "{" << entry.level << ", \"" << entry.message << "\"}";
}

// Fails the current test (and returns what it could read) on a line with a malformed
// timestamp or an unknown tag.
std::vector<LogEntry> ReadLogEntries(const std::string& path);

}  // namespace orma::testing

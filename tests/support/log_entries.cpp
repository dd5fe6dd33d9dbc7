#include "support/log_entries.h"

#include <gtest/gtest.h>

#include <map>
#include <regex>

#include "common/text.h"
#include "support/test_files.h"

namespace orma::testing {

std::vector<LogEntry> ReadLogEntries(const std::string& path) {
  const std::string text = Cp1251ToUtf8(ReadBytes(path));
  static const std::regex head(R"(^\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d\.\d{3}( \[[^\]]+\])? (.*)$)");
  const std::map<std::string, int> levels = {{"", 0}, {" [ошиб]", 2}, {" [вним]", 4}, {" [событ]", 5}};
  std::vector<LogEntry> entries;
  for (std::size_t pos = 0, end; pos < text.size(); pos = end + 2) {
    if ((end = text.find("\r\n", pos)) == std::string::npos) {
      ADD_FAILURE() << "the log ends without \\r\\n: " << text.substr(pos);
      break;
    }
    const std::string line = text.substr(pos, end - pos);
    std::smatch match;
    if (line.empty()) {
      entries.push_back({0, ""});   // the empty line that sets a program's run apart
    } else if (std::regex_match(line, match, head)) {
      const auto level = levels.find(match[1].str());
      EXPECT_NE(level, levels.end()) << "unexpected level tag in: " << line;
      entries.push_back({level != levels.end() ? level->second : -1, match[2].str()});
    } else if (!entries.empty()) {
      entries.back().message += "\r\n" + line;
    } else {
      ADD_FAILURE() << "the log starts with a line without a timestamp: " << line;
    }
  }
  return entries;
}

}  // namespace orma::testing

#include "support/log_entries.h"

#include <fstream>
#include <regex>
#include <sstream>

#include <gtest/gtest.h>

#include "common/text.h"

namespace orma::testing {

std::vector<LogEntry> ReadLogEntries(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  const std::string text = Cp1251ToUtf8(content.str());

  static const std::regex head(R"(^\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d\.\d{3}( \[[^\]]+\])? (.*)$)");
  const std::pair<const char*, int> tags[] = {{"", 0}, {" [ошиб]", 2}, {" [вним]", 4}, {" [событ]", 5}};

  std::vector<LogEntry> entries;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find("\r\n", pos);
    if (end == std::string::npos) {
      ADD_FAILURE() << "the log ends without \\r\\n: " << text.substr(pos);
      break;
    }
    const std::string line = text.substr(pos, end - pos);
    pos = end + 2;
    std::smatch match;
    if (line.empty()) {
      // The program's start writes an empty line to set its run apart from the last one.
      entries.push_back({0, ""});
    } else if (std::regex_match(line, match, head)) {
      int level = -1;
      for (const auto& [tag, value] : tags) {
        if (match[1].str() == tag) level = value;
      }
      if (level < 0) ADD_FAILURE() << "unexpected level tag in: " << line;
      entries.push_back({level, match[2].str()});
    } else if (!entries.empty()) {
      entries.back().message += "\r\n" + line;
    } else {
      ADD_FAILURE() << "the log starts with a line without a timestamp: " << line;
    }
  }
  return entries;
}

}  // namespace orma::testing

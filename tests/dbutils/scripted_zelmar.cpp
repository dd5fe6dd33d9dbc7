// A variant of the utility library for tests: it writes each call into the journal
// "Zelmar.calls" beside it, one line "<entry> <caller name>", and answers from Zelmar.ini
// beside it, where a key may stand several times: the n-th call of an entry gets the n-th value
// of its key, the last value answering every later call.
//
//   Password=first        1st GetFBPassword -> "first"
//   Password=second       2nd and later      -> "second"
//
// Built without GetFBPassword when ZELMAR_WITHOUT_PASSWORD is defined.
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "dbutils/zelmar_entries.h"
#include "own_folder.h"

namespace {

std::vector<std::string> ValuesOf(const std::string& key) {
  std::ifstream in(orma::standin::OwnFolder() / "Zelmar.ini", std::ios::binary);
  std::vector<std::string> values;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.compare(0, key.size() + 1, key + "=") == 0) values.push_back(line.substr(key.size() + 1));
  }
  return values;
}

// Records the call and returns how many calls of this entry came before it.
std::size_t Journal(const std::string& entry, const char* callerName) {
  const std::filesystem::path journal = orma::standin::OwnFolder() / "Zelmar.calls";
  std::size_t earlier = 0;
  {
    std::ifstream in(journal, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
      if (line.compare(0, entry.size() + 1, entry + " ") == 0) ++earlier;
    }
  }
  std::ofstream out(journal, std::ios::binary | std::ios::app);
  out << entry << ' ' << (callerName != nullptr ? callerName : "(null)") << '\n';
  return earlier;
}

std::string Answer(const std::string& key, std::size_t call) {
  const std::vector<std::string> values = ValuesOf(key);
  if (values.empty()) return {};
  return values[call < values.size() ? call : values.size() - 1];
}

}  // namespace

extern "C" {

#ifndef ZELMAR_WITHOUT_PASSWORD
std::uint32_t ORMA_ZELMAR_API GetFBPassword(const char* callerName, char* buffer, std::uint32_t capacity) {
  const std::string password = Answer("Password", Journal("GetFBPassword", callerName));
  if (capacity > 0) {
    const std::size_t copied = password.size() < capacity ? password.size() : capacity - 1;
    std::memcpy(buffer, password.data(), copied);
    buffer[copied] = '\0';
  }
  return static_cast<std::uint32_t>(password.size());
}
#endif

std::int32_t ORMA_ZELMAR_API GetFBPort(const char* callerName) {
  return static_cast<std::int32_t>(std::stol("0" + Answer("Port", Journal("GetFBPort", callerName))));
}

}  // extern "C"

// Small helpers shared by the tests of the file steps: whole files as bytes, and what a
// failure left (its class and message, as the caller receives them).
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <cstdint>
#include <string>

#include "common/exceptions.h"

namespace orma::testing {

inline std::string Read(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

inline void Write(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

// The first bytes of a database file as the server writes them (page type 1, page size 8192,
// the next transaction at offset 36, no flags), then `rest`: enough for the checks of a
// replacement, which read no further.
inline std::string DatabaseFileBytes(std::uint32_t nextTransaction, const std::string& rest) {
  std::string bytes(44, '\0');
  bytes[0] = 1;
  bytes[17] = 0x20;
  for (int i = 0; i < 4; ++i) bytes[36 + i] = static_cast<char>((nextTransaction >> (8 * i)) & 0xFF);
  return bytes + rest;
}

struct Failure {
  std::string className;
  std::string message;
};

template <typename Call>
Failure Capture(Call call) {
  try {
    call();
  } catch (const Exception& e) {
    return {e.ClassName(), e.Message()};
  }
  ADD_FAILURE() << "no failure";
  return {};
}

}  // namespace orma::testing

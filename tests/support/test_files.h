// Small helpers shared by the tests of the file steps: whole files as bytes, and what a
// failure left (its class and message, as the caller receives them).
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
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

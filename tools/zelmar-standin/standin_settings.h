// The stand-in's answers, read from the text file Zelmar.ini beside the library:
//
//   Password=masterkey
//   Port=3050
//
// Keys in any letter case, the value being the rest of the line (a CR before the line end and
// a UTF-8 byte-order mark at the start are dropped); the first line of a key counts; other
// lines are ignored. A missing file or key gives an empty password or port 0, which the server
// then refuses with its own message.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace orma::standin {

struct Settings {
  std::string password;
  std::int32_t port = 0;
};

Settings ParseSettings(std::string_view text);
// Reads the file afresh on every call, so that a changed file is seen by the next lookup.
Settings ReadSettings(const std::filesystem::path& file);

}  // namespace orma::standin

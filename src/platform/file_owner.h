// The owner and access mode of a file, carried over to a file that replaces it.
#pragma once

#include <cstdint>
#include <string>

namespace orma::platform {

// POSIX: user, group and permission bits, so that a database copied into place by an operator
// (often root) stays readable by the server's own user. Windows: nothing is carried; a new
// file takes its folder's inherited permissions, as the old one did.
struct FileOwner {
  bool known = false;
  std::uint32_t user = 0;
  std::uint32_t group = 0;
  std::uint32_t mode = 0;
};

bool readFileOwner(const std::string& path, FileOwner& owner);
// Does nothing and succeeds for an owner that is not known.
bool applyFileOwner(const std::string& path, const FileOwner& owner);

}  // namespace orma::platform

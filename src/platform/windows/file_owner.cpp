#include "platform/file_owner.h"

namespace orma::platform {

bool readFileOwner(const std::string&, FileOwner& owner) {
  owner = FileOwner{};
  return true;
}

bool applyFileOwner(const std::string&, const FileOwner&) { return true; }

}  // namespace orma::platform

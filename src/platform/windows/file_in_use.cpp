#include "platform/file_in_use.h"

namespace orma::platform {

struct DatabaseFileHold::Impl {};

DatabaseFileHold::DatabaseFileHold() = default;
DatabaseFileHold::~DatabaseFileHold() = default;

bool DatabaseFileHold::acquire(const std::string&) { return true; }

}  // namespace orma::platform

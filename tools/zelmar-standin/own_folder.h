// The folder that holds the stand-in library itself, where its settings file lies.
#pragma once

#include <filesystem>

namespace orma::standin {

// Empty when the system cannot tell.
std::filesystem::path OwnFolder();

}  // namespace orma::standin

#include "platform/file_in_use.h"

#include "platform/files.h"

namespace orma::platform {

bool deleteFileNotInUse(const std::string& path) { return deleteFile(path); }

}  // namespace orma::platform

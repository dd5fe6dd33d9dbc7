#include "platform/file_in_use.h"

#include "platform/files.h"

namespace orma::platform {

bool deleteFileNotInUse(const std::string& path) { return deleteFile(path); }

bool isFileLockedByOther(const std::string&) { return false; }

}  // namespace orma::platform

#include <dlfcn.h>

#include "own_folder.h"

namespace orma::standin {

std::filesystem::path OwnFolder() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<const void*>(&OwnFolder), &info) == 0 || info.dli_fname == nullptr) return {};
  return std::filesystem::path(info.dli_fname).parent_path();
}

}  // namespace orma::standin

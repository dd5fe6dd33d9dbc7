#include "common/version.h"

namespace orma {

std::string ReleasePackageName(int bits) {
  return std::string("OrmaOptimizeDB-") + kProgramVersion + "-win" + std::to_string(bits) + ".zip";
}

}  // namespace orma

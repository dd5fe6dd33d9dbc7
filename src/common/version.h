// The program's version, from project(... VERSION ...) in CMakeLists.txt (the one place it is
// written), and its bitness.
#pragma once

#include <string>

namespace orma {

inline constexpr const char* kProgramVersion = ORMA_VERSION;   // "1.0.0"
inline constexpr int kProgramBits = int(sizeof(void*) * 8);    // 32 or 64

// The release package of the Windows programs of that bitness: "OrmaOptimizeDB-1.0.0-win32.zip".
std::string ReleasePackageName(int bits);

}  // namespace orma

#include "platform/fault_injection.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

namespace orma::platform {

const char* faultKindName(FaultKind kind) {
  static const char* const names[kFaultKinds] = {
      "open",           "read",           "write",         "flush",          "rename",
      "delete",         "folder",         "file info",     "link count",     "free space",
      "owner",          "lock",           "service attach", "service start", "service query",
      "service detach", "database attach", "database detach",
  };
  return names[static_cast<int>(kind)];
}

#if defined(ORMA_FAULT_INJECTION)

namespace {

struct Counter {
  std::mutex lock;
  int kind = -1;            // the kind to act at; -1: none
  unsigned long at = 0;     // the operation of that kind
  bool acted = false;
  bool kill = false;
  std::string tallyFile;
  unsigned long total = 0;
  std::array<unsigned long, kFaultKinds> byKind{};

  Counter() {
    const char* target = std::getenv("ORMA_FAULT_AT");
    const std::string text = target != nullptr ? target : "";
    const std::size_t colon = text.rfind(':');
    for (int k = 0; k < kFaultKinds && colon != std::string::npos; ++k) {
      if (text.compare(0, colon, faultKindName(static_cast<FaultKind>(k))) == 0) kind = k;
    }
    if (kind >= 0) at = std::strtoul(text.c_str() + colon + 1, nullptr, 10);
    if (const char* action = std::getenv("ORMA_FAULT_ACTION")) kill = std::string(action) == "kill";
    if (const char* file = std::getenv("ORMA_FAULT_TALLY")) tallyFile = file;
  }

  // Rewritten after every operation, with the C library rather than through the counted calls,
  // so that it is whole whichever way the process ends.
  void writeTally() const {
    if (tallyFile.empty()) return;
    std::FILE* file = std::fopen(tallyFile.c_str(), "w");
    if (file == nullptr) return;
    std::fprintf(file, "total\t%lu\n", total);
    if (acted) std::fprintf(file, "acted\t%s\t%lu\n", faultKindName(static_cast<FaultKind>(kind)), at);
    for (int k = 0; k < kFaultKinds; ++k) {
      std::fprintf(file, "%s\t%lu\n", faultKindName(static_cast<FaultKind>(k)), byKind[k]);
    }
    std::fclose(file);
  }
};

Counter& counter() {
  static Counter instance;
  return instance;
}

}  // namespace

bool injectFault(FaultKind kind) {
  Counter& c = counter();
  std::lock_guard<std::mutex> guard(c.lock);
  const int k = static_cast<int>(kind);
  ++c.total;
  const bool act = ++c.byKind[k] == c.at && k == c.kind;
  c.acted = c.acted || act;
  c.writeTally();
  if (!act) return false;
  // As a kill ends a process: no handler, no destructor, no buffer written out.
  if (c.kill) std::_Exit(137);
  return true;
}

#endif

}  // namespace orma::platform

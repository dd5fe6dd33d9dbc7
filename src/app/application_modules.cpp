#include "app/application_modules.h"

#include <cstddef>

#include "dbutils/zelmar_bridge.h"
#include "logger/logging_module.h"
#include "progress/progress_module.h"

namespace orma {

namespace {

struct Module {
  void (*start)();
  void (*end)();
};

void StartBridge() { ZelmarModuleStart(); }

constexpr Module kModules[] = {
    {StartBridge, ZelmarModuleEnd},
    {progress::StartModule, progress::EndModule},
    {logging::StartModule, logging::EndModule},
};

// Counted before each start is called, so that the end also reaches a start that failed
// part way (the bridge's mutex, for one).
std::size_t begun = 0;

}  // namespace

void StartApplicationModules() {
  for (const Module& module : kModules) {
    ++begun;
    module.start();
  }
}

void EndApplicationModules() {
  while (begun > 0) kModules[--begun].end();
}

ApplicationModules::ApplicationModules() { StartApplicationModules(); }

ApplicationModules::~ApplicationModules() { EndApplicationModules(); }

}  // namespace orma

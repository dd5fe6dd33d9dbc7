// One Optimize command of the main form as the operator sees it, from the click on the button
// to the box that ends it: the phases the progress window shows (read from the screen), and
// the box with the state of things when it came.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app_driver.h"

namespace orma::test {

extern const char* const kBackupPhase;    // "СОЗДАНИЕ РЕЗЕРВНОЙ КОПИИ"
extern const char* const kRestorePhase;   // "ВОССТАНОВЛЕНИЕ ИЗ РЕЗЕРВНОЙ КОПИИ"

struct WatchedRun {
  std::vector<std::string> phases;   // as the progress window showed them, in order
  std::optional<MessageBoxInfo> box;
  bool progressGone = false;         // when the box came
  bool backupGone = false;           // when the box came
  bool boxActive = false;            // the box became the active window
  bool enterClosedBox = false;       // Enter closed it (else the test closed it)
};

// Puts the database path (a Linux path, see server_station.h) into the field, clicks the
// button, watches until a box comes, then presses Enter on it.
WatchedRun ClickAndWatch(RunningApp& app, const std::string& database);

}  // namespace orma::test

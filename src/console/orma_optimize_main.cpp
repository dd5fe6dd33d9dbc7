// orma-optimize: the Optimize command from a console, for scripts and for stations reached
// over a remote shell. The same modules, log lines and messages as the main form; see
// console_options.h for the command line and the exit codes.
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "app/app_log_session.h"
#include "app/application_modules.h"
#include "app/database_shortcuts.h"
#include "app/optimize_command.h"
#include "app/program_optimize_steps.h"
#include "app/run_interruption.h"
#include "common/exceptions.h"
#include "console/console_options.h"
#include "console/plain_progress_lines.h"
#include "dbutils/zelmar_bridge.h"
#include "platform/command_line.h"
#include "platform/paths.h"
#include "platform/terminal.h"
#include "progress/frame_observer.h"
#include "progress/progress_settings.h"
#include "progress/progress_viewer.h"
#include "progress/terminal_renderer.h"

namespace orma {
namespace {

constexpr unsigned kViewerCloseWaitMs = 2000;

void PrintError(const std::string& text) { platform::writeStderr(text + "\n"); }

// A terminal gets the live line; a file or a pipe gets plain lines. No window: a scheduled
// run would put it over the station's screen, and closing it would interrupt the run.
void ShowProgressOnConsole() {
  ShowProgressWindow.store(false);
  if (!InstallTerminalRenderer()) {
    SetFrameObserver(std::make_shared<TPlainProgressLines>([](const std::string& line) { platform::writeStderr(line); }));
  }
}

int Optimize(const std::string& databasePath, bool skipGarbageCollection) {
  ProgressAppCaption = "Tervik - Orma";
  OpenAppLog();
  RunReport report;
  std::string failure;
  try {
    ProgramOptimizeSteps steps(skipGarbageCollection);
    OptimizeDatabase(databasePath, steps, report);
  } catch (const std::exception& e) {
    failure = e.what();
  }
  const int exitCode = ExitCodeFor(report.outcome);
  // The window was asked to close; let its last frame reach the terminal before the message.
  TProgressViewer::WaitForNoViewers(kViewerCloseWaitMs);
  if (exitCode == kExitSuccess) {
    platform::writeStdout(std::string(kOptimizeSuccessMessage) + "\n");
  } else {
    PrintError(failure);
  }
  CloseAppLog();
  return exitCode;
}

int Run(const std::vector<std::string>& arguments) {
  ConsoleOptions options;
  std::string usageError;
  if (!ParseConsoleOptions(arguments, options, usageError)) {
    PrintError("orma-optimize: " + usageError + "\nСправка: orma-optimize --help");
    return kExitBadUsage;
  }
  if (options.help) {
    platform::writeStdout(ConsoleHelpText(ShortcutPath(0), AppLogFileName()));
    return kExitSuccess;
  }
  if (options.version) {
    platform::writeStdout(ConsoleVersionText());
    return kExitSuccess;
  }

  // First, so that every thread of the program inherits how signals are taken; last to go, so
  // that an interruption waits until the message is out and the log closed.
  InterruptibleRun interruptible;
  try {
    ApplicationModules modules;
    ShowProgressOnConsole();
    // The server would resolve a relative path from its own folder, not the operator's.
    std::string database = options.databasePath.value_or(ShortcutPath(0));
    if (IsPlainRelativePath(database)) database = platform::absolutePath(database);
    const int exitCode = Optimize(database, options.skipGarbageCollection);
    SetFrameObserver(nullptr);
    return exitCode;
  } catch (const EZelmarNotLoaded& e) {
    PrintError(e.Message());
    PrintError(e.Detail());
    return kExitLibraryNotLoaded;
  } catch (const Exception& e) {
    // A module that could not start (the bridge's mutex, for one).
    PrintError(e.Message());
    return kExitFailed;
  }
}

}  // namespace
}  // namespace orma

int main(int argc, char** argv) {
  std::vector<std::string> arguments = orma::platform::commandLineArguments(argc, argv);
  if (!arguments.empty()) arguments.erase(arguments.begin());
  return orma::Run(arguments);
}

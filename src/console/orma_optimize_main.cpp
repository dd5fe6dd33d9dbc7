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
#include "app/run_check.h"
#include "app/run_interruption.h"
#include "app/run_status.h"
#include "common/exceptions.h"
#include "console/console_options.h"
#include "console/plain_progress_lines.h"
#include "dbutils/zelmar_bridge.h"
#include "platform/command_line.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/terminal.h"
#include "progress/frame_observer.h"
#include "progress/progress_settings.h"
#include "progress/progress_viewer.h"
#include "progress/terminal_renderer.h"

namespace orma {
namespace {

constexpr unsigned kViewerCloseWaitMs = 2000;
constexpr const char* kReadyMessage = "Проверка пройдена: оптимизацию можно запускать.";

void PrintError(const std::string& text) { platform::writeStderr(text + "\n"); }

// A terminal gets the live line; a file or a pipe gets plain lines. No window: a scheduled
// run would put it over the station's screen, and closing it would interrupt the run.
void ShowProgressOnConsole() {
  ShowProgressWindow.store(false);
  if (!InstallTerminalRenderer()) {
    SetFrameObserver(std::make_shared<TPlainProgressLines>([](const std::string& line) { platform::writeStderr(line); }));
  }
}

// The end of every run: the status file, then the exit code.
int Finish(RunStatus& status) {
  status.exitMeaning = ExitCodeMeaning(status.exitCode);
  if (!WriteRunStatus(status)) PrintError("Не удалось записать файл состояния " + RunStatusFileName());
  return status.exitCode;
}

// A run that ends before its modules are up: its message on standard error (the detail on a
// line of its own), in the log and in the status file.
int FailBeforeStart(RunStatus& status, int exitCode, const std::string& message, const std::string& detail = {}) {
  PrintError(detail.empty() ? message : message + "\n" + detail);
  status.exitCode = exitCode;
  status.message = detail.empty() ? message : message + "\r\n" + detail;
  LogFailureBeforeStart(status.message);
  return Finish(status);
}

void Optimize(RunStatus& status, bool skipGarbageCollection) {
  ProgressAppCaption = "Tervik - Orma";
  OpenAppLog();
  try {
    ProgramOptimizeSteps steps(skipGarbageCollection);
    OptimizeDatabase(status.database, steps, status.report);
    status.message = kOptimizeSuccessMessage;
  } catch (const std::exception& e) {
    status.message = e.what();
  }
  status.exitCode = ExitCodeFor(status.report.outcome);
  // The window was asked to close; let its last frame reach the terminal before the message.
  TProgressViewer::WaitForNoViewers(kViewerCloseWaitMs);
  if (status.exitCode == kExitSuccess) {
    // The message line first, as a script that matches it expects; the figures after it.
    platform::writeStdout(status.message + "\n" + ConsoleResultText(status.report) + FilesLeftText(status.report));
  } else {
    platform::writeStderr(status.message + "\n" + FilesLeftText(status.report));
  }
  CloseAppLog();
}

// What a run would find, printed "what: found" a line; the refusal or failure on standard
// error. Nothing goes to the log: nothing was done.
void Check(RunStatus& status) {
  std::vector<CheckFinding> found;
  try {
    ProgramOptimizeSteps steps;
    CheckBeforeRun(status.database, steps, status.report, found);
    status.message = kReadyMessage;
  } catch (const std::exception& e) {
    status.message = e.what();
  }
  status.exitCode = ExitCodeFor(status.report.outcome);
  std::string text;
  for (const CheckFinding& finding : found) text += finding.what + ": " + finding.found + "\n";
  if (status.exitCode == kExitSuccess) text += status.message + "\n";
  platform::writeStdout(text);
  if (status.exitCode != kExitSuccess) PrintError(status.message);
}

int Run(const std::vector<std::string>& arguments) {
  RunStatus status;
  status.program = "orma-optimize";
  status.started = platform::localTime();
  ConsoleOptions options;
  std::string usageError;
  if (!ParseConsoleOptions(arguments, options, usageError)) {
    status.command = "optimize";
    return FailBeforeStart(status, kExitBadUsage, "orma-optimize: " + usageError, "Справка: orma-optimize --help");
  }
  if (options.help) {
    platform::writeStdout(ConsoleHelpText(ShortcutPath(0), AppLogFileName(), RunStatusFileName()));
    return kExitSuccess;
  }
  if (options.version) {
    platform::writeStdout(ConsoleVersionText());
    return kExitSuccess;
  }
  status.command = options.check ? "check" : "optimize";
  // The server would resolve a relative path from its own folder, not the operator's.
  status.database = options.databasePath.value_or(ShortcutPath(0));
  if (IsPlainRelativePath(status.database)) status.database = platform::absolutePath(status.database);

  // First, so that every thread of the program inherits how signals are taken; last to go, so
  // that an interruption waits until the message is out and the log closed.
  InterruptibleRun interruptible;
  try {
    ApplicationModules modules;
    if (options.check) {
      Check(status);
    } else {
      ShowProgressOnConsole();
      Optimize(status, options.skipGarbageCollection);
      SetFrameObserver(nullptr);
    }
  } catch (const EZelmarNotLoaded& e) {
    return FailBeforeStart(status, kExitLibraryNotLoaded, e.Message(), e.Detail());
  } catch (const Exception& e) {
    // A module that could not start (the bridge's mutex, for one).
    return FailBeforeStart(status, kExitFailed, e.Message());
  }
  return Finish(status);
}

}  // namespace
}  // namespace orma

int main(int argc, char** argv) {
  std::vector<std::string> arguments = orma::platform::commandLineArguments(argc, argv);
  if (!arguments.empty()) arguments.erase(arguments.begin());
  return orma::Run(arguments);
}

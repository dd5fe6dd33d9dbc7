#include "app/run_status.h"

#include <cstdio>
#include <optional>

#include "app/app_log_session.h"
#include "common/filenames.h"
#include "common/version.h"
#include "platform/files.h"

namespace orma {
namespace {

std::string Escaped(const std::string& value) {
  std::string text;
  for (char c : value) {
    if (c == '\\') text += "\\\\";
    else if (c == '\r') text += "\\r";
    else if (c == '\n') text += "\\n";
    else text += c;
  }
  return text;
}

std::string TimeText(const platform::LocalTime& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
  return text;
}

std::string Bytes(const std::optional<std::uint64_t>& bytes) { return bytes ? std::to_string(*bytes) : ""; }

std::string Seconds(const std::optional<std::uint64_t>& ms) {
  if (!ms) return "";
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", static_cast<double>(*ms) / 1000.0);
  return text;
}

// "|" can be in no file name on Windows.
std::string FilesLeft(const std::vector<std::string>& paths) {
  std::string text;
  for (const std::string& path : paths) text += (text.empty() ? "" : "|") + path;
  return text;
}

}  // namespace

std::string RunStatusFileName() { return ChangeFileExt(AppLogFileName(), ".status"); }

std::string FormatRunStatus(const RunStatus& status, const platform::LocalTime& ended, const std::string& account) {
  const RunReport& report = status.report;
  const std::pair<const char*, std::string> fields[] = {
      {"program", status.program},
      {"version", kProgramVersion},
      {"bits", std::to_string(kProgramBits)},
      {"command", status.command},
      {"account", account},
      {"started", TimeText(status.started)},
      {"ended", TimeText(ended)},
      {"database", report.databasePath.empty() ? status.database : report.databasePath},
      {"exit_code", std::to_string(status.exitCode)},
      {"exit_meaning", status.exitMeaning},
      {"message", status.message},
      {"size_before", Bytes(report.sizeBefore)},
      {"size_after", Bytes(report.sizeAfter)},
      {"backup_seconds", Seconds(report.backupMs)},
      {"restore_seconds", Seconds(report.restoreMs)},
      {"files_left", FilesLeft(report.filesLeft)},
  };
  std::string text;
  for (const auto& [key, value] : fields) text += std::string(key) + "=" + Escaped(value) + "\r\n";
  return text;
}

bool WriteRunStatus(const RunStatus& status) {
  CreateLogFolder();
  const std::string fileName = RunStatusFileName();
  const std::string temporary = fileName + ".new";
  const std::string text = FormatRunStatus(status, platform::localTime(), platform::userName());
  bool written = false;
  {
    platform::File file;
    written = file.open(temporary, platform::OpenMode::CreateExclusive) && file.setSize(0) &&
              file.write(text.data(), text.size()) && file.flush();
  }
  if (written && platform::replaceFile(temporary, fileName)) return true;
  platform::deleteFile(temporary);
  return false;
}

}  // namespace orma

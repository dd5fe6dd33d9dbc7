#include "app/run_check.h"

#include "app/exclusive_use.h"
#include "app/run_guard.h"
#include "common/format.h"
#include "fbclient/client_library.h"
#include "fbclient/database_header.h"
#include "fbclient/service_connection.h"

namespace orma {
namespace {

std::string Megabytes(std::uint64_t bytes) { return std::to_string((bytes + (1 << 20) - 1) >> 20) + " МБ"; }

// Whether the server has the database open: a run's shutdown would then be refused.
bool OpenOnServer(const fb::ServerInfo& server, const std::string& databasePath) {
  const std::string identity = FileIdentityOf(databasePath);
  for (const std::string& name : server.databases) {
    try {
      if (FileIdentityOf(name) == identity) return true;
    } catch (const Exception&) {
      // A database of the server's that this process cannot see is not ours.
    }
  }
  return false;
}

void Check(const std::string& givenPath, OptimizeSteps& steps, RunReport& report, std::vector<CheckFinding>& found) {
  const RunChecks checks(givenPath, report);
  const SpaceFigures space = checks.CheckFileAndRoom();
  const std::string& databasePath = checks.databasePath;
  found.push_back({"Файл базы данных", databasePath + ", " + Megabytes(report.sizeBefore.value_or(0))});
  fb::DatabaseHeader header;
  std::string unread;
  const bool readable = fb::ReadDatabaseHeader(databasePath, header, unread);
  if (readable) found.push_back({"Структура файла", "ODS " + std::to_string(header.odsMajor)});
  found.push_back({"Место на диске", "нужно " + Megabytes(space.needed) + ", свободно " +
                                         (space.free ? Megabytes(*space.free) : "неизвестно")});

  const std::string password = steps.GetPassword();
  const std::int32_t port = steps.GetPort();
  fb::ServiceConnection service;
  service.attach(kServerHost, port, kUserName, password);
  found.push_back({"Клиентская библиотека Firebird", fb::loadedClientLibrary()});
  const fb::ServerInfo server = service.serverInfo();
  service.detach();
  found.push_back({"Сервер Firebird", server.version + " на " + kServerHost + ":" + std::to_string(port)});

  std::string mode = readable ? ShutdownStateText(header.shutdown) : "заголовок не прочитан (" + unread + ")";
  if (KilledRunLeftShutDown(databasePath, report, true)) {
    mode += ", оставлен прерванной оптимизацией: оптимизация сначала вернет базу данных в рабочий режим";
  } else {
    RefuseAnAdministratorsShutdown(databasePath);
  }
  found.push_back({"Режим базы данных", mode});
  if (OpenOnServer(server, databasePath)) throw ERunRefused(Format(kDatabaseInUseMessage, {databasePath}));
  found.push_back({"Подключения к базе данных", "нет"});
}

}  // namespace

void CheckBeforeRun(const std::string& givenPath, OptimizeSteps& steps, RunReport& report,
                    std::vector<CheckFinding>& found) {
  ReportRun(report, [&] { Check(givenPath, steps, report, found); });
}

}  // namespace orma

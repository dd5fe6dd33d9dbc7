// orma-optimize.exe end to end under Wine: the Windows client library against the private
// Linux server, on bloated samples. The program finds the client the way a station has it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "app/log_entries.h"
#include "firebird_client.h"
#include "integration/server_support.h"
#include "server_station.h"

namespace orma::test {
namespace {

constexpr int kSampleMb = 2;

// The lines of standard error from the last that begins with `start`.
std::string TailFrom(const std::string& err, const std::string& start) {
  const std::size_t at = err.rfind("\n" + start);
  return at == std::string::npos ? std::string() : err.substr(at + 1);
}

TEST(ConsoleAgainstServer, OptimizesAndKeepsTheContentWhereverTheClientIsFound) {
  const struct {
    const char* what;
    bool registered;        // else the client lies beside a copy of the program
    const char* database;   // under the case folder
  } cases[] = {
      {"client registered as the default instance", true, "DB/ORMA.FDB"},
      {"client beside the program, Cyrillic folder with a blank", false, "Магазин 2/Мирса.FDB"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_NO_FATAL_FAILURE(PrepareStation(true, ServerZelmarIni()));
    std::wstring program = ConsoleProgram();
    if (c.registered) {
      ASSERT_NO_FATAL_FAILURE(InstallRegisteredClient());
    } else {
      const std::wstring folder = L"C:\\RUDE\\Программа\\";
      ASSERT_NO_FATAL_FAILURE(InstallClientBeside(folder));
      ASSERT_TRUE(CopyFileW(program.c_str(), (folder + L"orma-optimize.exe").c_str(), FALSE));
      program = folder + L"orma-optimize.exe";
    }
    const std::string database = CaseFolder(c.registered ? "registered" : "beside") + "/" + c.database;
    ASSERT_NO_FATAL_FAILURE(PlaceSample(kSampleMb, database));
    const std::int64_t sizeBefore = testing::FileSize(database);

    const ProgramRun run = OptimizeWithConsole(database, program);
    ASSERT_EQ(run.exitCode, std::optional<DWORD>(0)) << run.err;
    EXPECT_EQ(run.out, "ОПТИМИЗАЦИЯ БАЗЫ ДАННЫХ УСПЕШНО ЗАВЕРШЕНА!\n");
    EXPECT_EQ(testing::DatabaseDigest(database), SampleDigest(kSampleMb));
    EXPECT_LT(testing::FileSize(database), sizeBefore);
    const std::size_t slash = database.rfind('/');
    EXPECT_EQ(FolderNames(database.substr(0, slash)), std::vector<std::string>{database.substr(slash + 1)});
    EXPECT_EQ(testing::ReadLogEntries(Narrow(kLogFile)), SuccessfulRunLog(database));
  }
}

// Failures the server reports: the message, wrapped with the step, is what standard error
// ends with, in the server's own words; the database stays as it was, byte for byte.
TEST(ConsoleAgainstServer, ServerRefusalsEndTheRunWithTheServersWordsAndTouchNothing) {
  const struct {
    const char* what;
    bool wrongPassword;
    bool database;             // else a file that is not a database
    const char* serverWords;
  } cases[] = {
      {"wrong password", true, true, "Your user name and password are not defined"},
      {"not a database", false, false, "is not a valid database"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_NO_FATAL_FAILURE(PrepareServerStation(ServerZelmarIni(c.wrongPassword ? "wrong-password" : "")));
    const std::string folder = CaseFolder(c.wrongPassword ? "wrong-password" : "not-a-database");
    const std::string database = folder + "/ORMA.FDB";
    if (c.database) {
      ASSERT_NO_FATAL_FAILURE(PlaceSample(kSampleMb, database));
    } else {
      testing::WriteFileBytes(database, std::string(64 * 1024, 'x'));
    }
    const std::string before = testing::ReadFileBytes(database);

    const ProgramRun run = OptimizeWithConsole(database);
    EXPECT_EQ(run.exitCode, std::optional<DWORD>(1));
    EXPECT_EQ(run.out, "");
    const std::string message = TailFrom(run.err, "Создание резервной копии -> ");
    EXPECT_NE(message.find(c.serverWords), std::string::npos) << run.err;
    EXPECT_EQ(message.find("unknown ISC error"), std::string::npos) << message;
    EXPECT_EQ(message.find("ВОССТАНОВЛЕНИЕ"), std::string::npos) << "the message is not the last: " << message;
    EXPECT_TRUE(testing::ReadFileBytes(database) == before) << "the database changed";
    EXPECT_EQ(FolderNames(folder), std::vector<std::string>{"ORMA.FDB"});
    // The failure is logged with the server's words too (after whatever output the server
    // gave before it), and the run ends normally.
    const std::vector<testing::LogEntry> log = testing::ReadLogEntries(Narrow(kLogFile));
    const auto failure = std::find_if(log.begin(), log.end(), [](const auto& entry) { return entry.level == 2; });
    ASSERT_NE(failure, log.end());
    EXPECT_EQ(failure->message.rfind("Ошибка создания резервной копии: ", 0), 0u) << failure->message;
    EXPECT_NE(failure->message.find(c.serverWords), std::string::npos) << failure->message;
    EXPECT_EQ(log.back(), (testing::LogEntry{0, "Выход из программы"}));
  }
}

// What another run or another program does to the working file is the refusal's business: the
// database stays as it was, and the message says which file holds what.
TEST(ConsoleAgainstServer, SecondRunOrAHeldWorkingFileLeavesTheDatabaseWhole) {
  const struct {
    const char* what;
    const wchar_t* hold;          // what the second process holds (hold_file.exe)
    const char* message;          // standard error ends with it, wrapped or not
    std::vector<std::string> left;  // the case folder afterwards
  } cases[] = {
      {"a second run holds the guard", L"guard", "Дождитесь ее завершения: две оптимизации одной базы данных одновременно "
                                                 "НЕ ДОПУСКАЮТСЯ.", {"ORMA.FDB"}},
      {"the working file held without sharing", L"read", "Либо вы можете попытаться переименовать файлы вручную! "
                                                         "<# Exception #>", {"ORMA.FDB", "ORMA.ormatempbase"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_NO_FATAL_FAILURE(PrepareServerStation());
    const std::string folder = CaseFolder(std::wstring(c.hold) == L"guard" ? "guarded" : "held");
    const std::string database = folder + "/ORMA.FDB";
    ASSERT_NO_FATAL_FAILURE(PlaceSample(kSampleMb, database));
    ProgramRun run;
    {
      HeldFile holder(testing::LocalPath(database), c.hold);
      run = OptimizeWithConsole(database);
    }
    EXPECT_EQ(run.exitCode, std::optional<DWORD>(1));
    const std::string lastLine = std::string(c.message) + "\n";
    EXPECT_TRUE(run.err.size() >= lastLine.size() && run.err.compare(run.err.size() - lastLine.size(), std::string::npos,
                                                                     lastLine) == 0)
        << run.err;
    EXPECT_EQ(testing::DatabaseDigest(database), SampleDigest(kSampleMb));
    EXPECT_EQ(FolderNames(folder), c.left);
    if (c.left.size() > 1) {
      EXPECT_EQ(testing::DatabaseDigest(folder + "/ORMA.ormatempbase"), SampleDigest(kSampleMb));
    }
  }
}

}  // namespace
}  // namespace orma::test

int main(int argc, char** argv) { return orma::test::RunTestsNeedingClient(argc, argv); }

// The replacement after a restore, on either system's file semantics: what is on disk after
// each way it can end, and the exact message the operator reads.
#include "app/replace_working_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/app_logger.h"
#include "support/test_files.h"
#include "logger/kest_logger.h"

namespace orma::testing {
namespace {

TEST(ReplaceWorkingFile, ReplacesOnlyADatabaseNobodyUsedSinceTheBackup) {
  ScratchFolder folder;
  const std::string db = folder.file("ORMA.FDB"), temp = folder.file("ORMA.ormatempbase");
  AppLogger = new TKestLogger(folder.file("OrmaOptimizeDB.log"));
  const struct {
    std::string working;   // the working file's bytes
    std::string message;   // "" for success
  } cases[] = {
      {DatabaseFileBytes(40, "old"), ""},
      {DatabaseFileBytes(41, "old"),
       "Во время оптимизации с базой данных \"" + db + "\" работала другая программа!\r\n"
       "Оптимизированная копия могла не содержать ее изменений и не будет использована.\r\n"
       "Файл рабочей базы данных не изменен, все данные находятся в нем.\r\n"
       "Закройте систему Orma (и все программы, работающие с этой базой данных) и повторите попытку."},
      {"garbage",
       "Не удалось полность завершить действия по оптимизации БД!\r\nОптимизированная копия \"" + temp +
       "\" не может заменить файл \"" + db + "\": Не удалось прочитать заголовок базы данных \"" + db +
       "\": файл не является базой данных Firebird\r\nФайл рабочей базы данных \"" + db +
       "\" не изменен, все данные находятся в нем.\r\nУбедитесь, что система Orma выгружена и повторите попытку!"},
  };
  for (const auto& c : cases) {
    WriteBytes(PathOf(db), c.working);
    WriteBytes(PathOf(temp), "restored");
    const Failure failure = c.message.empty() ? (ReplaceWorkingFile(temp, db, 40), Failure{"", ""})
                                              : Capture([&] { ReplaceWorkingFile(temp, db, 40); });
    EXPECT_EQ(failure.message, c.message);
    EXPECT_EQ(ReadBytes(PathOf(db)), c.message.empty() ? "restored" : c.working);
    // A restored file made stale by a write goes; one that could not be moved stays for the operator.
    EXPECT_EQ(std::filesystem::exists(PathOf(temp)), c.working == "garbage");
    EXPECT_FALSE(std::filesystem::exists(PathOf(folder.file("OrmaOptimizeDB.log")))) << "the outcome is the caller's to log";
  }
  delete AppLogger;
  AppLogger = nullptr;
}

}  // namespace
}  // namespace orma::testing

// The replacement after a restore, on either system's file semantics: what is on disk after
// each way it can end, and the exact message the operator reads.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/app_logger.h"
#include "app/log_entries.h"
#include "app/replace_working_file.h"
#include "common/exceptions.h"
#include "logger/kest_logger.h"
#include "platform/errors.h"
#include "support/test_files.h"

namespace orma::testing {
namespace {

namespace fs = std::filesystem;

std::string MessageOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const Exception& e) {
    EXPECT_EQ(e.ClassName(), "Exception");
    return e.Message();
  }
  ADD_FAILURE() << "no failure";
  return {};
}

class ReplaceWorkingFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() /
              (std::string("orma-replace-") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    db_ = (folder_ / "ORMA.FDB").string();
    temp_ = (folder_ / "ORMA.ormatempbase").string();
    log_ = (folder_ / "OrmaOptimizeDB.log").string();
    AppLogger = new TKestLogger(log_);
    // Larger than any copy buffer, so that a copy in several pieces is checked too.
    restored_.reserve(3 << 20);
    for (int i = 0; restored_.size() < (3u << 20); ++i) restored_ += std::to_string(i) + ";";
  }
  void TearDown() override {
    delete AppLogger;
    AppLogger = nullptr;
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }

  fs::path folder_;
  std::string db_, temp_, log_, restored_;
};

TEST_F(ReplaceWorkingFileTest, ReplacesOnlyADatabaseNobodyUsedSinceTheBackup) {
  const std::string notReplaced =
      "Не удалось полность завершить действия по оптимизации БД!\r\n"
      "БД была оптимизирована. Создан файл \"" + temp_ + "\".\r\n"
      "Программе не удалось переименовать его в \"" + db_ + "\",\r\n"
      "т.к. при попытке удаления старого файла \"" + db_ + "\"\r\n"
      "возникла ошибка: Не удалось прочитать заголовок базы данных \"" + db_ +
      "\": файл не является базой данных Firebird\r\n"
      "Убедитесь, что система Orma выгружена и повторите попытку!\r\n"
      "Либо вы можете попытаться переименовать файлы вручную!";
  const std::string changed =
      "Во время оптимизации с базой данных \"" + db_ + "\" работала другая программа!\r\n"
      "Оптимизированная копия могла не содержать ее изменений и не будет использована.\r\n"
      "Файл рабочей базы данных не изменен, все данные находятся в нем.\r\n"
      "Закройте систему Orma (и все программы, работающие с этой базой данных) и повторите попытку.";
  struct Case {
    const char* name;
    std::string working;       // the working file's bytes
    std::string message;       // "" for success
    bool restoredKept;         // the temporary file is still there afterwards
  };
  const Case cases[] = {
      {"unchanged", DatabaseFileBytes(40, "old"), "", false},
      {"a transaction since", DatabaseFileBytes(41, "old"), changed, false},
      {"not a database", "garbage", notReplaced, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Write(db_, c.working);
    Write(temp_, restored_);

    const std::string message = c.message.empty() ? (ReplaceWorkingFile(temp_, db_, 40), "")
                                                  : MessageOf([&] { ReplaceWorkingFile(temp_, db_, 40); });

    EXPECT_EQ(message, c.message);
    EXPECT_EQ(Read(db_), c.message.empty() ? restored_ : c.working);
    EXPECT_EQ(fs::exists(temp_), c.restoredKept);
    EXPECT_FALSE(fs::exists(log_)) << "the outcome is the caller's to log";
  }
}

}  // namespace
}  // namespace orma::testing

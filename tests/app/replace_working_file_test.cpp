// The file steps after a restore, on either system's file semantics: what is on disk after each
// way they can end, and the exact message the operator reads.
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

TEST_F(ReplaceWorkingFileTest, RestoredFileTakesThePlaceOfTheWorkingFile) {
  Write(db_, "old working database");
  Write(temp_, restored_);

  ReplaceWorkingFile(temp_, db_);

  EXPECT_EQ(Read(db_), restored_);
  EXPECT_FALSE(fs::exists(temp_));
  EXPECT_FALSE(fs::exists(log_)) << "a good replacement logs nothing of its own";
}

TEST_F(ReplaceWorkingFileTest, FileAppearingAtTheWorkingPathIsNeitherOverwrittenNorRemoved) {
  Write(db_, "old working database");
  Write(temp_, restored_);
  ReplaceHooks hooks;
  hooks.afterWorkingFileDeleted = [&] { Write(db_, "another program's file"); };

  const std::string message = MessageOf([&] { ReplaceWorkingFile(temp_, db_, hooks); });

  EXPECT_EQ(message,
            "ОШИБКА!!! Файл рабочей базы данных был УДАЛЕН!!!\r\n"
            "Срочно найдите файл \"" + temp_ + "\"\r\n"
            "и переименуйте его в \"" + db_ + "\"\r\n"
            "Если вы этого не сделаете, то работа АЗС будет НЕВОЗМОЖНА!!!");
  EXPECT_EQ(Read(db_), "another program's file");
  EXPECT_EQ(Read(temp_), restored_);
}

TEST_F(ReplaceWorkingFileTest, MissingWorkingFileStopsBeforeTheCopy) {
  Write(temp_, restored_);

  const std::string message = MessageOf([&] { ReplaceWorkingFile(temp_, db_); });

  EXPECT_EQ(message,
            "Не удалось полность завершить действия по оптимизации БД!\r\n"
            "БД была оптимизирована. Создан файл \"" + temp_ + "\".\r\n"
            "Программе не удалось переименовать его в \"" + db_ + "\",\r\n"
            "т.к. при попытке удаления старого файла \"" + db_ + "\"\r\n"
            "возникла ошибка: " + platform::systemMessage(platform::kErrorFileNotFound) + "\r\n"
            "Убедитесь, что система Orma выгружена и повторите попытку!\r\n"
            "Либо вы можете попытаться переименовать файлы вручную!");
  EXPECT_FALSE(fs::exists(db_));
  EXPECT_EQ(Read(temp_), restored_);
}

}  // namespace
}  // namespace orma::testing

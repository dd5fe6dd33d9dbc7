// OrmaOptimizeDB.exe end to end under Wine, driven from this second process as an operator
// drives it: the path in the field, a mouse click on the button, Enter on the box that ends
// the run. The Windows client library works against the private Linux server.
#include <gtest/gtest.h>

#include "firebird_client.h"
#include "integration/server_support.h"
#include "server_station.h"
#include "watched_run.h"

namespace orma::test {
namespace {

// Big enough that each phase keeps the progress window up for several of our looks.
constexpr int kLongSampleMb = 16;
constexpr int kSmallSampleMb = 2;

TEST(FormAgainstServer, ButtonOptimizesShowingBothPhasesAndEnterClosesTheSuccessBox) {
  ASSERT_NO_FATAL_FAILURE(PrepareServerStation());
  const std::string folder = CaseFolder("success");
  const std::string database = folder + "/ORMA.FDB";
  ASSERT_NO_FATAL_FAILURE(PlaceSample(kLongSampleMb, database));
  const std::int64_t sizeBefore = testing::FileSize(database);
  RunningApp app;
  ASSERT_NE(app.WaitForForm(), nullptr);

  const WatchedRun run = ClickAndWatch(app, database);
  ASSERT_TRUE(run.box.has_value()) << "no box after the run";
  EXPECT_EQ(run.phases, (std::vector<std::string>{kBackupPhase, kRestorePhase}));
  EXPECT_TRUE(run.progressGone) << "the box came while the progress window was up";
  EXPECT_TRUE(run.backupGone) << "the box came before the backup file was deleted";
  EXPECT_EQ(Narrow(run.box->caption), "Оптимизация БД");
  EXPECT_EQ(Narrow(run.box->text), "ОПТИМИЗАЦИЯ БАЗЫ ДАННЫХ УСПЕШНО ЗАВЕРШЕНА!");
  EXPECT_EQ(run.box->buttons, std::vector<int>{IDOK});
  EXPECT_FALSE(run.box->icon);
  EXPECT_TRUE(run.boxActive) << "the box does not have the keyboard focus";
  EXPECT_TRUE(run.enterClosedBox) << "Enter did not close the box";

  EXPECT_TRUE(IsWindowEnabled(app.form()));
  EXPECT_EQ(app.Close(), std::optional<DWORD>(0));
  EXPECT_EQ(testing::DatabaseDigest(database), SampleDigest(kLongSampleMb));
  EXPECT_LT(testing::FileSize(database), sizeBefore);
  EXPECT_EQ(FolderNames(folder), std::vector<std::string>{"ORMA.FDB"});
  EXPECT_EQ(testing::ReadLogEntries(Narrow(kLogFile)), SuccessfulRunLog(database));
}

// The progress window is up only for a moment here, which is when the box used to come up
// without the focus; a few runs give the fault a few chances.
TEST(FormAgainstServer, WrongPasswordShowsTheErrorBoxThatEnterClosesAndTouchesNothing) {
  ASSERT_NO_FATAL_FAILURE(PrepareServerStation(ServerZelmarIni("wrong-password")));
  const std::string folder = CaseFolder("wrong-password");
  const std::string database = folder + "/ORMA.FDB";
  ASSERT_NO_FATAL_FAILURE(PlaceSample(kSmallSampleMb, database));
  const std::string before = testing::ReadFileBytes(database);
  RunningApp app;
  ASSERT_NE(app.WaitForForm(), nullptr);

  for (int attempt = 0; attempt < 3; ++attempt) {
    SCOPED_TRACE(attempt);
    const WatchedRun run = ClickAndWatch(app, database);
    ASSERT_TRUE(run.box.has_value()) << "no box after the run";
    const std::string text = Narrow(run.box->text);
    EXPECT_EQ(text.rfind("Создание резервной копии -> ", 0), 0u) << text;
    EXPECT_NE(text.find("Your user name and password are not defined"), std::string::npos) << text;
    EXPECT_EQ(Narrow(run.box->caption), "Оптимизация БД");
    EXPECT_EQ(run.box->buttons, std::vector<int>{IDOK});
    EXPECT_TRUE(run.box->icon);
    EXPECT_TRUE(run.progressGone) << "the box came while the progress window was up";
    EXPECT_TRUE(run.boxActive) << "the box does not have the keyboard focus";
    EXPECT_TRUE(run.enterClosedBox) << "Enter did not close the box";
    EXPECT_TRUE(IsWindowEnabled(app.form()));
  }
  EXPECT_EQ(app.Close(), std::optional<DWORD>(0));
  EXPECT_TRUE(testing::ReadFileBytes(database) == before) << "the database changed";
  EXPECT_EQ(FolderNames(folder), std::vector<std::string>{"ORMA.FDB"});
}

}  // namespace
}  // namespace orma::test

int main(int argc, char** argv) { return orma::test::RunTestsNeedingClient(argc, argv); }

// The Optimize command's steps as the program runs them: the progress viewer, the utility
// library bridge and the database server's backup and restore.
#pragma once

#include "app/optimize_command.h"

namespace orma {

class ProgramOptimizeSteps : public OptimizeSteps {
 public:
  // skipGarbageCollection: the backup asks the server not to collect garbage in the working
  // file, which the run replaces anyway (the console's option; the main form keeps the
  // server's default).
  explicit ProgramOptimizeSteps(bool skipGarbageCollection = false) : skipGarbageCollection_(skipGarbageCollection) {}

  std::unique_ptr<OptimizeProgress> OpenProgress(const std::string& Caption) override;
  std::string GetPassword() override;
  std::int32_t GetPort() override;
  BackupResult BackupDatabase(const std::string& serverHost, const std::string& databasePath,
                              const std::string& backupPath, const std::string& userName, const std::string& password,
                              std::int32_t port) override;
  void RestoreDatabase(const std::string& serverHost, const std::string& databasePath, const std::string& backupPath,
                       const std::string& userName, const std::string& password, std::int32_t port,
                       const BackupResult& backup) override;
  bool ReturnDatabaseToUse(const std::string& serverHost, const std::string& databasePath, const std::string& userName,
                           const std::string& password, std::int32_t port,
                           const std::function<void()>& onWait) noexcept override;

 private:
  bool skipGarbageCollection_;
};

}  // namespace orma

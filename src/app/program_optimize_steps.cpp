#include "app/program_optimize_steps.h"

#include "app/backup_database.h"
#include "app/exclusive_use.h"
#include "app/restore_database.h"
#include "dbutils/zelmar_bridge.h"
#include "progress/progress_viewer.h"

namespace orma {

namespace {

class ViewerProgress : public OptimizeProgress {
 public:
  explicit ViewerProgress(TProgressViewerPtr viewer) : viewer_(std::move(viewer)) {}
  void SetStringInfo(std::int32_t Key, const std::string& Text, std::uint8_t Alignment, bool WordWrap, TColor Color,
                     TFontStyles FontStyle, std::int32_t FontSize, const std::string& FontName) override {
    viewer_->SetStringInfo(Key, Text, Alignment, WordWrap, Color, FontStyle, FontSize, FontName);
  }
  // The pointer's deleter makes the terminate request; the viewer then frees itself.
  void Terminate() noexcept override { viewer_.reset(); }

 private:
  TProgressViewerPtr viewer_;
};

}  // namespace

std::unique_ptr<OptimizeProgress> ProgramOptimizeSteps::OpenProgress(const std::string& Caption) {
  return std::make_unique<ViewerProgress>(TProgressViewer::Create(Caption, false, false));
}

std::string ProgramOptimizeSteps::GetPassword() { return ZelmarGetPassword(); }

std::int32_t ProgramOptimizeSteps::GetPort() { return ZelmarGetPort(); }

BackupResult ProgramOptimizeSteps::BackupDatabase(const std::string& serverHost, const std::string& databasePath,
                                                  const std::string& backupPath, const std::string& userName,
                                                  const std::string& password, std::int32_t port) {
  return orma::BackupDatabase(serverHost, databasePath, backupPath, userName, password, port,
                       skipGarbageCollection_ ? BackupGarbage::Skip : BackupGarbage::Collect);
}

void ProgramOptimizeSteps::RestoreDatabase(const std::string& serverHost, const std::string& databasePath,
                                           const std::string& backupPath, const std::string& userName,
                                           const std::string& password, std::int32_t port,
                                           const BackupResult& backup) {
  orma::RestoreDatabase(serverHost, databasePath, backupPath, userName, password, port, backup);
}

bool ProgramOptimizeSteps::ReturnDatabaseToUse(const std::string& serverHost, const std::string& databasePath,
                                               const std::string& userName, const std::string& password,
                                               std::int32_t port, const std::function<void()>& onWait) noexcept {
  return orma::ReturnDatabaseToUse(serverHost, databasePath, userName, password, port, onWait);
}

}  // namespace orma

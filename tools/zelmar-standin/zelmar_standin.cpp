// Our stand-in for the closed utility library: the boundary of dbutils/zelmar_entries.h, with
// answers from Zelmar.ini beside the library. The caller name is ignored: one program, one
// server.
#include <cstdint>
#include <cstring>

#include "dbutils/zelmar_entries.h"
#include "own_folder.h"
#include "standin_settings.h"

namespace {

orma::standin::Settings CurrentSettings() {
  const std::filesystem::path folder = orma::standin::OwnFolder();
  if (folder.empty()) return {};
  return orma::standin::ReadSettings(folder / "Zelmar.ini");
}

}  // namespace

extern "C" {

std::uint32_t ORMA_ZELMAR_API GetFBPassword(const char* /*callerName*/, char* buffer, std::uint32_t capacity) {
  const std::string password = CurrentSettings().password;
  if (capacity > 0 && buffer != nullptr) {
    const std::size_t copied = password.size() < capacity ? password.size() : capacity - 1;
    std::memcpy(buffer, password.data(), copied);
    buffer[copied] = '\0';
  }
  return static_cast<std::uint32_t>(password.size());
}

std::int32_t ORMA_ZELMAR_API GetFBPort(const char* /*callerName*/) { return CurrentSettings().port; }

// Looked up by the program and never called.
std::int32_t ORMA_ZELMAR_API FBConnectDB() { return 0; }
std::int32_t ORMA_ZELMAR_API FBDisconnectDB() { return 0; }
std::int32_t ORMA_ZELMAR_API FBStartTransaction() { return 0; }
std::int32_t ORMA_ZELMAR_API FBCommitTransaction() { return 0; }
std::int32_t ORMA_ZELMAR_API FBRollBackTransaction() { return 0; }
std::int32_t ORMA_ZELMAR_API FBOpenDataSet() { return 0; }
std::int32_t ORMA_ZELMAR_API FBCloseDataSet() { return 0; }
std::int32_t ORMA_ZELMAR_API FBExecDataSet() { return 0; }
std::int32_t ORMA_ZELMAR_API CommitTransactionWithReOpenDST() { return 0; }
std::int32_t ORMA_ZELMAR_API FBCreateTransaction() { return 0; }
std::int32_t ORMA_ZELMAR_API FBSetGSMBaseConnect() { return 0; }
std::int32_t ORMA_ZELMAR_API FBGetGSMDataBase() { return 0; }
std::int32_t ORMA_ZELMAR_API FBCreateDataSetForWrite() { return 0; }
std::int32_t ORMA_ZELMAR_API FBCreateDataSetForRead() { return 0; }
std::int32_t ORMA_ZELMAR_API FBLogMessage() { return 0; }
std::int32_t ORMA_ZELMAR_API FBGetIBDataBaseFromPool() { return 0; }
std::int32_t ORMA_ZELMAR_API FBReturnIBDataBaseToPool() { return 0; }

}  // extern "C"

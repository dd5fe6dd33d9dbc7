#include "fbclient/service_connection.h"

#include <vector>

#include "fbclient/client_library.h"
#include "fbclient/fb_error.h"
#include "fbclient/service_reply.h"
#include "fbclient/service_request.h"

namespace orma::fb {
namespace {

// A line request comes back at least this often even while the server is silent (it can be
// silent for minutes while it collects garbage), so a reader is never stuck in one call.
constexpr unsigned kQueryTimeoutSeconds = 1;

// The largest reply a query may ask for; a line is far shorter.
constexpr unsigned short kReplySize = 16384;

}  // namespace

ServiceConnection::ServiceConnection() = default;

void ServiceConnection::raiseIfFailed(const IscStatus* status) {
  if (!failed(status)) return;
  failureCode_ = status[1];
  throw EFirebirdError(statusText(api_->interpret, status));
}

ServiceConnection::~ServiceConnection() { detachQuietly(); }

void ServiceConnection::attach(const std::string& host, std::int32_t port, const std::string& userName,
                               const std::string& password) {
  api_ = &clientApi();
  const std::string name = host + "/" + std::to_string(port) + ":service_mgr";
  const std::string parameters = attachParameters(userName, password);
  IscStatus status[kStatusLength] = {};
  SvcHandle handle = 0;
  api_->serviceAttach(status, static_cast<unsigned short>(name.size()), name.c_str(), &handle,
                      static_cast<unsigned short>(parameters.size()), parameters.data());
  raiseIfFailed(status);
  handle_ = handle;
}

void ServiceConnection::startBackup(const std::string& database, const std::string& backupFile,
                                    bool skipGarbageCollection) {
  start(backupRequest(database, backupFile, skipGarbageCollection));
}

void ServiceConnection::startRestore(const std::string& backupFile, const std::string& database) {
  start(restoreRequest(backupFile, database));
}

void ServiceConnection::changeProperties(const std::string& request) {
  start(request);
  std::string line;
  while (readLine(line)) {
  }
}

void ServiceConnection::start(const std::string& request) {
  if (!isAttached()) throw EFirebirdError("Нет подключения к менеджеру служб сервера");
  IscStatus status[kStatusLength] = {};
  // One attachment may run several services, one after another: each starts with no output.
  pending_.clear();
  pendingError_.reset();
  ended_ = false;
  api_->serviceStart(status, &handle_, nullptr, static_cast<unsigned short>(request.size()), request.data());
  raiseIfFailed(status);
}

bool ServiceConnection::readLine(std::string& line, const std::function<void()>& afterQuery) {
  while (pending_.empty()) {
    if (pendingError_) {
      std::unique_ptr<EFirebirdError> error = std::move(pendingError_);
      error->Raise();
    }
    if (ended_) return false;
    query();
    if (afterQuery) afterQuery();
  }
  line = std::move(pending_.front());
  pending_.pop_front();
  return true;
}

void ServiceConnection::query() {
  if (!isAttached()) throw EFirebirdError("Нет подключения к менеджеру служб сервера");
  static const std::string timeout = queryTimeout(kQueryTimeoutSeconds);
  const char request[] = {static_cast<char>(kInfoServiceLine)};
  std::vector<char> reply(kReplySize, 0);
  IscStatus status[kStatusLength] = {};
  api_->serviceQuery(status, &handle_, nullptr, static_cast<unsigned short>(timeout.size()), timeout.data(),
                     sizeof request, request, kReplySize, reply.data());
  if (failed(status)) {
    // The service's own failure comes in the status vector of a query, possibly together
    // with the last lines it wrote: those belong to the output before the failure.
    for (std::string& salvaged : salvageServiceLines(reply.data(), reply.size())) {
      pending_.push_back(std::move(salvaged));
    }
    failureCode_ = status[1];
    pendingError_ = std::make_unique<EFirebirdError>(statusText(api_->interpret, status));
    return;
  }
  ServiceReply parsed = parseServiceReply(reply.data(), reply.size());
  for (std::string& received : parsed.lines) pending_.push_back(std::move(received));
  ended_ = parsed.ended;
}

ServerInfo ServiceConnection::serverInfo() {
  if (!isAttached()) throw EFirebirdError("Нет подключения к менеджеру служб сервера");
  const char request[] = {static_cast<char>(kInfoServerVersion), static_cast<char>(kInfoServerDbInfo)};
  std::vector<char> reply(kReplySize, 0);
  IscStatus status[kStatusLength] = {};
  api_->serviceQuery(status, &handle_, nullptr, 0, nullptr, sizeof request, request, kReplySize, reply.data());
  raiseIfFailed(status);
  return parseServerInfo(reply.data(), reply.size());
}

void ServiceConnection::detach() {
  if (!isAttached()) return;
  IscStatus status[kStatusLength] = {};
  api_->serviceDetach(status, &handle_);
  // The library clears the handle only on success; a failed detach still leaves nothing we
  // could use, so the handle is forgotten either way and never detached twice.
  handle_ = 0;
  raiseIfFailed(status);
}

void ServiceConnection::detachQuietly() noexcept {
  if (!isAttached()) return;
  IscStatus status[kStatusLength] = {};
  api_->serviceDetach(status, &handle_);
  handle_ = 0;
}

}  // namespace orma::fb

// One attachment to a Firebird server's service manager, running one backup or restore.
//
//   ServiceConnection service;                 // unconnected; the library is loaded at attach
//   service.attach("127.0.0.1", 3050, "SYSDBA", password);
//   service.startBackup(database, backupFile);
//   std::string line;
//   while (service.readLine(line)) output.push_back(line);
//   service.detach();                          // the destructor detaches too, on every path
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "fbclient/fb_api.h"
#include "fbclient/service_reply.h"

namespace orma {
class EFirebirdError;
}

namespace orma::fb {

struct ClientApi;

class ServiceConnection {
 public:
  ServiceConnection();
  ~ServiceConnection();
  ServiceConnection(const ServiceConnection&) = delete;
  ServiceConnection& operator=(const ServiceConnection&) = delete;

  // Attaches to "host/port:service_mgr" over TCP. Raises EFirebirdError with the library's
  // text (server unreachable, credentials refused) or when the library cannot be loaded.
  void attach(const std::string& host, std::int32_t port, const std::string& userName,
              const std::string& password);
  bool isAttached() const { return handle_ != 0; }

  // Starts the service. A failure of the backup or restore itself never shows here: it
  // arrives with a later readLine.
  void startBackup(const std::string& database, const std::string& backupFile, bool skipGarbageCollection = false);
  void startRestore(const std::string& backupFile, const std::string& database);

  // Runs a property change to its end (shutdownSingleRequest, onlineRequest). Raises
  // EFirebirdError when the server refuses it; failureCode() then tells why.
  void changeProperties(const std::string& request);

  // The next line of the service's output, without its line end. Returns false once the
  // output has ended. Raises EFirebirdError when the service failed; lines that came in the
  // same reply as the failure are returned first, and the failure with the call after them.
  // `afterQuery`, when given, runs after every reply, at least once a second while the server
  // is silent: the reader's chance to notice something without waiting for the next line.
  bool readLine(std::string& line, const std::function<void()>& afterQuery = {});

  // The server's version and the databases it has open, on an attachment with no service
  // running. Raises EFirebirdError.
  ServerInfo serverInfo();

  // The first status code of the last failure raised (0 before any), e.g. kShutdownFailed.
  IscStatus failureCode() const { return failureCode_; }

  // Ends the attachment; raises on a failure the library reports. detachQuietly is for
  // clean-up while another failure is on its way out.
  void detach();
  void detachQuietly() noexcept;

 private:
  void start(const std::string& request);
  void query();
  void raiseIfFailed(const IscStatus* status);

  const ClientApi* api_ = nullptr;
  SvcHandle handle_ = 0;
  std::deque<std::string> pending_;
  std::unique_ptr<EFirebirdError> pendingError_;
  bool ended_ = false;
  IscStatus failureCode_ = 0;
};

}  // namespace orma::fb

// One attachment to a database through the server, doing nothing: while it lasts, a database
// in single-user maintenance admits nobody else.
#pragma once

#include <cstdint>
#include <string>

#include "fbclient/fb_api.h"

namespace orma::fb {

struct ClientApi;

class DatabaseAttachment {
 public:
  DatabaseAttachment() = default;
  ~DatabaseAttachment() { detachQuietly(); }
  DatabaseAttachment(const DatabaseAttachment&) = delete;
  DatabaseAttachment& operator=(const DatabaseAttachment&) = delete;

  // Attaches to "host/port:databasePath" over TCP. Raises EFirebirdError with the library's
  // text; failureCode() then tells why.
  void attach(const std::string& host, std::int32_t port, const std::string& databasePath,
              const std::string& userName, const std::string& password);
  bool isAttached() const { return handle_ != 0; }
  IscStatus failureCode() const { return failureCode_; }
  void detachQuietly() noexcept;

 private:
  const ClientApi* api_ = nullptr;
  SvcHandle handle_ = 0;
  IscStatus failureCode_ = 0;
};

}  // namespace orma::fb

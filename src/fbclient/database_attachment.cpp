#include "fbclient/database_attachment.h"

#include "fbclient/client_library.h"
#include "fbclient/fb_error.h"
#include "fbclient/service_request.h"

namespace orma::fb {

void DatabaseAttachment::attach(const std::string& host, std::int32_t port, const std::string& databasePath,
                                const std::string& userName, const std::string& password) {
  detachQuietly();
  api_ = &clientApi();
  const std::string name = host + "/" + std::to_string(port) + ":" + databasePath;
  const std::string parameters = databaseAttachParameters(userName, password);
  IscStatus status[kStatusLength] = {};
  SvcHandle handle = 0;
  api_->attachDatabase(status, static_cast<short>(name.size()), name.c_str(), &handle,
                       static_cast<short>(parameters.size()), parameters.data());
  if (failed(status)) {
    failureCode_ = status[1];
    throw EFirebirdError(statusText(api_->interpret, status));
  }
  handle_ = handle;
}

void DatabaseAttachment::detachQuietly() noexcept {
  if (!isAttached()) return;
  IscStatus status[kStatusLength] = {};
  api_->detachDatabase(status, &handle_);
  handle_ = 0;
}

}  // namespace orma::fb

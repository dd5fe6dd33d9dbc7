#include "fbclient/service_request.h"

#include <cstdint>

#include "common/format.h"
#include "fbclient/fb_api.h"
#include "fbclient/fb_error.h"

namespace orma::fb {
namespace {

void appendByte(std::string& block, unsigned value) { block += static_cast<char>(value & 0xFF); }

void appendLittleEndian(std::string& block, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) appendByte(block, value >> (8 * i));
}

// Attachment items carry a one-byte length.
void appendShortString(std::string& block, unsigned char tag, const std::string& value) {
  if (value.size() > 255) {
    throw EFirebirdError(Format("Параметр службы %d длиннее 255 байт", {static_cast<int>(tag)}));
  }
  appendByte(block, tag);
  appendByte(block, static_cast<unsigned>(value.size()));
  block += value;
}

// Start items carry a two-byte length.
void appendString(std::string& block, unsigned char tag, const std::string& value) {
  if (value.size() > 65535) {
    throw EFirebirdError(Format("Параметр службы %d длиннее 65535 байт", {static_cast<int>(tag)}));
  }
  appendByte(block, tag);
  appendLittleEndian(block, static_cast<std::uint32_t>(value.size()), 2);
  block += value;
}

}  // namespace

std::string attachParameters(const std::string& userName, const std::string& password) {
  std::string block;
  appendByte(block, kSpbVersion);
  appendByte(block, kSpbCurrentVersion);
  appendShortString(block, kSpbUserName, userName);
  appendShortString(block, kSpbPassword, password);
  appendShortString(block, kSpbUtf8FileName, "");
  return block;
}

std::string databaseAttachParameters(const std::string& userName, const std::string& password) {
  std::string block;
  appendByte(block, kDpbVersion1);
  appendShortString(block, kDpbUserName, userName);
  appendShortString(block, kDpbPassword, password);
  appendByte(block, kDpbNoDbTriggers);
  appendByte(block, 1);
  appendByte(block, 1);
  return block;
}

std::string backupRequest(const std::string& database, const std::string& backupFile, bool skipGarbageCollection) {
  std::string block;
  appendByte(block, kActionBackup);
  appendString(block, kSpbDbName, database);
  appendString(block, kSpbBackupFile, backupFile);
  appendByte(block, kSpbVerbose);
  if (skipGarbageCollection) {
    appendByte(block, kSpbOptions);
    appendLittleEndian(block, kBackupNoGarbageCollect, 4);
  }
  return block;
}

std::string restoreRequest(const std::string& backupFile, const std::string& database) {
  std::string block;
  appendByte(block, kActionRestore);
  appendString(block, kSpbBackupFile, backupFile);
  appendString(block, kSpbDbName, database);
  appendByte(block, kSpbVerbose);
  appendByte(block, kSpbOptions);
  appendLittleEndian(block, kRestoreCreate, 4);
  return block;
}

std::string shutdownSingleRequest(const std::string& database) {
  std::string block;
  appendByte(block, kActionProperties);
  appendString(block, kSpbDbName, database);
  appendByte(block, kSpbPrpShutdownMode);
  appendByte(block, kSpbPrpSmSingle);
  appendByte(block, kSpbPrpAttachmentsShutdown);
  appendLittleEndian(block, 0, 4);
  return block;
}

std::string onlineRequest(const std::string& database) {
  std::string block;
  appendByte(block, kActionProperties);
  appendString(block, kSpbDbName, database);
  appendByte(block, kSpbPrpOnlineMode);
  appendByte(block, kSpbPrpSmNormal);
  return block;
}

std::string queryTimeout(unsigned seconds) {
  std::string block;
  appendByte(block, kInfoServiceTimeout);
  appendLittleEndian(block, 4, 2);
  appendLittleEndian(block, seconds, 4);
  return block;
}

}  // namespace orma::fb

// The few entry points, types and constants of the Firebird client library's C interface that
// the services client uses. We declare them ourselves because the library is loaded at run
// time: the program has to start, and say what is missing, on a computer without it. A native
// test holds every value and signature against the installed ibase.h.
#pragma once

#include <cstdint>

namespace orma::fb {

static_assert(sizeof(void*) == 8, "the handle type below is the 64-bit one");

using IscStatus = std::intptr_t;
using IscLong = std::int32_t;
using SvcHandle = unsigned int;   // FB_API_HANDLE on 64-bit systems

constexpr int kStatusLength = 20;

using ServiceAttachFn = IscStatus (*)(IscStatus* status, unsigned short nameLength, const char* serviceName,
                                      SvcHandle* handle, unsigned short spbLength, const char* spb);
using ServiceDetachFn = IscStatus (*)(IscStatus* status, SvcHandle* handle);
using ServiceStartFn = IscStatus (*)(IscStatus* status, SvcHandle* handle, IscLong* reserved,
                                     unsigned short spbLength, const char* spb);
using ServiceQueryFn = IscStatus (*)(IscStatus* status, SvcHandle* handle, IscLong* reserved,
                                     unsigned short sendLength, const char* sendItems,
                                     unsigned short requestLength, const char* requestItems,
                                     unsigned short bufferLength, char* buffer);
using InterpretFn = IscLong (*)(char* buffer, unsigned int bufferLength, const IscStatus** vector);

// Service parameter block of the attachment.
constexpr unsigned char kSpbVersion = 2;
constexpr unsigned char kSpbCurrentVersion = 2;
constexpr unsigned char kSpbUserName = 28;
constexpr unsigned char kSpbPassword = 29;
constexpr unsigned char kSpbUtf8FileName = 118;

// Service start requests.
constexpr unsigned char kActionBackup = 1;
constexpr unsigned char kActionRestore = 2;
constexpr unsigned char kActionProperties = 8;
constexpr unsigned char kSpbDbName = 106;
constexpr unsigned char kSpbVerbose = 107;
constexpr unsigned char kSpbOptions = 108;
constexpr unsigned char kSpbBackupFile = 5;
constexpr unsigned char kSpbPrpAttachmentsShutdown = 42;
constexpr unsigned char kSpbPrpShutdownMode = 44;
constexpr unsigned char kSpbPrpOnlineMode = 45;
constexpr unsigned char kSpbPrpSmNormal = 0;
constexpr unsigned char kSpbPrpSmSingle = 2;
constexpr std::uint32_t kRestoreCreate = 0x2000;
constexpr std::uint32_t kBackupNoGarbageCollect = 0x08;

// The status code of a shutdown refused because other attachments remain ("database shutdown
// unsuccessful").
constexpr IscStatus kShutdownFailed = 335544557;

// Service queries and their replies.
constexpr unsigned char kInfoEnd = 1;
constexpr unsigned char kInfoTruncated = 2;
constexpr unsigned char kInfoDataNotReady = 4;
constexpr unsigned char kInfoServiceLine = 62;
constexpr unsigned char kInfoServiceTimeout = 64;

}  // namespace orma::fb

// The few entry points, types and constants of the Firebird client library's C interface that
// the services client uses. We declare them ourselves because the library is loaded at run
// time: the program has to start, and say what is missing, on a computer without it. The
// shapes are those of the client's published C interface (ibase.h) for every target we build:
//
//                      Linux x86-64   Windows x64   Windows x86 (the station build)
//   status word        8 bytes        8 bytes       4 bytes   (intptr_t: long on Win32)
//   handle             4 bytes        4 bytes       4 bytes   (FB_API_HANDLE)
//   ISC_LONG           4 bytes        4 bytes       4 bytes
//   convention         the C one      the only one  __stdcall (ISC_EXPORT)
#pragma once

#include <cstdint>
#include <type_traits>

// The client's entries are __stdcall on Windows (ibase.h's ISC_EXPORT). On x64 there is only
// one convention and the keyword changes nothing; on x86 the callee pops its arguments, and a
// caller that thinks otherwise corrupts its stack on the first call.
#if defined(_WIN32)
#define ORMA_FB_API __stdcall
#else
#define ORMA_FB_API
#endif

namespace orma::fb {

using IscStatus = std::intptr_t;
using IscLong = std::int32_t;
using SvcHandle = unsigned int;   // FB_API_HANDLE: 32 bits on every system, a pointer's size on x86

static_assert(sizeof(IscStatus) == sizeof(void*), "a status word is pointer-sized: 4 bytes on Win32, 8 on x64");
static_assert(sizeof(SvcHandle) == 4, "a service handle is 32 bits wide on every target");
static_assert(sizeof(IscLong) == 4, "ISC_LONG is 32 bits wide on every target");

constexpr int kStatusLength = 20;

using ServiceAttachFn = IscStatus(ORMA_FB_API*)(IscStatus* status, unsigned short nameLength, const char* serviceName,
                                                SvcHandle* handle, unsigned short spbLength, const char* spb);
using ServiceDetachFn = IscStatus(ORMA_FB_API*)(IscStatus* status, SvcHandle* handle);
using ServiceStartFn = IscStatus(ORMA_FB_API*)(IscStatus* status, SvcHandle* handle, IscLong* reserved,
                                               unsigned short spbLength, const char* spb);
using ServiceQueryFn = IscStatus(ORMA_FB_API*)(IscStatus* status, SvcHandle* handle, IscLong* reserved,
                                               unsigned short sendLength, const char* sendItems,
                                               unsigned short requestLength, const char* requestItems,
                                               unsigned short bufferLength, char* buffer);
using AttachDatabaseFn = IscStatus(ORMA_FB_API*)(IscStatus* status, short nameLength, const char* databaseName,
                                                 SvcHandle* handle, short dpbLength, const char* dpb);
using DetachDatabaseFn = IscStatus(ORMA_FB_API*)(IscStatus* status, SvcHandle* handle);
using InterpretFn = IscLong(ORMA_FB_API*)(char* buffer, unsigned int bufferLength, const IscStatus** vector);

// On x86 the convention is part of the type: a 32-bit build whose entries lost __stdcall stops here.
static_assert(sizeof(void*) == 8 || !std::is_same_v<ServiceDetachFn, IscStatus (*)(IscStatus*, SvcHandle*)>,
              "on 32-bit Windows the client's entries are __stdcall");

// Service parameter block of the attachment.
constexpr unsigned char kSpbVersion = 2;
constexpr unsigned char kSpbCurrentVersion = 2;
constexpr unsigned char kSpbUserName = 28;
constexpr unsigned char kSpbPassword = 29;
constexpr unsigned char kSpbUtf8FileName = 118;

// Database parameter block of an attachment to a database.
constexpr unsigned char kDpbVersion1 = 1;
constexpr unsigned char kDpbUserName = 28;
constexpr unsigned char kDpbPassword = 29;
constexpr unsigned char kDpbNoDbTriggers = 72;
constexpr unsigned char kDpbUtf8FileName = 77;

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
// An attachment refused because the database is shut down (in single-user maintenance: its
// one attachment is taken).
constexpr IscStatus kDatabaseShutdown = 335544528;
// The server could not be reached, or the connection to it broke.
constexpr IscStatus kNetworkError = 335544721;

// Service queries and their replies.
constexpr unsigned char kInfoEnd = 1;
constexpr unsigned char kInfoTruncated = 2;
constexpr unsigned char kInfoDataNotReady = 4;
constexpr unsigned char kInfoServiceLine = 62;
constexpr unsigned char kInfoServiceTimeout = 64;
constexpr unsigned char kInfoServerVersion = 55;   // isc_info_svc_server_version
constexpr unsigned char kInfoServerDbInfo = 50;    // isc_info_svc_svr_db_info
constexpr unsigned char kSpbNumAttachments = 5;    // isc_spb_num_att
constexpr unsigned char kSpbNumDatabases = 6;      // isc_spb_num_db
constexpr unsigned char kInfoFlagEnd = 127;        // isc_info_flag_end

}  // namespace orma::fb

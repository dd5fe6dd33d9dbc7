// The boundary between this program and the utility library (Zelmar.dll on Windows,
// libZelmar.so on POSIX), shared by the bridge and by our stand-in for the library.
//
// Plain C functions exported under exactly the names below, without decoration: the lookup is
// by exact name. On Windows they use the Windows DLL convention, __stdcall (ORMA_ZELMAR_API),
// as the closed library does: on 32-bit Windows the callee pops its arguments, and a 32-bit
// library's export table carries the bare name ("GetFBPort", never "_GetFBPort@4"); on x64,
// and on POSIX, there is only one convention. Text crosses as UTF-8,
// NUL-terminated. The library keeps no pointer it was given after the call returns, and no
// C++ exception crosses the boundary.
//
//   uint32_t GetFBPassword(const char* callerName, char* buffer, uint32_t capacity)
//     Writes the password for `callerName` into the caller's `buffer` of `capacity` bytes,
//     cut to capacity - 1 bytes and NUL-terminated (nothing is written when capacity is 0),
//     and returns the password's full length in bytes without the NUL. A result of capacity
//     or more means the buffer was too small; the caller asks again with a larger one:
//       capacity 4, password "secret"  ->  buffer "sec\0", result 6
//     The memory is the caller's before, during and after the call.
//
//   int32_t GetFBPort(const char* callerName)
//     The TCP port of the local database server for `callerName`.
//
// The other seventeen entries are looked up and never called; at this boundary they are
// int32_t Name(void).
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#if defined(_WIN32)
#define ORMA_ZELMAR_API __stdcall
#else
#define ORMA_ZELMAR_API
#endif

namespace orma {

extern "C" {
using ZelmarGetFBPasswordEntry = std::uint32_t(ORMA_ZELMAR_API*)(const char* callerName, char* buffer, std::uint32_t capacity);
using ZelmarGetFBPortEntry = std::int32_t(ORMA_ZELMAR_API*)(const char* callerName);
}

// Every entry the library is asked for, in the order of the lookup at start.
inline constexpr std::array<std::string_view, 19> kZelmarEntryNames = {
    "FBConnectDB",
    "FBDisconnectDB",
    "FBStartTransaction",
    "FBCommitTransaction",
    "FBRollBackTransaction",
    "FBOpenDataSet",
    "FBCloseDataSet",
    "FBExecDataSet",
    "CommitTransactionWithReOpenDST",
    "FBCreateTransaction",
    "FBSetGSMBaseConnect",
    "FBGetGSMDataBase",
    "FBCreateDataSetForWrite",
    "FBCreateDataSetForRead",
    "FBLogMessage",
    "GetFBPassword",
    "GetFBPort",
    "FBGetIBDataBaseFromPool",
    "FBReturnIBDataBaseToPool",
};

inline constexpr std::size_t kZelmarGetFBPasswordIndex = 15;
inline constexpr std::size_t kZelmarGetFBPortIndex = 16;

}  // namespace orma

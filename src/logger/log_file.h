// Opening the log file, with a short retry while another opener holds it, and the checks that
// turn a failed file operation into an exception for the failure report.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "platform/files.h"

namespace orma::logging {

class LogSystemCalls;

// Opens `name` in `mode` (ReadWriteShared: the existing file, others may read and write too;
// CreateExclusive: create or replace, not shared while open) and returns the open stream.
// A sharing or lock violation is retried every 10 ms until timeoutMs has passed, then raised as
// Exception "Log file open timeout: 200 ms (<system text>)"; any other failure is raised at once
// as EOSError. A timeout of 0 opens once; a negative one means DefaultOpenTimeout.
std::unique_ptr<platform::File> OpenLogFile(const std::string& name, platform::OpenMode mode, int timeoutMs,
                                            LogSystemCalls& calls);

// Raises EOSError "<what> "<path>": <code> <system text>" for the last system error unless ok.
void CheckIo(bool ok, const char* what, const std::string& path);

// Reads exactly `size` bytes or raises (a short read means the file shrank under us).
void ReadExactly(LogSystemCalls& calls, platform::File& file, void* buffer, std::size_t size, const std::string& path);

}  // namespace orma::logging

// The per-log-file cross-process mutex.
//
// Every process and every logger object that writes one file must share one mutex, whatever
// letter case its path was given in, so the name is the lower-cased path with the characters
// that a kernel object name cannot hold replaced:
//   "C:\RUDE\LogFiles\OrmaOptimizeDB.log"  ->  "c__rude_logfiles_ormaoptimizedb.log"
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "logger/log_constants.h"

namespace orma::platform {
class NamedMutex;
}

namespace orma::logging {

std::string MakeMutexName(std::string_view fileName);

// Creates (or opens) the mutex as "Global\" + name, failing that under the bare name. When both
// fail it returns null, or with raiseOnFailure raises
// "Ошибка при создании объекта "мьютекс": <system text>". A refused security descriptor is
// always raised ("Error InitializeSecurityDescriptor: %s", "Error SetSecurityDescriptorDacl: %s").
std::unique_ptr<platform::NamedMutex> CreateLogMutex(const std::string& name,
                                                     bool raiseOnFailure = RaiseOnMutexFailure);

}  // namespace orma::logging

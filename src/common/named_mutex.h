// A named cross-process mutex that every process of every user may open: "Global\" first,
// the caller's local namespace as the fallback. Failures are raised as Exception with the
// context "СозданиеМьютекса".
#pragma once

#include <memory>
#include <string>

#include "platform/mutex.h"

namespace orma {

// Returns the open mutex, not owned by the caller's thread. When lastError is given it
// receives the system's code right after the creation attempts (kErrorAlreadyExists when an
// existing mutex was opened).
std::unique_ptr<platform::NamedMutex> CreateNamedMutex(const std::string& name, int* lastError = nullptr);

}  // namespace orma

#include "fbclient/client_library.h"

#include <memory>
#include <mutex>

#include "common/format.h"
#include "common/library_bitness.h"
#include "common/version.h"
#include "fbclient/fb_error.h"
#include "fbclient/injected_faults.h"
#include "platform/dynlib.h"
#include "platform/fault_injection.h"
#include "platform/fbclient_location.h"

namespace orma::fb {
namespace {

struct LoadedClient {
  platform::DynamicLibrary library;
  ClientApi api{};
  std::string path;
};

std::mutex lock;
LoadedClient* loaded = nullptr;

// Resolves every entry point; on failure names the first one missing.
bool resolveAll(const platform::DynamicLibrary& library, ClientApi& api, std::string& missing) {
  struct Entry {
    const char* name;
    void** slot;
  };
  const Entry entries[] = {
      {"isc_service_attach", reinterpret_cast<void**>(&api.serviceAttach)},
      {"isc_service_detach", reinterpret_cast<void**>(&api.serviceDetach)},
      {"isc_service_start", reinterpret_cast<void**>(&api.serviceStart)},
      {"isc_service_query", reinterpret_cast<void**>(&api.serviceQuery)},
      {"isc_attach_database", reinterpret_cast<void**>(&api.attachDatabase)},
      {"isc_detach_database", reinterpret_cast<void**>(&api.detachDatabase)},
      {"fb_interpret", reinterpret_cast<void**>(&api.interpret)},
  };
  for (const Entry& entry : entries) {
    *entry.slot = library.resolve(entry.name);
    if (*entry.slot == nullptr) {
      missing = entry.name;
      return false;
    }
  }
  return true;
}

}  // namespace

const ClientApi& clientApi() {
  // Never unloaded: the client library keeps threads and at-exit handlers of its own, and
  // unloading it under them is not safe.
  std::lock_guard<std::mutex> guard(lock);
  if (loaded != nullptr) return loaded->api;

  std::string reasons;
  for (const std::string& candidate : platform::firebirdClientCandidates()) {
    auto client = std::make_unique<LoadedClient>();
    std::string reason;
    if (!client->library.load(candidate)) {
      // A client of the other bitness (a 32-bit one from SysWOW64 beside a 64-bit program):
      // the loader's words would not say what to do.
      reason = BitnessMismatchText(candidate);
      if (reason.empty()) reason = client->library.errorText();
    } else {
      std::string missing;
      if (resolveAll(client->library, client->api, missing)) {
        client->path = candidate;
        if constexpr (platform::kFaultInjection) client->api = InjectingFaults(client->api);
        loaded = client.release();
        return loaded->api;
      }
      reason = "нет функции " + missing;
    }
    reasons += "\r\n" + candidate + ": " + reason;
  }
  throw EFirebirdError(Format("Не удалось загрузить клиентскую библиотеку Firebird (этой программе нужна %d-разрядная). "
                              "Места поиска:",
                              {kProgramBits}) +
                       reasons);
}

std::string loadedClientLibrary() {
  std::lock_guard<std::mutex> guard(lock);
  return loaded != nullptr ? loaded->path : std::string();
}

}  // namespace orma::fb

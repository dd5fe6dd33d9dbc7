#include "dbutils/zelmar_bridge.h"

#include <array>
#include <memory>

#include "common/filenames.h"
#include "common/format.h"
#include "common/library_bitness.h"
#include "common/named_mutex.h"
#include "dbutils/zelmar_entries.h"
#include "dbutils/zelmar_mutex_name.h"
#include "platform/dynlib.h"
#include "platform/paths.h"

namespace orma {

const char* const kZelmarNotLoadedMessage = "Модуль Zelmar.dll не загружен. В запуске приложения отказано!";
const char* const kZelmarNotLoadedCaption = "Ошибка!";

namespace {

// A library of the other bitness: the operator is told which program to take instead.
constexpr const char* kWrongBitness = "Модуль Zelmar.dll не загружен: %s. В запуске приложения отказано!";
constexpr const char* kEntryMissing = "Функция \"%s\" в библиотеке \"Zelmar.dll\" не найдена!";
// The password of a station fits at once; a longer one costs a second call.
constexpr std::uint32_t kFirstPasswordCapacity = 256;

// Written only by start and end, on the main thread before and after every other thread of
// the program, so the lookups read it without a lock.
struct BridgeState {
  std::unique_ptr<platform::NamedMutex> mutex;
  platform::DynamicLibrary library;
  std::array<void*, kZelmarEntryNames.size()> entries{};
  std::string callerName;
};

BridgeState& State() {
  static BridgeState state;
  return state;
}

void* RequireEntry(std::size_t index) {
  void* entry = State().entries[index];
  if (entry == nullptr) throw Exception(Format(kEntryMissing, {kZelmarEntryNames[index]}));
  return entry;
}

}  // namespace

std::string ZelmarLibraryPath() { return platform::ormaRoot() + ORMA_ZELMAR_FILE_NAME; }

void ZelmarModuleStart() { ZelmarModuleStart(ZelmarLibraryPath(), platform::executablePath()); }

void ZelmarModuleStart(const std::string& libraryPath, const std::string& executablePath) {
  BridgeState& state = State();
  state.mutex = CreateNamedMutex(ZelmarMutexName(executablePath));

  if (!state.library.load(libraryPath)) {
    const std::string mismatch = BitnessMismatchText(libraryPath);
    throw EZelmarNotLoaded(mismatch.empty() ? std::string(kZelmarNotLoadedMessage) : Format(kWrongBitness, {mismatch}),
                           libraryPath + ": " + state.library.errorText());
  }
  for (std::size_t i = 0; i < kZelmarEntryNames.size(); ++i) {
    state.entries[i] = state.library.resolve(std::string(kZelmarEntryNames[i]).c_str());
  }
  state.callerName = ExtractFileName(executablePath);
}

void ZelmarModuleEnd() {
  BridgeState& state = State();
  state.mutex.reset();
  state.library.free();
  state.entries.fill(nullptr);
  state.callerName.clear();
}

std::string ZelmarGetPassword() {
  auto entry = reinterpret_cast<ZelmarGetFBPasswordEntry>(RequireEntry(kZelmarGetFBPasswordIndex));
  std::string password(kFirstPasswordCapacity, '\0');
  for (;;) {
    const std::uint32_t length =
        entry(State().callerName.c_str(), password.data(), static_cast<std::uint32_t>(password.size()));
    if (length < password.size()) {
      password.resize(length);
      return password;
    }
    password.assign(static_cast<std::size_t>(length) + 1, '\0');
  }
}

std::int32_t ZelmarGetPort() {
  auto entry = reinterpret_cast<ZelmarGetFBPortEntry>(RequireEntry(kZelmarGetFBPortIndex));
  return entry(State().callerName.c_str());
}

std::string ZelmarCallerName() { return State().callerName; }

}  // namespace orma

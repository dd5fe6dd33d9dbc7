// The bridge to the utility library, from which the program learns the database server's
// administrator password and port. A module: started once before anything else of the
// program, ended last (see app/application_modules.h).
//
// Start: creates the per-executable mutex (zelmar_mutex_name.h) and keeps it open, without
// ever taking it, for the life of the process; loads the library; looks up all its entries in
// one pass, a missing one being no error until it is asked for; keeps the executable's file
// name, which the library is told on every lookup.
#pragma once

#include <cstdint>
#include <string>

#include "common/exceptions.h"

namespace orma {

// The library could not be loaded: the program must not run. Message() is the operator's
// text: kZelmarNotLoadedMessage, or for a library of the other bitness
//   "Модуль Zelmar.dll не загружен: файл 32-разрядный, а эта программа 64-разрядная. Запустите
//    32-разрядную версию программы из пакета OrmaOptimizeDB-1.0.0-win32.zip. В запуске
//    приложения отказано!"
// Detail() the library path and the loader's own words.
class EZelmarNotLoaded : public Exception {
 public:
  explicit EZelmarNotLoaded(std::string message, std::string detail = {})
      : Exception(std::move(message)), detail_(std::move(detail)) {}
  const std::string& Detail() const { return detail_; }
  std::string ClassName() const override { return "EZelmarNotLoaded"; }
  std::unique_ptr<Exception> CreateNew(std::string message) const override {
    return std::make_unique<EZelmarNotLoaded>(std::move(message));
  }
  [[noreturn]] void Raise() const override { throw *this; }

 private:
  std::string detail_;
};

extern const char* const kZelmarNotLoadedMessage;   // "Модуль Zelmar.dll не загружен. В запуске приложения отказано!"
extern const char* const kZelmarNotLoadedCaption;   // "Ошибка!"

// Where the library is: "C:\RUDE\Zelmar.dll"; on POSIX libZelmar.so in the root folder.
std::string ZelmarLibraryPath();

// Module start for the running executable and the library at ZelmarLibraryPath().
// Raises the mutex creation failure unchanged, and EZelmarNotLoaded when the library does
// not load; either way the program must stop, and ZelmarModuleEnd() may still be called.
void ZelmarModuleStart();
// The same for any library and executable path (tests, tools).
void ZelmarModuleStart(const std::string& libraryPath, const std::string& executablePath);
// Closes the mutex, frees the library, forgets the entries and the caller name. Tolerates a
// start that stopped part way, or none at all.
void ZelmarModuleEnd();

// Both ask the library anew on every call and return its answer unchanged. An entry the
// library lacks raises Exception "Функция "GetFBPassword" в библиотеке "Zelmar.dll" не найдена!"
// (or "GetFBPort"), without calling the library.
std::string ZelmarGetPassword();
std::int32_t ZelmarGetPort();

// The name the library is told: the executable's file name without its folder.
std::string ZelmarCallerName();

}  // namespace orma

#include "console/console_options.h"

#include <string_view>

#include "common/format.h"
#include "common/version.h"

namespace orma {

namespace {

constexpr std::string_view kDatabase = "--database";
constexpr std::string_view kDatabaseWithValue = "--database=";
constexpr std::string_view kSkipGarbage = "--skip-garbage-collection";

}  // namespace

bool ParseConsoleOptions(const std::vector<std::string>& arguments, ConsoleOptions& options, std::string& error) {
  options = ConsoleOptions{};
  auto setDatabase = [&](std::string path) {
    if (options.databasePath) {
      error = "параметр --database указан дважды";
      return false;
    }
    options.databasePath = std::move(path);
    return true;
  };

  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "--help" || argument == "-h") {
      options.help = true;
    } else if (argument == "--version") {
      options.version = true;
    } else if (argument == kSkipGarbage) {
      options.skipGarbageCollection = true;
    } else if (argument == kDatabase) {
      if (i + 1 >= arguments.size()) {
        error = "после --database нужен путь к файлу базы данных";
        return false;
      }
      if (!setDatabase(arguments[++i])) return false;
    } else if (argument.compare(0, kDatabaseWithValue.size(), kDatabaseWithValue) == 0) {
      if (!setDatabase(argument.substr(kDatabaseWithValue.size()))) return false;
    } else {
      error = Format("неизвестный параметр \"%s\"", {argument});
      return false;
    }
  }
  return true;
}

std::string ConsoleHelpText(const std::string& defaultDatabase, const std::string& logFile) {
  return Format(
      "Использование: orma-optimize [--database ПУТЬ] [--skip-garbage-collection]\n"
      "\n"
      "Оптимизирует базу данных Orma: локальный сервер Firebird создает резервную копию базы\n"
      "и восстанавливает ее в новый компактный файл, который заменяет рабочий. Пароль и порт\n"
      "сервера программа берет из библиотеки Zelmar.dll. Система Orma должна быть остановлена.\n"
      "\n"
      "  --database ПУТЬ              файл базы данных на этом компьютере\n"
      "                               (по умолчанию %s)\n"
      "  --skip-garbage-collection    при создании резервной копии сервер не собирает мусор\n"
      "                               в старом файле, который все равно будет заменен;\n"
      "                               содержимое новой базы то же, копия создается быстрее\n"
      "  --help                       эта справка\n"
      "  --version                    версия и разрядность программы\n"
      "\n"
      "Пока идет работа, на стандартный поток ошибок выводятся этап и общее время. Сообщение\n"
      "об успехе выводится на стандартный вывод, сообщение об ошибке - на поток ошибок.\n"
      "Ход работы записывается в журнал %s\n"
      "\n"
      "Коды завершения:\n"
      "  0  оптимизация успешно завершена, база данных проверена и в рабочем режиме\n"
      "  1  оптимизация (или запуск программы) не удалась; рабочий файл базы данных\n"
      "     не изменен, база данных в рабочем режиме\n"
      "  2  неверные параметры командной строки\n"
      "  3  библиотека Zelmar.dll не загружена\n"
      "  4  оптимизация прервана (Ctrl+C, закрытие окна, завершение работы системы);\n"
      "     рабочий файл не изменен, база данных в рабочем режиме, служебные файлы удалены\n"
      "  5  оптимизация не начата, ничего не изменено: база занята, уже идет другая\n"
      "     оптимизация, база отключена администратором, мало места на диске, файл\n"
      "     не подходит; повторите позже или устраните причину из сообщения\n"
      "  6  база данных осталась отключенной (однопользовательский режим): станция\n"
      "     не может работать с ней до следующего запуска оптимизации, который первым\n"
      "     делом вернет ее в рабочий режим. Этот код важнее всех остальных\n",
      {defaultDatabase, logFile});
}

std::string ConsoleVersionText() {
  return Format("orma-optimize %s (%d-разрядная)\n", {kProgramVersion, kProgramBits});
}

int ExitCodeFor(RunOutcome outcome) {
  switch (outcome) {
    case RunOutcome::Success: return kExitSuccess;
    case RunOutcome::Failed: return kExitFailed;
    case RunOutcome::Refused: return kExitRefused;
    case RunOutcome::Interrupted: return kExitInterrupted;
    case RunOutcome::LeftShutDown: return kExitLeftShutDown;
  }
  return kExitFailed;
}

bool IsPlainRelativePath(std::string_view path) {
  if (path.empty() || path[0] == '/' || path[0] == '\\') return false;
  return !(path.size() >= 2 && path[1] == ':');
}

}  // namespace orma

#include "console/console_options.h"

#include <cstdio>
#include <string_view>

#include "common/format.h"
#include "common/version.h"

namespace orma {

namespace {

constexpr std::string_view kDatabase = "--database";
constexpr std::string_view kDatabaseWithValue = "--database=";
constexpr std::string_view kSkipGarbage = "--skip-garbage-collection";

std::string Megabytes(std::uint64_t bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f МБ", static_cast<double>(bytes) / (1024.0 * 1024.0));
  return text;
}

std::string Seconds(std::uint64_t ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f с", static_cast<double>(ms) / 1000.0);
  return text;
}

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
    } else if (argument == "--check") {
      options.check = true;
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

std::string ConsoleHelpText(const std::string& defaultDatabase, const std::string& logFile,
                            const std::string& statusFile) {
  return Format(
      "Использование: orma-optimize [--database ПУТЬ] [--skip-garbage-collection]\n"
      "               orma-optimize --check [--database ПУТЬ]\n"
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
      "  --check                      только проверка: все, что оптимизация проверяет\n"
      "                               до начала работы, и подключение к серверу\n"
      "                               с паролем; ничего не изменяет. Код завершения -\n"
      "                               тот, с которым началась бы оптимизация\n"
      "  --help                       эта справка\n"
      "  --version                    версия и разрядность программы\n"
      "\n"
      "Пока идет работа, на стандартный поток ошибок выводятся этап и общее время. Сообщение\n"
      "об успехе, размеры файла до и после и время этапов выводятся на стандартный вывод,\n"
      "сообщение об ошибке - на поток ошибок. Ход работы записывается в журнал\n"
      "%s, итог каждого запуска (и проверки) - в файл\n"
      "%s (UTF-8, строки ключ=значение).\n"
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
      {defaultDatabase, logFile, statusFile});
}

std::string ConsoleVersionText() {
  return Format("orma-optimize %s (%d-разрядная)\n", {kProgramVersion, kProgramBits});
}

std::string ConsoleResultText(const RunReport& report) {
  std::string text;
  if (report.sizeBefore) text += "Размер до: " + Megabytes(*report.sizeBefore) + "\n";
  if (report.sizeAfter) text += "Размер после: " + Megabytes(*report.sizeAfter) + "\n";
  if (report.backupMs) text += "Резервное копирование: " + Seconds(*report.backupMs) + "\n";
  if (report.restoreMs) text += "Восстановление: " + Seconds(*report.restoreMs) + "\n";
  return text;
}

std::string FilesLeftText(const RunReport& report) {
  std::string text;
  for (const std::string& path : report.filesLeft) text += "Рядом с базой данных остался файл оптимизации: " + path + "\n";
  return text;
}

std::string ExitCodeMeaning(int exitCode) {
  switch (exitCode) {
    case kExitSuccess: return "успешно: база данных оптимизирована, проверена и в рабочем режиме (для --check: готово)";
    case kExitFailed: return "не удалось: рабочий файл базы данных не изменен, база данных в рабочем режиме";
    case kExitBadUsage: return "неверные параметры командной строки";
    case kExitLibraryNotLoaded: return "библиотека Zelmar.dll не загружена";
    case kExitInterrupted: return "прервано: рабочий файл не изменен, база данных в рабочем режиме";
    case kExitRefused: return "отказано до начала работы, ничего не изменено: повторите позже или устраните причину";
    case kExitLeftShutDown: return "база данных осталась отключенной до следующего запуска оптимизации";
  }
  return "";
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

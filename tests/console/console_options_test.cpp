#include "console/console_options.h"

#include <gtest/gtest.h>

#include <utility>

namespace orma {
namespace {

TEST(ConsoleOptions, ReadsTheCommandLine) {
  struct Case {
    std::vector<std::string> arguments;
    bool ok;
    std::optional<std::string> database;
    bool skipGarbage;
    bool help;
    std::string error;
  };
  const Case cases[] = {
      {{}, true, std::nullopt, false, false, ""},
      {{"--database", "C:\\RUDE\\DB\\Mirsa\\Mirsa.FDB"}, true, "C:\\RUDE\\DB\\Mirsa\\Mirsa.FDB", false, false, ""},
      // The path is taken exactly as given, blanks and all.
      {{"--database", " /opt/rude/DB/База 1.FDB "}, true, " /opt/rude/DB/База 1.FDB ", false, false, ""},
      {{"--database=/x/y.fdb", "--skip-garbage-collection"}, true, "/x/y.fdb", true, false, ""},
      {{"--skip-garbage-collection", "--database", "--help"}, true, "--help", true, false, ""},
      {{"--database="}, true, "", false, false, ""},
      {{"--help"}, true, std::nullopt, false, true, ""},
      {{"-h", "--database", "x"}, true, "x", false, true, ""},
      {{"--database"}, false, std::nullopt, false, false, "после --database нужен путь к файлу базы данных"},
      {{"--database", "a", "--database", "b"}, false, std::nullopt, false, false, "параметр --database указан дважды"},
      {{"x.fdb"}, false, std::nullopt, false, false, "неизвестный параметр \"x.fdb\""},
      {{"--skip-garbage"}, false, std::nullopt, false, false, "неизвестный параметр \"--skip-garbage\""},
  };
  for (const Case& c : cases) {
    std::string trace;
    for (const std::string& a : c.arguments) trace += "[" + a + "]";
    SCOPED_TRACE(trace);
    ConsoleOptions options;
    std::string error;
    ASSERT_EQ(ParseConsoleOptions(c.arguments, options, error), c.ok);
    EXPECT_EQ(error, c.error);
    if (!c.ok) continue;
    EXPECT_EQ(options.databasePath, c.database);
    EXPECT_EQ(options.skipGarbageCollection, c.skipGarbage);
    EXPECT_EQ(options.help, c.help);
  }
}

// Completing a path from the current folder must never turn a path that the checks refuse
// (another drive, a network share) into one they accept.
TEST(ConsoleOptions, OnlyPlainRelativePathsAreCompleted) {
  const std::pair<const char*, bool> cases[] = {
      {"base.fdb", true},
      {"DB/ORMA.FDB", true},
      {"DB\\ORMA.FDB", true},
      {"./ORMA.FDB", true},
      {"/opt/rude/DB/ORMA.FDB", false},
      {"C:\\RUDE\\DB\\ORMA.FDB", false},
      {"S:\\ORMA.FDB", false},
      {"s:ORMA.FDB", false},
      {"\\\\host\\share\\base.fdb", false},
      {"\\RUDE\\DB\\ORMA.FDB", false},
      {"", false},
  };
  for (const auto& [path, plain] : cases) {
    SCOPED_TRACE(path);
    EXPECT_EQ(IsPlainRelativePath(path), plain);
  }
}

TEST(ConsoleOptions, HelpNamesTheDefaultsAndEveryExitCode) {
  const std::string help = ConsoleHelpText("/opt/rude/DB/ORMA.FDB", "/opt/rude/LogFiles/OrmaOptimizeDB.log");
  for (const char* part : {"orma-optimize [--database ПУТЬ] [--skip-garbage-collection]", "/opt/rude/DB/ORMA.FDB",
                           "/opt/rude/LogFiles/OrmaOptimizeDB.log", "--help", "  0  ", "  1  ", "  2  ", "  3  "}) {
    SCOPED_TRACE(part);
    EXPECT_NE(help.find(part), std::string::npos);
  }
  EXPECT_EQ(help.back(), '\n');
}

}  // namespace
}  // namespace orma

#include "server_station.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>

#include "firebird_client.h"
#include "integration/server_support.h"

namespace orma::test {
namespace {

using testing::LocalPath;

std::string BinaryDir() {
  const char* value = std::getenv("ORMA_BINARY_DIR");
  if (value == nullptr) ADD_FAILURE() << "ORMA_BINARY_DIR is not set: run the test through CTest";
  return value != nullptr ? value : "/tmp";
}

struct Sample {
  std::string path;
  std::string digest;
};

const Sample& SampleOf(int megabytes) {
  static std::map<int, Sample> samples;
  Sample& sample = samples[megabytes];
  if (sample.path.empty()) {
    const std::string folder = CaseFolder("sample-" + std::to_string(megabytes) + "mb");
    testing::MakeSampleDatabase(folder + "/SAMPLE.FDB", megabytes);
    sample.path = folder + "/SAMPLE.FDB";
    // Read from a copy: reading collects the garbage in the file read, and the samples must
    // keep theirs for the backup to collect.
    std::filesystem::copy_file(LocalPath(sample.path), LocalPath(folder + "/DIGEST.FDB"));
    sample.digest = testing::DatabaseDigest(folder + "/DIGEST.FDB");
  }
  return sample;
}

}  // namespace

std::string ServerZelmarIni(const std::string& password) {
  const testing::ServerSettings server = testing::Server();
  return "Password=" + (password.empty() ? server.password : password) + "\r\nPort=" + std::to_string(server.port) +
         "\r\n";
}

void PrepareServerStation(const std::string& zelmarIni) {
  ASSERT_NO_FATAL_FAILURE(PrepareStation(true, zelmarIni));
  ASSERT_NO_FATAL_FAILURE(InstallRegisteredClient());
}

std::string CaseFolder(const std::string& name) {
  const std::string folder = BinaryDir() + "/e2e/" + ::testing::UnitTest::GetInstance()->current_test_suite()->name() +
                             "/" + name;
  std::error_code error;
  std::filesystem::remove_all(LocalPath(folder), error);
  std::filesystem::create_directories(LocalPath(folder), error);
  EXPECT_FALSE(error) << "cannot make " << folder << ": " << error.message();
  return folder;
}

void PlaceSample(int megabytes, const std::string& path) {
  const Sample& sample = SampleOf(megabytes);
  ASSERT_FALSE(sample.digest.empty()) << "no sample of " << megabytes << " MB";
  std::filesystem::create_directories(LocalPath(path).parent_path());
  std::filesystem::copy_file(LocalPath(sample.path), LocalPath(path),
                             std::filesystem::copy_options::overwrite_existing);
}

std::string SampleDigest(int megabytes) { return SampleOf(megabytes).digest; }

std::vector<std::string> FolderNames(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(LocalPath(folder))) {
    names.push_back(Narrow(entry.path().filename().wstring()));
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<testing::LogEntry> SuccessfulRunLog(const std::string& database) {
  return {
      {0, ""},
      {0, "Программа запущена"},
      {5, "Будет создана резервная копия базы данных \"" + database + "\""},
      {5, "Создание резервной копии завершено"},
      {5, "База данных \"" + database + "\" будет восстановлена из резервной копии"},
      {5, "Восстановление временной БД из резервной копии завершено"},
      {5, "Восстановление из резервной копии завершено"},
      {0, "Выход из программы"},
  };
}

std::wstring ConsoleProgram() { return LocalPath(ORMA_CONSOLE_EXE).wstring(); }

ProgramRun OptimizeWithConsole(const std::string& database, const std::wstring& program) {
  return RunProgram(program, {"--database", database});
}

}  // namespace orma::test

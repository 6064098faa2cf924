#include "tests/test_support.h"

#include <cstdio>

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif
#include <fstream>
#include <iterator>

#include "library/file_io.h"
#include "platform/headless.h"
#include "shell/app_state.h"

Bytes ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteWholeFile(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

bool FileExists(const std::string& path) {
  std::error_code error;
  return std::filesystem::exists(path, error);
}

namespace {

long ProcessId() {
#ifdef _WIN32
  return static_cast<long>(_getpid());
#else
  return static_cast<long>(getpid());
#endif
}

}  // namespace

void ProgramTest::SetUp() {
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(info->test_suite_name()) + "." + info->name();
  for (char& c : name) {
    if (c == '/') c = '_';
  }
  // One folder per process and test, so concurrent runs never share files.
  root = std::filesystem::temp_directory_path() / ("korvel-tests-" + std::to_string(ProcessId())) / name;
  std::filesystem::remove_all(root);
  std::filesystem::create_directories(root / "Korvel Player" / "Export" / "Conversions");
  std::filesystem::create_directories(root / "Documents");
  programFolder = (root / "Korvel Player").string();
  documentsFolder = (root / "Documents").string();
  IoFailAt(0);
  HeadlessReset(programFolder + PATH_SEPARATOR + "Korvel_Player.exe", documentsFolder);
  InitializeAppState();
  SetUpProgramPaths();
}

void ProgramTest::TearDown() {
  IoFailAt(0);
  appState.containerFile.reset();
  std::error_code error;
  if (!HasFailure()) {
    std::filesystem::remove_all(root, error);
    std::filesystem::remove(root.parent_path(), error);  // gone once the last test of the process is done
  }
}

std::string ProgramTest::ProgramFile(const std::string& relative) const {
  std::string path = programFolder + PATH_SEPARATOR + relative;
  for (char& c : path) {
    if (c == '/') c = PATH_SEPARATOR;
  }
  return path;
}

std::string ProgramTest::ScratchFile(const std::string& name) const { return (root / name).string(); }

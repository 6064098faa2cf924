#include "tests/test_support.h"

#include <algorithm>
#include <random>
#include <sstream>

#include "shell/main_window.h"
#include "shell/program_windows.h"

namespace fs = std::filesystem;

bool FileExists(const std::string& path) {
  std::error_code error;
  return fs::exists(path, error);
}

void ProgramTest::SetUp() {
  static const std::string process = std::to_string(std::random_device()());  // concurrent runs share no file
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  root = fs::temp_directory_path() / ("korvel-tests-" + process) / info->test_suite_name() / info->name();
  fs::remove_all(root);
  fs::create_directories(root / "Korvel Player" / "Export" / "Conversions");
  fs::create_directories(root / "Documents");
  IoFailAt(0);
  StartProgram((root / "Korvel Player").string(), (root / "Documents").string());
}

void ProgramTest::StartProgram(const std::string& programDir, const std::string& documentsDir, bool withWindows) {
  programFolder = programDir;
  documentsFolder = documentsDir;
  HeadlessReset(programFolder + PATH_SEPARATOR + "Korvel_Player.exe", documentsFolder);
  InitializeAppState();
  SetUpProgramPaths();
  if (withWindows) CreateProgramWindows();
}

void ProgramTest::TearDown() {
  IoFailAt(0);
  appState.containerFile.reset();
  std::error_code error;  // a failed test's folder stays; the process's goes with its last test
  if (!HasFailure()) fs::remove_all(root, error);
  for (const auto& folder : {root.parent_path(), root.parent_path().parent_path()}) fs::remove(folder, error);
}

std::string ProgramTest::ProgramFile(const std::string& relative) const {
  std::string path = programFolder + PATH_SEPARATOR + relative;
  std::replace(path.begin(), path.end(), '/', PATH_SEPARATOR);
  return path;
}

std::string ProgramTest::ScratchFile(const std::string& name) const { return (root / name).string(); }

void ProgramTest::Command(int id, unsigned notification) {
  MainWindowProc(appState.hwndMain, MESSAGE_COMMAND, static_cast<std::uintptr_t>(id) | (notification << 16), 0);
}

std::string ProgramTest::Status() const { return PlatformGetWindowText(appState.hwndStatus); }

Strings ProgramTest::Run(int id, unsigned notification) {
  HeadlessClearCalls();
  Command(id, notification);
  const std::string status = std::to_string(reinterpret_cast<std::uintptr_t>(appState.hwndStatus)) + " ";
  Strings events;
  for (const PlatformCall& call : HeadlessCalls()) {
    const std::string& d = call.detail;
    if (call.role == "sound-resource") events.push_back(d == "400" ? "start" : "finish");
    if (call.role == "beep") events.push_back(d == "default" ? "beep" : "asterisk");
    if (call.role == "sound-file") events.push_back("play " + d);
    if (call.role == "message-box") events.push_back("box " + d);
    if (call.role.rfind("timer-", 0) == 0) events.push_back(call.role == "timer-start" ? "timer on" : "timer off");
    if (call.role == "window-text" && d.rfind(status, 0) == 0) events.push_back("status " + d.substr(status.size()));
  }
  return events;
}

Strings ProgramTest::RunWithDialog(int id, const std::string& path) {
  HeadlessQueueDialogAnswer(path);
  return Run(id);
}

void ProgramTest::Select(int row) {
  HeadlessSelectRow(appState.hwndEntryList, row);
  Command(IDC_ENTRY_LIST, LIST_SELECTION_CHANGED);
}

std::string ProgramTest::CreateAndLoad(const std::string& name) {
  PlatformSetControlText(appState.hwndExportWindow, IDC_EXPORT_NAME, name);
  Command(IDC_EXPORT_BUTTON);
  RunWithDialog(CMD_LOAD_KVF, appState.programDir + name + ".kvf");
  HeadlessClearCalls();
  return appState.programDir + name + ".kvf";
}

void ProgramTest::AddFile(const std::string& name, const Bytes& bytes) {
  WriteWholeFile(ScratchFile(name), bytes);
  RunWithDialog(CMD_ADD_WAV, ScratchFile(name));
}

int ProgramTest::Kvp(const Strings& words) {
  std::ostringstream outStream;
  std::ostringstream errStream;
  const int status = KvpInProcess(Joined({"--program-dir", programFolder, "--documents-dir", documentsFolder}, words),
                                  outStream, errStream);
  kvpOut = outStream.str();
  kvpErr = errStream.str();
  return status;
}

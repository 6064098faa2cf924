#include "tests/test_support.h"

#ifdef _WIN32
#include <process.h>
#define getpid _getpid
#else
#include <unistd.h>
#endif
#include <algorithm>

#include "io/file_io.h"
#include "platform/headless.h"
#include "shell/main_window.h"
#include "shell/program_windows.h"
#include "state/app_state.h"
#include "state/commands.h"

bool FileExists(const std::string& path) {
  std::error_code error;
  return std::filesystem::exists(path, error);
}

void ProgramTest::SetUp() {
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(info->test_suite_name()) + "." + info->name();
  std::replace(name.begin(), name.end(), '/', '_');
  // One folder per process and test, so concurrent runs never share files.
  root = std::filesystem::temp_directory_path() / ("korvel-tests-" + std::to_string(getpid())) / name;
  std::filesystem::remove_all(root);
  std::filesystem::create_directories(root / "Korvel Player" / "Export" / "Conversions");
  std::filesystem::create_directories(root / "Documents");
  IoFailAt(0);
  StartProgram((root / "Korvel Player").string(), (root / "Documents").string());
}

void ProgramTest::StartProgram(const std::string& programDir, const std::string& documentsDir) {
  programFolder = programDir;
  documentsFolder = documentsDir;
  HeadlessReset(programFolder + PATH_SEPARATOR + "Korvel_Player.exe", documentsFolder);
  InitializeAppState();
  SetUpProgramPaths();
  CreateProgramWindows();
}

void ProgramTest::TearDown() {
  IoFailAt(0);
  appState.containerFile.reset();
  std::error_code error;  // a failed test's folder stays; the process's goes with its last test
  if (!HasFailure()) {
    std::filesystem::remove_all(root, error);
    std::filesystem::remove(root.parent_path(), error);
  }
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

void ProgramTest::CommandWithDialog(int id, const std::string& path) {
  HeadlessQueueDialogAnswer(path);
  Command(id);
}

std::string ProgramTest::Status() const { return PlatformGetWindowText(appState.hwndStatus); }

Strings ProgramTest::Feedback() const {
  const std::string statusHandle = std::to_string(reinterpret_cast<std::uintptr_t>(appState.hwndStatus)) + " ";
  const std::size_t handle = statusHandle.size();
  Strings events;
  for (const PlatformCall& call : HeadlessCalls()) {
    const std::string& d = call.detail;
    if (call.role == "sound-resource") events.push_back(d == "400" ? "start" : "finish");
    if (call.role == "beep") events.push_back(d == "default" ? "beep" : "asterisk");
    if (call.role == "sound-file") events.push_back("play " + d);
    if (call.role == "message-box") events.push_back("box " + d);
    if (call.role == "timer-start") events.push_back("timer on");
    if (call.role == "timer-stop") events.push_back("timer off");
    if (call.role == "window-text" && d.rfind(statusHandle, 0) == 0) events.push_back("status " + d.substr(handle));
  }
  return events;
}

Strings ProgramTest::Run(int id, unsigned note) {
  HeadlessClearCalls();
  Command(id, note);
  return Feedback();
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
  const std::string kvf = appState.programDir + name + ".kvf";
  CommandWithDialog(CMD_LOAD_KVF, kvf);
  HeadlessClearCalls();
  return kvf;
}

void ProgramTest::AddFile(const std::string& name, const Bytes& bytes) {
  WriteWholeFile(ScratchFile(name), bytes);
  CommandWithDialog(CMD_ADD_WAV, ScratchFile(name));
}

Strings ProgramTest::PinEntry(const std::string& text) {
  PlatformSetControlText(appState.hwndMain, IDC_ENTRY_NUMBER, text);
  return Run(IDC_SET_ID);
}

#include "tests/command_support.h"

#include "library/byte_order.h"
#include "platform/headless.h"
#include "shell/app_state.h"
#include "shell/commands.h"
#include "shell/main_window.h"
#include "shell/program_windows.h"

namespace {

std::string HandleText(const void* handle) {
  return std::to_string(reinterpret_cast<std::uintptr_t>(handle));
}

}  // namespace

void CommandTest::SetUp() {
  ProgramTest::SetUp();
  CreateProgramWindows();
  ClearCalls();
}

void CommandTest::Command(int id, unsigned notification) {
  MainWindowProc(appState.hwndMain, MESSAGE_COMMAND, static_cast<std::uintptr_t>(id) | (notification << 16), 0);
}

void CommandTest::CommandWithDialog(int id, const std::string& path) {
  HeadlessQueueDialogAnswer(path);
  Command(id);
}

void CommandTest::ClearCalls() { HeadlessClearCalls(); }

std::string CommandTest::Status() const { return PlatformGetWindowText(appState.hwndStatus); }

std::vector<std::string> CommandTest::ListRows() const { return HeadlessListRows(appState.hwndEntryList); }

std::vector<std::string> CommandTest::Feedback() const {
  const std::string statusHandle = HandleText(appState.hwndStatus) + " ";
  std::vector<std::string> events;
  for (const PlatformCall& call : HeadlessCalls()) {
    if (call.role == "sound-resource") {
      events.push_back(call.detail == "400" ? "start" : "finish");
    } else if (call.role == "beep") {
      events.push_back(call.detail == "default" ? "beep" : "asterisk");
    } else if (call.role == "sound-file") {
      events.push_back("play " + call.detail);
    } else if (call.role == "window-text" && call.detail.compare(0, statusHandle.size(), statusHandle) == 0) {
      events.push_back("status " + call.detail.substr(statusHandle.size()));
    } else if (call.role == "message-box") {
      events.push_back("box " + call.detail);
    } else if (call.role == "timer-start") {
      events.push_back("timer on");
    } else if (call.role == "timer-stop") {
      events.push_back("timer off");
    }
  }
  return events;
}

std::string CommandTest::CreateAndLoad(const std::string& name) {
  PlatformSetControlText(appState.hwndExportWindow, IDC_EXPORT_NAME, name);
  Command(IDC_EXPORT_BUTTON);
  std::string kvf = appState.programDir + name + ".kvf";
  CommandWithDialog(CMD_LOAD_KVF, kvf);
  ClearCalls();
  return kvf;
}

void CommandTest::AddFile(const std::string& name, const Bytes& bytes) {
  std::string path = ScratchFile(name);
  WriteWholeFile(path, bytes);
  CommandWithDialog(CMD_ADD_WAV, path);
}


// kvp: the program's commands from a shell. Each subcommand sends the very
// commands a user would give through the window procedure, over the headless
// platform backend, answering the open dialogs with its arguments. Every
// status text the program shows is printed on standard output, message boxes
// on standard error.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "platform/headless.h"
#include "shell/app_state.h"
#include "shell/commands.h"
#include "shell/main_window.h"
#include "shell/program_windows.h"

namespace {

const char* const USAGE =
    "usage: kvp [--program-dir DIR] [--documents-dir DIR] [--pcm] [--documents] [--state] COMMAND ARGS\n"
    "\n"
    "Runs Korvel Player's own commands without its window. Every status text the\n"
    "program shows is printed on a line of its own; message boxes go to standard\n"
    "error. The exit status is 1 when the last command was refused or its play or\n"
    "conversion failed, else 0.\n"
    "\n"
    "commands:\n"
    "  new NAME                  make the empty container NAME.kvf / NAME.dat in the program folder\n"
    "  list CONTAINER            load a container; print its playlist rows, then the load status\n"
    "  add CONTAINER FILE...     add files to a container, one after the other\n"
    "  play CONTAINER N          play entry N, as a click on row N-1 of the list would\n"
    "  export CONTAINER N        play entry N, then Export > Wav (Current)\n"
    "  export-all CONTAINER      Export > Wav (En_Mass)\n"
    "  share CONTAINER           Share > Kvf/Dat (Current): copy the pair to Documents/Export_KVF\n"
    "  open FILE [--export]      Wavs > Play_Wav on FILE; with --export, then Export > Wav (External)\n"
    "\n"
    "options:\n"
    "  --program-dir DIR     the program folder (default: the folder of this kvp file); it holds\n"
    "                        Export/ and Export/Conversions/, the working and exported files\n"
    "  --documents-dir DIR   the Documents folder (default: the user's)\n"
    "  --pcm                 Options > Save as Pcm before the command\n"
    "  --documents           Options > Save in Documents before the command\n"
    "  --state               print the program's state afterwards, one name=value a line\n"
    "  --help                this text\n";

std::string ProgramFileDefault(const char* argv0) {
  std::error_code error;
#ifndef _WIN32
  std::filesystem::path self = std::filesystem::canonical("/proc/self/exe", error);
  if (!error) return self.string();
#endif
  return std::filesystem::absolute(argv0, error).string();
}

std::string DocumentsDefault() {
#ifdef _WIN32
  const char* home = std::getenv("USERPROFILE");
  return std::string(home != nullptr ? home : ".") + "\\Documents";
#else
  if (const char* xdg = std::getenv("XDG_DOCUMENTS_DIR")) return xdg;
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr ? home : ".") + "/Documents";
#endif
}

// Sends a command and reports what it showed; true when it was not refused.
bool Send(int command, unsigned notification = 0) {
  HeadlessClearCalls();
  MainWindowProc(appState.hwndMain, MESSAGE_COMMAND, static_cast<std::uintptr_t>(command) | (notification << 16), 0);
  const std::string statusPrefix = std::to_string(reinterpret_cast<std::uintptr_t>(appState.hwndStatus)) + " ";
  bool refused = false;
  for (const PlatformCall& call : HeadlessCalls()) {
    if (call.role == "window-text" && call.detail.compare(0, statusPrefix.size(), statusPrefix) == 0) {
      std::string text = call.detail.substr(statusPrefix.size());
      if (!text.empty()) std::cout << text << "\n";
    } else if (call.role == "message-box") {
      std::cerr << call.detail << "\n";
    } else if (call.role == "beep" && call.detail == "default") {
      refused = true;
    }
  }
  return !refused;
}

bool SendWithDialog(int command, const std::string& answer) {
  HeadlessQueueDialogAnswer(answer);
  return Send(command);
}

void PrintState() {
  const AppState& s = appState;
  std::printf("wavTypeKnown=%d\nconversionFailed=%d\ndurationSeconds=%.17g\ndurationMs=%u\nreplayDurationMs=%u\n",
              s.wavTypeKnown, s.conversionFailed, s.durationSeconds, s.durationMs, s.replayDurationMs);
  std::cout << "durationText=" << s.durationText << "\nplayWavPath=" << s.playWavPath
            << "\nexternalWavPath=" << s.externalWavPath << "\nnowPlayingText=" << s.nowPlayingText
            << "\nentryCount=" << s.entryCount << "\ncurrentIndex=" << s.currentIndex << "\nisAiff=" << s.isAiff
            << "\nisAu=" << s.isAu << "\nisVoc=" << s.isVoc << "\nisHtk=" << s.isHtk << "\nisCaf=" << s.isCaf
            << "\nisPaf=" << s.isPaf << "\nisPvf=" << s.isPvf << "\nisSph=" << s.isSph << "\nisRiff=" << s.isRiff
            << "\n";
}

int Fail(const std::string& message) {
  std::cerr << "kvp: " << message << "\n\n" << USAGE;
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string programFile = ProgramFileDefault(argv[0]);
  std::string documents = DocumentsDefault();
  bool pcm = false, inDocuments = false, printState = false;
  std::vector<std::string> words;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::cout << USAGE;
      return 0;
    } else if ((arg == "--program-dir" || arg == "--documents-dir") && i + 1 < argc) {
      std::string dir = std::filesystem::absolute(argv[++i]).string();
      if (arg == "--program-dir") programFile = dir + PATH_SEPARATOR + "kvp";
      else documents = dir;
    } else if (arg == "--pcm") {
      pcm = true;
    } else if (arg == "--documents") {
      inDocuments = true;
    } else if (arg == "--state") {
      printState = true;
    } else {
      words.push_back(arg);
    }
  }
  if (words.empty()) return Fail("no command given");
  const std::string command = words[0];
  const std::vector<std::string> args(words.begin() + 1, words.end());
  auto fullPath = [](const std::string& path) { return std::filesystem::absolute(path).string(); };

  HeadlessReset(programFile, documents);
  InitializeAppState();
  SetUpProgramPaths();
  CreateProgramWindows();
  if (pcm) Send(CMD_SAVE_AS_PCM);
  if (inDocuments) Send(CMD_SAVE_IN_DOCUMENTS);

  bool ok = true;
  if (command == "new" && args.size() == 1) {
    PlatformSetControlText(appState.hwndExportWindow, IDC_EXPORT_NAME, args[0]);
    ok = Send(IDC_EXPORT_BUTTON);
  } else if (command == "open" && (args.size() == 1 || (args.size() == 2 && args[1] == "--export"))) {
    ok = SendWithDialog(CMD_PLAY_EXTERNAL, fullPath(args[0])) && appState.conversionFailed == 0 &&
         appState.externalWavReady == 1;
    if (args.size() == 2) ok = Send(CMD_EXPORT_EXTERNAL);
  } else if (args.empty()) {
    return Fail("'" + command + "' needs a container");
  } else {
    const bool listing = command == "list";
    if (listing) {
      HeadlessQueueDialogAnswer(fullPath(args[0]));
      HeadlessClearCalls();
      MainWindowProc(appState.hwndMain, MESSAGE_COMMAND, CMD_LOAD_KVF, 0);
      for (const std::string& row : HeadlessListRows(appState.hwndEntryList)) std::cout << row << "\n";
      for (const PlatformCall& call : HeadlessCalls()) {
        if (call.role == "message-box") std::cerr << call.detail << "\n";
      }
      std::cout << PlatformGetWindowText(appState.hwndStatus) << "\n";
      ok = !appState.loadedContainerPath.empty();
    } else {
      ok = SendWithDialog(CMD_LOAD_KVF, fullPath(args[0])) && !appState.loadedContainerPath.empty();
    }
    if (listing) {
      if (args.size() != 1) return Fail("list takes one container");
    } else if (command == "add" && args.size() >= 2) {
      for (std::size_t i = 1; i < args.size(); ++i) ok = SendWithDialog(CMD_ADD_WAV, fullPath(args[i]));
    } else if ((command == "play" || command == "export") && args.size() == 2) {
      int n = std::atoi(args[1].c_str());
      HeadlessSelectRow(appState.hwndEntryList, n - 1);
      ok = Send(IDC_ENTRY_LIST, LIST_SELECTION_CHANGED) && appState.wavTypeKnown == 1;
      if (command == "export") ok = Send(CMD_EXPORT_CURRENT);
    } else if (command == "export-all" && args.size() == 1) {
      ok = Send(CMD_EXPORT_ALL);
    } else if (command == "share" && args.size() == 1) {
      ok = Send(CMD_SHARE_CURRENT);
    } else {
      return Fail("unknown command or wrong arguments: " + command);
    }
  }
  if (printState) PrintState();
  return ok ? 0 : 1;
}

#include "app/kvp_commands.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>

#include "platform/headless.h"
#include "shell/main_window.h"
#include "shell/program_windows.h"
#include "state/app_state.h"
#include "state/commands.h"

namespace {

const char* const USAGE =
    "usage: kvp [--program-dir DIR] [--documents-dir DIR] [--pcm] [--documents] [--state] COMMAND ARGS\n"
    "\n"
    "Runs Korvel Player's own commands without its window. Every status text the\n"
    "program shows is printed on a line of its own; message boxes go to standard\n"
    "error, and so does a line naming what the program refused with a beep alone.\n"
    "kvp stops at the first refused step. The exit status is 2 for a usage mistake,\n"
    "1 when a step was refused or its play or conversion failed, else 0.\n"
    "\n"
    "commands:\n"
    "  new NAME                  make the empty container NAME.kvf / NAME.dat in the program folder\n"
    "  list CONTAINER            load a container; print its playlist rows, then the load status\n"
    "  add CONTAINER FILE...     add files to a container, one after the other\n"
    "  play CONTAINER N          play entry N, as a click on row N-1 of the list would, and\n"
    "                            play it on the default sound output (Ctrl-C stops it)\n"
    "  export CONTAINER N        play entry N, then Export > Wav (Current)\n"
    "  export-all CONTAINER      Export > Wav (En_Mass)\n"
    "  share CONTAINER           Share > Kvf/Dat (Current): copy the pair to Documents/Export_KVF\n"
    "  open FILE [--export]      Wavs > Play_Wav on FILE, played as play does; with --export,\n"
    "                            Export > Wav (External) instead of playing\n"
    "\n"
    "options:\n"
    "  --program-dir DIR     the program folder; it holds Export/ and Export/Conversions/ (the\n"
    "                        working and exported files), new containers and CrcLog.dat.\n"
    "                        Default: the folder of this kvp file when it holds a writable\n"
    "                        Export/Conversions, else $XDG_DATA_HOME/korvel-player\n"
    "                        (~/.local/share/korvel-player), made when first used\n"
    "  --documents-dir DIR   the Documents folder (default: the user's)\n"
    "  --pcm                 Options > Save as Pcm before the command\n"
    "  --documents           Options > Save in Documents before the command\n"
    "  --state               print the program's state afterwards, one name=value a line\n"
    "  --no-sound            play and open prepare the wave but do not play it\n"
    "  --help                this text\n";

const char* const USAGE_HINT = "usage: kvp [OPTIONS] COMMAND ARGS (kvp --help explains them)\n";

// The options and words of one command line.
struct KvpRequest {
  std::string programFolder;
  std::string documentsFolder;
  bool programFolderGiven = false;
  bool savePcm = false;
  bool saveInDocuments = false;
  bool printState = false;
  bool playSound = true;
  bool exportAfterOpen = false;
  bool helpWanted = false;
  std::string command;
  std::vector<std::string> args;
};

// A command's synopsis (its name, then its arguments) and how many arguments it takes.
struct CommandShape {
  const char* synopsis;
  std::size_t minArgs;
  std::size_t maxArgs;
};

constexpr std::size_t ANY_NUMBER = SIZE_MAX;

const CommandShape COMMANDS[] = {
    {"new NAME", 1, 1},         {"list CONTAINER", 1, 1},       {"add CONTAINER FILE...", 2, ANY_NUMBER},
    {"play CONTAINER N", 2, 2}, {"export CONTAINER N", 2, 2},   {"export-all CONTAINER", 1, 1},
    {"share CONTAINER", 1, 1},  {"open FILE [--export]", 1, 1},
};

const KvpHost* host = nullptr;

std::ostream& Out() { return *host->out; }
std::ostream& Err() { return *host->err; }

std::string FullPath(const std::string& path) {
  std::error_code error;
  std::filesystem::path full = std::filesystem::absolute(path, error);
  return error ? path : full.string();
}

// A usage mistake: one line naming it, the hint, status 2.
int Usage(const std::string& mistake) {
  Err() << "kvp: " << mistake << "\n" << USAGE_HINT;
  return KVP_USAGE;
}

int StatusOf(bool done) { return done ? KVP_DONE : KVP_REFUSED; }

// An entry number as typed: decimal digits only, from 1 to INT32_MAX; 0 when it is none.
std::int32_t EntryNumber(const std::string& text) {
  const bool digitsOnly = text.find_first_not_of("0123456789") == std::string::npos;
  if (text.empty() || text.size() > 10 || !digitsOnly) return 0;
  const long long n = std::stoll(text);
  return n > INT32_MAX ? 0 : static_cast<std::int32_t>(n);
}

bool IsWaitText(const std::string& text) {
  const bool blank = text.find_first_not_of(' ') == std::string::npos;
  return blank || text.find("please, wait") != std::string::npos;
}

// Prints what the recorded calls showed: status texts on the output, message boxes on the error stream. True when the
// program refused with the default beep; lastText is then what it said last.
bool PrintFeedback(std::string& lastText) {
  const std::string statusPrefix = std::to_string(reinterpret_cast<std::uintptr_t>(appState.hwndStatus)) + " ";
  bool refused = false;
  for (const PlatformCall& call : HeadlessCalls()) {
    if (call.role == "window-text" && call.detail.compare(0, statusPrefix.size(), statusPrefix) == 0) {
      lastText = call.detail.substr(statusPrefix.size());
      if (!lastText.empty()) Out() << lastText << "\n";
    } else if (call.role == "message-box") {
      Err() << call.detail << "\n";
      lastText = call.detail;
    } else if (call.role == "beep" && call.detail == "default") {
      refused = true;
    }
  }
  return refused;
}

// Sends a command and prints what it showed; true when it was not refused.
// A refusal that the program gives with a beep alone is named on standard
// error as what.
bool Send(int command, const std::string& what, unsigned notification = 0) {
  HeadlessClearCalls();
  const std::uintptr_t wParam = static_cast<std::uintptr_t>(command) | (notification << 16);
  MainWindowProc(appState.hwndMain, MESSAGE_COMMAND, wParam, 0);
  std::string lastText;
  const bool refused = PrintFeedback(lastText);
  if (refused && IsWaitText(lastText)) Err() << "kvp: refused: " << what << "\n";
  return !refused;
}

bool SendWithDialog(int command, const std::string& answer, const std::string& what) {
  HeadlessQueueDialogAnswer(answer);
  return Send(command, what);
}

void PrintState() {
  const AppState& s = appState;
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.17g", s.durationSeconds);
  Out() << "wavTypeKnown=" << s.wavTypeKnown << "\n";
  Out() << "conversionFailed=" << s.conversionFailed << "\n";
  Out() << "durationSeconds=" << seconds << "\n";
  Out() << "durationMs=" << s.durationMs << "\n";
  Out() << "replayDurationMs=" << s.replayDurationMs << "\n";
  Out() << "durationText=" << s.durationText << "\n";
  Out() << "playWavPath=" << s.playWavPath << "\n";
  Out() << "externalWavPath=" << s.externalWavPath << "\n";
  Out() << "nowPlayingText=" << s.nowPlayingText << "\n";
  Out() << "entryCount=" << s.entryCount << "\n";
  Out() << "currentIndex=" << s.currentIndex << "\n";
  Out() << "isAiff=" << s.isAiff << "\n";
  Out() << "isAu=" << s.isAu << "\n";
  Out() << "isVoc=" << s.isVoc << "\n";
  Out() << "isHtk=" << s.isHtk << "\n";
  Out() << "isCaf=" << s.isCaf << "\n";
  Out() << "isPaf=" << s.isPaf << "\n";
  Out() << "isPvf=" << s.isPvf << "\n";
  Out() << "isSph=" << s.isSph << "\n";
  Out() << "isRiff=" << s.isRiff << "\n";
}

// Plays what the command just handed to the program's sound service, as the
// Windows program's asynchronous call would, and returns when it has finished.
void PlayWhatWasHandedOver(const KvpRequest& request, const std::string& name) {
  const std::vector<std::string> handed = HeadlessCallsOf("sound-file");
  if (!request.playSound || host->playWave == nullptr || handed.empty()) return;
  host->playWave(handed.back(), name);
}

// Loads the container as File > Load_KVF would; list prints its rows too.
bool LoadContainerFrom(const std::string& path, bool printRows) {
  HeadlessQueueDialogAnswer(FullPath(path));
  if (!printRows) return Send(CMD_LOAD_KVF, "loading " + path) && !appState.loadedContainerPath.empty();
  HeadlessClearCalls();
  MainWindowProc(appState.hwndMain, MESSAGE_COMMAND, CMD_LOAD_KVF, 0);
  for (const std::string& row : HeadlessListRows(appState.hwndEntryList)) Out() << row << "\n";
  for (const PlatformCall& call : HeadlessCalls()) {
    if (call.role == "message-box") Err() << call.detail << "\n";
  }
  Out() << PlatformGetWindowText(appState.hwndStatus) << "\n";
  return !appState.loadedContainerPath.empty();
}

int OpenExternalFile(const KvpRequest& request) {
  const AppState& s = appState;
  const std::string& file = request.args[0];
  const bool played = SendWithDialog(CMD_PLAY_EXTERNAL, FullPath(file), "Play_Wav of " + file);
  if (!played || s.conversionFailed != 0 || s.externalWavReady != 1) return KVP_REFUSED;
  if (request.exportAfterOpen) return StatusOf(Send(CMD_EXPORT_EXTERNAL, "Export > Wav (External)"));
  PlayWhatWasHandedOver(request, std::filesystem::path(file).filename().string());
  return KVP_DONE;
}

int AddFiles(const KvpRequest& request) {
  for (std::size_t i = 1; i < request.args.size(); ++i) {
    const std::string& file = request.args[i];
    if (!SendWithDialog(CMD_ADD_WAV, FullPath(file), "adding " + file)) return KVP_REFUSED;
  }
  return KVP_DONE;
}

// play or export of entry N, on a loaded container.
int PlayOrExportEntry(const KvpRequest& request) {
  const AppState& s = appState;
  const std::string& typed = request.args[1];
  const std::int32_t n = EntryNumber(typed);  // checked to be a number before
  if (n > s.entryCount) {
    const std::string count = std::to_string(s.entryCount);
    return Usage("entry " + typed + " is beyond the " + count + " entries of " + request.args[0]);
  }
  HeadlessSelectRow(s.hwndEntryList, n - 1);
  const bool sent = Send(IDC_ENTRY_LIST, "playing entry " + typed, LIST_SELECTION_CHANGED);
  const bool played = sent && s.wavTypeKnown == 1;
  if (request.command == "play") {
    // The list may hold fewer rows than the container holds entries (a lost or short name list): the entry is
    // named as the program's own lookup named it, or by its number.
    const std::string name = s.storedEntryName.empty() ? "entry " + std::to_string(n) : s.storedEntryName;
    if (played) PlayWhatWasHandedOver(request, name);
    return StatusOf(played);
  }
  // An entry of a type the program cannot play is still extracted, and the
  // program exports it as it is.
  if (s.storedEntryExtracted != 1) return KVP_REFUSED;
  return StatusOf(Send(CMD_EXPORT_CURRENT, "Export > Wav (Current)"));
}

// Runs one command on a started program; its exit status.
int RunCommand(const KvpRequest& request) {
  const AppState& s = appState;
  const std::string& command = request.command;
  if (command == "new") {
    PlatformSetControlText(s.hwndExportWindow, IDC_EXPORT_NAME, request.args[0]);
    return StatusOf(Send(IDC_EXPORT_BUTTON, "new container " + request.args[0]));
  }
  if (command == "open") return OpenExternalFile(request);
  if (!LoadContainerFrom(request.args[0], command == "list")) return KVP_REFUSED;
  if (command == "list") return KVP_DONE;
  if (command == "add") return AddFiles(request);
  if (command == "export-all") return StatusOf(Send(CMD_EXPORT_ALL, "Export > Wav (En_Mass)"));
  if (command == "share") return StatusOf(Send(CMD_SHARE_CURRENT, "Share > Kvf/Dat (Current)"));
  return PlayOrExportEntry(request);
}

// Reads the options and words; an empty text, or the usage mistake found.
std::string ParseArguments(const std::vector<std::string>& arguments, KvpRequest& request) {
  std::vector<std::string> words;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& arg = arguments[i];
    const bool startsLikeOption = arg.size() > 1 && arg[0] == '-' && (arg[1] < '0' || arg[1] > '9');
    if (arg == "--help" || arg == "-h") {
      request.helpWanted = true;
      return "";
    } else if (arg == "--program-dir" || arg == "--documents-dir") {
      if (i + 1 >= arguments.size() || arguments[i + 1].empty()) return arg + " needs a folder";
      ++i;
      const std::string folder = FullPath(arguments[i]);
      if (arg == "--program-dir") {
        request.programFolder = folder;
        request.programFolderGiven = true;
      } else {
        request.documentsFolder = folder;
      }
    } else if (arg == "--pcm") {
      request.savePcm = true;
    } else if (arg == "--documents") {
      request.saveInDocuments = true;
    } else if (arg == "--state") {
      request.printState = true;
    } else if (arg == "--no-sound") {
      request.playSound = false;
    } else if (arg == "--export") {
      request.exportAfterOpen = true;
    } else if (startsLikeOption) {
      return "unknown option '" + arg + "'";
    } else {
      words.push_back(arg);
    }
  }
  if (words.empty()) return "no command given";
  request.command = words[0];
  request.args.assign(words.begin() + 1, words.end());
  const CommandShape* shape = nullptr;
  for (const CommandShape& candidate : COMMANDS) {
    if (request.command + " " == std::string(candidate.synopsis).substr(0, request.command.size() + 1)) {
      shape = &candidate;
    }
  }
  if (shape == nullptr) return "unknown command '" + request.command + "'";
  if (request.args.size() < shape->minArgs || request.args.size() > shape->maxArgs) {
    return "wrong arguments for " + request.command + ": kvp " + shape->synopsis;
  }
  if (request.exportAfterOpen && request.command != "open") return "--export goes with open only";
  const bool takesEntry = request.command == "play" || request.command == "export";
  if (takesEntry && EntryNumber(request.args[1]) == 0) {
    return "'" + request.args[1] + "' is not an entry number (1, 2, ...)";
  }
  return "";
}

// Starts the program on the request's folders, as its start-up would.
void StartProgram(const KvpRequest& request) {
  const std::filesystem::path programFolder = request.programFolder;
  if (!request.programFolderGiven) {  // the user's data folder is laid out as an installation would be
    std::error_code error;
    std::filesystem::create_directories(programFolder / "Export" / "Conversions", error);
  }
  HeadlessReset((programFolder / "kvp").string(), request.documentsFolder);
  InitializeAppState();
  SetUpProgramPaths();
  CreateProgramWindows();
  if (request.savePcm) Send(CMD_SAVE_AS_PCM, "Options > Save as Pcm");
  if (request.saveInDocuments) Send(CMD_SAVE_IN_DOCUMENTS, "Options > Save in Documents");
}

}  // namespace

int RunKvp(const std::vector<std::string>& arguments, const KvpHost& kvpHost) {
  host = &kvpHost;
  KvpRequest request;
  request.programFolder = kvpHost.programFolderDefault;
  request.documentsFolder = kvpHost.documentsDefault;
  const std::string mistake = ParseArguments(arguments, request);
  if (request.helpWanted) {
    Out() << USAGE << "\nThis kvp's program folder: " << request.programFolder << "\n";
    return KVP_DONE;
  }
  if (!mistake.empty()) return Usage(mistake);
  StartProgram(request);
  const int status = RunCommand(request);
  if (request.printState) PrintState();
  return status;
}

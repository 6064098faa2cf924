// kvp: the program's commands from a shell. Each subcommand sends the very
// commands a user would give through the window procedure, over the headless
// platform backend, answering the open dialogs with its arguments. Every
// status text the program shows is printed on standard output, message boxes
// on standard error.
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "platform/headless.h"
#ifndef _WIN32
#include <unistd.h>

#include "platform/linux_sound.h"
#endif
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

using Strings = std::vector<std::string>;

const char* const USAGE_HINT = "usage: kvp [OPTIONS] COMMAND ARGS (kvp --help explains them)\n";

std::filesystem::path SelfPath(const char* argv0) {
  std::error_code error;
#ifndef _WIN32
  std::filesystem::path self = std::filesystem::canonical("/proc/self/exe", error);
  if (!error) return self;
#endif
  return std::filesystem::absolute(argv0, error);
}

// The program folder when none is given: the folder of this kvp file, as
// for a build or a copied installation, while it holds a writable
// Export/Conversions; otherwise (an installed kvp cannot write beside
// itself) the user's data folder for the program.
std::filesystem::path ProgramFolderDefault(const char* argv0) {
  const std::filesystem::path beside = SelfPath(argv0).parent_path();
#ifdef _WIN32
  return beside;
#else
  if (access((beside / "Export" / "Conversions").c_str(), W_OK) == 0) return beside;
  const char* data = std::getenv("XDG_DATA_HOME");
  const char* home = std::getenv("HOME");
  const std::filesystem::path base = data != nullptr && *data == '/' ? std::filesystem::path(data)
                                     : std::filesystem::path(home != nullptr ? home : ".") / ".local" / "share";
  return base / "korvel-player";
#endif
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

std::string FullPath(const std::string& path) {
  std::error_code error;
  std::filesystem::path full = std::filesystem::absolute(path, error);
  return error ? path : full.string();
}

// A usage mistake: one line naming it, the hint, status 2.
int Usage(const std::string& mistake) {
  std::cerr << "kvp: " << mistake << "\n" << USAGE_HINT;
  return 2;
}

// An entry number as typed: decimal digits only, from 1 to INT32_MAX; 0 when it is none.
std::int32_t EntryNumber(const std::string& text) {
  if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != std::string::npos) return 0;
  const long long n = std::stoll(text);
  return n > INT32_MAX ? 0 : static_cast<std::int32_t>(n);
}

bool IsWaitText(const std::string& text) {
  return text.find_first_not_of(' ') == std::string::npos || text.find("please, wait") != std::string::npos;
}

// Sends a command and prints what it showed; true when it was not refused.
// A refusal that the program gives with a beep alone is named on standard
// error as what.
bool Send(int command, const std::string& what, unsigned notification = 0) {
  HeadlessClearCalls();
  MainWindowProc(appState.hwndMain, MESSAGE_COMMAND, static_cast<std::uintptr_t>(command) | (notification << 16), 0);
  const std::string statusPrefix = std::to_string(reinterpret_cast<std::uintptr_t>(appState.hwndStatus)) + " ";
  bool refused = false;
  std::string lastText;
  for (const PlatformCall& call : HeadlessCalls()) {
    if (call.role == "window-text" && call.detail.compare(0, statusPrefix.size(), statusPrefix) == 0) {
      lastText = call.detail.substr(statusPrefix.size());
      if (!lastText.empty()) std::cout << lastText << "\n";
    } else if (call.role == "message-box") {
      std::cerr << call.detail << "\n";
      lastText = call.detail;
    } else if (call.role == "beep" && call.detail == "default") {
      refused = true;
    }
  }
  if (refused && IsWaitText(lastText)) std::cerr << "kvp: refused: " << what << "\n";
  return !refused;
}

bool SendWithDialog(int command, const std::string& answer, const std::string& what) {
  HeadlessQueueDialogAnswer(answer);
  return Send(command, what);
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

struct CommandShape {
  const char* name;
  std::size_t minArgs, maxArgs;
  const char* synopsis;
};

const CommandShape COMMANDS[] = {
    {"new", 1, 1, "new NAME"},          {"list", 1, 1, "list CONTAINER"},
    {"add", 2, SIZE_MAX, "add CONTAINER FILE..."}, {"play", 2, 2, "play CONTAINER N"},
    {"export", 2, 2, "export CONTAINER N"},        {"export-all", 1, 1, "export-all CONTAINER"},
    {"share", 1, 1, "share CONTAINER"},  {"open", 1, 1, "open FILE [--export]"},
};

bool soundWanted = true;

#ifdef _WIN32
// The Windows build of kvp prepares waves only; the Windows program plays them.
void PlayWhatWasHandedOver(const std::string&) {}
#else
volatile std::sig_atomic_t interruptRequested = 0;
std::string playingName;

void ShowProgress(double elapsed, double total) {
  auto clock = [](double seconds) {
    const long whole = static_cast<long>(seconds);
    return std::to_string(whole / 60) + ":" + (whole % 60 < 10 ? "0" : "") + std::to_string(whole % 60);
  };
  std::cerr << "\r\033[K" << playingName << "  " << clock(elapsed) << " / " << clock(total) << std::flush;
}

// Plays on the default sound output what the command just handed to the
// program's sound service, as the Windows program's asynchronous call would,
// and returns when it has finished. Ctrl-C stops it and ends kvp with 130.
void PlayWhatWasHandedOver(const std::string& name) {
  const Strings handed = HeadlessCallsOf("sound-file");
  if (!soundWanted || handed.empty()) return;
  playingName = name;
  struct sigaction interrupt = {}, previous = {};
  interrupt.sa_handler = [](int) { interruptRequested = 1; };
  sigaction(SIGINT, &interrupt, &previous);  // no SA_RESTART: a blocked write returns at once
  const bool terminal = isatty(STDERR_FILENO) != 0;
  const SoundPlayback playback = LinuxPlayWaveFile(handed.back(), interruptRequested, terminal ? ShowProgress : nullptr);
  sigaction(SIGINT, &previous, nullptr);
  if (terminal) std::cerr << "\r\033[K" << std::flush;
  if (playback.interrupted) std::exit(130);
  if (!playback.error.empty()) std::cerr << "kvp: cannot play " << name << ": " << playback.error << "\n";
}
#endif

// Loads the container as File > Load_KVF would; list prints its rows too.
bool LoadContainerFrom(const std::string& path, bool printRows) {
  HeadlessQueueDialogAnswer(FullPath(path));
  if (!printRows) return Send(CMD_LOAD_KVF, "loading " + path) && !appState.loadedContainerPath.empty();
  HeadlessClearCalls();
  MainWindowProc(appState.hwndMain, MESSAGE_COMMAND, CMD_LOAD_KVF, 0);
  for (const std::string& row : HeadlessListRows(appState.hwndEntryList)) std::cout << row << "\n";
  for (const PlatformCall& call : HeadlessCalls()) {
    if (call.role == "message-box") std::cerr << call.detail << "\n";
  }
  std::cout << PlatformGetWindowText(appState.hwndStatus) << "\n";
  return !appState.loadedContainerPath.empty();
}

// Runs one command on a started program; its exit status.
int RunCommand(const std::string& command, const std::vector<std::string>& args, bool exportAfterOpen) {
  const AppState& s = appState;
  if (command == "new") {
    PlatformSetControlText(s.hwndExportWindow, IDC_EXPORT_NAME, args[0]);
    return Send(IDC_EXPORT_BUTTON, "new container " + args[0]) ? 0 : 1;
  }
  if (command == "open") {
    if (!SendWithDialog(CMD_PLAY_EXTERNAL, FullPath(args[0]), "Play_Wav of " + args[0]) ||
        s.conversionFailed != 0 || s.externalWavReady != 1) {
      return 1;
    }
    if (!exportAfterOpen) PlayWhatWasHandedOver(std::filesystem::path(args[0]).filename().string());
    return !exportAfterOpen || Send(CMD_EXPORT_EXTERNAL, "Export > Wav (External)") ? 0 : 1;
  }
  if (!LoadContainerFrom(args[0], command == "list")) return 1;
  if (command == "list") return 0;
  if (command == "add") {
    for (std::size_t i = 1; i < args.size(); ++i) {
      if (!SendWithDialog(CMD_ADD_WAV, FullPath(args[i]), "adding " + args[i])) return 1;
    }
    return 0;
  }
  if (command == "export-all") return Send(CMD_EXPORT_ALL, "Export > Wav (En_Mass)") ? 0 : 1;
  if (command == "share") return Send(CMD_SHARE_CURRENT, "Share > Kvf/Dat (Current)") ? 0 : 1;

  const std::int32_t n = EntryNumber(args[1]);  // play or export; the number was checked before
  if (n > s.entryCount) {
    return Usage("entry " + args[1] + " is beyond the " + std::to_string(s.entryCount) + " entries of " + args[0]);
  }
  HeadlessSelectRow(s.hwndEntryList, n - 1);
  const bool played = Send(IDC_ENTRY_LIST, "playing entry " + args[1], LIST_SELECTION_CHANGED) &&
                      s.wavTypeKnown == 1;
  if (command == "play") {
    if (played) PlayWhatWasHandedOver(HeadlessListRows(s.hwndEntryList).at(static_cast<std::size_t>(n - 1)));
    return played ? 0 : 1;
  }
  // An entry of a type the program cannot play is still extracted, and the
  // program exports it as it is.
  if (s.storedEntryExtracted != 1) return 1;
  return Send(CMD_EXPORT_CURRENT, "Export > Wav (Current)") ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::filesystem::path programFolder = ProgramFolderDefault(argv[0]);
  std::string documents = DocumentsDefault();
  bool programFolderGiven = false, pcm = false, inDocuments = false, printState = false, exportAfterOpen = false;
  std::vector<std::string> words;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::cout << USAGE << "\nThis kvp's program folder: " << programFolder.string() << "\n";
      return 0;
    } else if (arg == "--program-dir" || arg == "--documents-dir") {
      if (i + 1 >= argc || argv[i + 1][0] == '\0') return Usage(arg + " needs a folder");
      const std::string dir = FullPath(argv[++i]);
      if (arg == "--program-dir") {
        programFolder = dir;
        programFolderGiven = true;
      } else {
        documents = dir;
      }
    } else if (arg == "--pcm") {
      pcm = true;
    } else if (arg == "--documents") {
      inDocuments = true;
    } else if (arg == "--state") {
      printState = true;
    } else if (arg == "--no-sound") {
      soundWanted = false;
    } else if (arg == "--export") {
      exportAfterOpen = true;
    } else if (arg.size() > 1 && arg[0] == '-' && !std::isdigit(static_cast<unsigned char>(arg[1]))) {
      return Usage("unknown option '" + arg + "'");
    } else {
      words.push_back(arg);
    }
  }
  if (words.empty()) return Usage("no command given");
  const std::string command = words[0];
  const std::vector<std::string> args(words.begin() + 1, words.end());
  const CommandShape* shape = nullptr;
  for (const CommandShape& candidate : COMMANDS) {
    if (command == candidate.name) shape = &candidate;
  }
  if (shape == nullptr) return Usage("unknown command '" + command + "'");
  if (args.size() < shape->minArgs || args.size() > shape->maxArgs) {
    return Usage("wrong arguments for " + command + ": kvp " + shape->synopsis);
  }
  if (exportAfterOpen && command != "open") return Usage("--export goes with open only");
  if ((command == "play" || command == "export") && EntryNumber(args[1]) == 0) {
    return Usage("'" + args[1] + "' is not an entry number (1, 2, ...)");
  }

  if (!programFolderGiven) {  // the user's data folder is laid out as an installation would be
    std::error_code error;
    std::filesystem::create_directories(programFolder / "Export" / "Conversions", error);
  }
  HeadlessReset((programFolder / "kvp").string(), documents);
  InitializeAppState();
  SetUpProgramPaths();
  CreateProgramWindows();
  if (pcm) Send(CMD_SAVE_AS_PCM, "Options > Save as Pcm");
  if (inDocuments) Send(CMD_SAVE_IN_DOCUMENTS, "Options > Save in Documents");
  const int status = RunCommand(command, args, exportAfterOpen);
  if (printState) PrintState();
  return status;
}

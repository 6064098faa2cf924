#include "app/kvp_commands.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/kept_start.h"
#include "app/kvp_arguments.h"
#include "app/kvp_container_tools.h"
#include "platform/console.h"
#include "platform/headless.h"
#include "shell/main_window.h"
#include "shell/program_windows.h"
#include "state/app_state.h"
#include "state/commands.h"

namespace {

const KvpHost* host = nullptr;

std::ostream& Out() { return *host->out; }
std::ostream& Err() { return *host->err; }

// A usage mistake: one line naming it, the hint, status 2.
int Usage(const std::string& mistake) {
  Err() << "kvp: " << mistake << "\n" << KVP_USAGE_HINT;
  return KVP_USAGE;
}

int StatusOf(bool done) { return done ? KVP_DONE : KVP_REFUSED; }

bool IsWaitText(const std::string& text) {
  const bool blank = text.find_first_not_of(' ') == std::string::npos;
  return blank || text.find("please, wait") != std::string::npos;
}

// Sends a command to the main window; the console prints what it shows
// meanwhile, and notes its beeps, last text and the wave it hands over.
void Deliver(int command, unsigned notification = 0) {
  ConsoleForgetNoted();
  const std::uintptr_t wParam = static_cast<std::uintptr_t>(command) | (notification << 16);
  MainWindowProc(appState.hwndMain, MESSAGE_COMMAND, wParam, 0);
}

// Sends a command; true when the program did not refuse it with the default
// beep. A refusal that the program gives with a beep alone (its last text
// blank or a "please, wait") is named on standard error as what.
bool Send(int command, const std::string& what, unsigned notification = 0) {
  Deliver(command, notification);
  const bool refused = ConsoleBeeped(BeepKind::Default);
  if (refused && IsWaitText(ConsoleLastText())) Err() << "kvp: refused: " << what << "\n";
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
  const std::string handed = ConsoleHandedWave();
  if (!request.playSound || host->playWave == nullptr || handed.empty()) return;
  host->playWave(handed, name);
}

// Loads the container as File > Load_KVF would. list prints the rows the
// list holds once it is loaded (a failed load empties it again), then the
// status they end with.
bool LoadContainerFrom(const std::string& path, bool printRows) {
  HeadlessQueueDialogAnswer(KvpFullPath(path));
  if (!printRows) return Send(CMD_LOAD_KVF, "loading " + path) && !appState.loadedContainerPath.empty();
  ConsoleShowStatusTexts(false);
  Deliver(CMD_LOAD_KVF);
  ConsoleShowStatusTexts(true);
  ConsolePrintRows(appState.hwndEntryList);
  ConsolePrintStatusBox();
  return !appState.loadedContainerPath.empty();
}

int OpenExternalFile(const KvpRequest& request) {
  const AppState& s = appState;
  const std::string& file = request.args[0];
  const bool played = SendWithDialog(CMD_PLAY_EXTERNAL, KvpFullPath(file), "Play_Wav of " + file);
  if (!played || s.conversionFailed != 0 || s.externalWavReady != 1) return KVP_REFUSED;
  if (request.exportAfterOpen) return StatusOf(Send(CMD_EXPORT_EXTERNAL, "Export > Wav (External)"));
  PlayWhatWasHandedOver(request, FileNameOf(file));
  return KVP_DONE;
}

int AddFiles(const KvpRequest& request) {
  for (std::size_t i = 1; i < request.args.size(); ++i) {
    const std::string& file = request.args[i];
    if (!SendWithDialog(CMD_ADD_WAV, KvpFullPath(file), "adding " + file)) return KVP_REFUSED;
  }
  return KVP_DONE;
}

// play or export of entry N, on a loaded container.
int PlayOrExportEntry(const KvpRequest& request) {
  const AppState& s = appState;
  const std::string& typed = request.args[1];
  const std::int32_t n = KvpEntryNumber(typed);  // checked to be a number before
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

// Starts the program on the request's folders, as its start-up would.
void StartProgram(const KvpRequest& request) {
  static KeptStart kept;
  const std::string& programFolder = request.programFolder;
  if (!request.programFolderGiven) {  // the user's data folder is laid out as an installation would be
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(programFolder) / "Export" / "Conversions", error);
  }
  StartOrGoBack(kept, programFolder + '\n' + request.documentsFolder, [&] {
    HeadlessReset((std::filesystem::path(programFolder) / "kvp").string(), request.documentsFolder);
    HeadlessRecordCalls(false);  // kvp reads no record, and a long name list would add a line a row
    InitializeAppState();
    SetUpProgramPaths();
    CreateProgramWindows();
  });
  EnsureFolderExists(appState.documentsWavDir, "KVP_Wavs");  // what the start-up does on disk, done again
  ConsoleAttach(appState.hwndStatus, Out(), Err());
  if (request.savePcm) Send(CMD_SAVE_AS_PCM, "Options > Save as Pcm");
  if (request.saveInDocuments) Send(CMD_SAVE_IN_DOCUMENTS, "Options > Save in Documents");
}

}  // namespace

int RunKvp(const std::vector<std::string>& arguments, const KvpHost& kvpHost) {
  host = &kvpHost;
  KvpRequest request;
  request.programFolder = kvpHost.programFolderDefault;
  request.documentsFolder = kvpHost.documentsDefault;
  const std::string mistake = ParseKvpArguments(arguments, request);
  if (request.helpWanted) {
    Out() << KVP_HELP_TEXT << "\nThis kvp's program folder: " << request.programFolder << "\n";
    return KVP_DONE;
  }
  if (request.versionWanted) {
    Out() << "kvp (Korvel Player) " << KORVEL_VERSION << "\n";
    return KVP_DONE;
  }
  if (!mistake.empty()) return Usage(mistake);
  if (request.command == "check") return RunContainerCheck(request, Out());
  if (request.command == "repair") return RunContainerRepair(request, Out(), Err());
  StartProgram(request);
  const int status = RunCommand(request);
  ConsoleDetach();
  appState.containerFile.reset();  // the run is over: its host may move or remove the container
  if (request.printState) PrintState();
  return status;
}

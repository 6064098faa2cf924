// Loading a container (File > Load_KVF) and adding a file to it
// (Wavs > Add_Wav), with their command frames.
#include "library/load_and_add.h"

#include "io/file_io.h"
#include "io/text_tokens.h"
#include "library/container.h"
#include "state/app_state.h"
#include "state/commands.h"
#include "state/feedback.h"
#include "state/play_timer.h"

namespace {

constexpr int NAME_KEY_COLUMNS = 9;  // a blank and the 8-character key text open line 1 of a pair

// The container-dependent menu items, grayed until the first load.
void EnableContainerMenus() {
  PlatformEnableMenuItem(appState.menuWavs, CMD_ADD_WAV, true);
  PlatformEnableMenuItem(appState.menuExport, CMD_EXPORT_CURRENT, true);
  PlatformEnableMenuItem(appState.menuExport, CMD_EXPORT_ALL, true);
  PlatformEnableMenuItem(appState.menuShare, CMD_SHARE_CURRENT, true);
}

// Forgets the loaded container: after a failed load nothing is current.
void ForgetContainer() {
  AppState& s = appState;
  s.containerFile.reset();
  s.loadedContainerPath.clear();
  s.loadPickedPath.clear();
  s.containerPath.clear();
  s.datPath.clear();
  s.containerTitle.clear();
  s.containerSize = 0;
  s.containerTooLarge = 0;
  s.entryCount = 0;
  s.currentIndex = 0;
  PlatformListClear(s.hwndEntryList);
}

std::int32_t EntryCountOf(std::FILE* kvf) {
  std::uint32_t count = 0;
  return ReadEntryCount(kvf, count) ? static_cast<std::int32_t>(count) : 0;
}

}  // namespace

void LoadContainer() {
  AppState& s = appState;
  s.containerTooLarge = 0;
  std::string chosen = PlatformAskOpenFileName(s.hwndMain, "KVF File (*.kvf)", "*.kvf");
  if (chosen.empty()) return;
  // A pin chose an entry of the container that was loaded before.
  s.indexPinned = 0;
  s.loadedContainerPath = chosen;
  s.loadPickedPath = chosen;
  s.containerFile.reset();
  // One opening serves the measure and every read after it.
  Stream container = OpenStream(chosen, "rb");
  std::int64_t size = container ? MeasureStream(container.get()) : -1;
  s.containerSize = static_cast<std::int32_t>(size > INT32_MAX ? INT32_MAX : size < 0 ? 0 : size);
  if (size > LARGE_CONTAINER_BYTES) s.containerTooLarge = 1;
  s.containerPath = chosen;
  s.containerTitle = ContainerTitleOf(chosen);
  s.datPath = CompanionDatPath(chosen);
  FillPlaylist();
  s.containerFile = std::move(container);
  if (!s.containerFile) {
    PlatformMessageBox(nullptr, "Could not find, or open selected file. ..", "Kor_Vel_Player");
    ForgetContainer();
    return;
  }
  std::int32_t count = EntryCountOf(s.containerFile.get());
  SeekStream(s.containerFile.get(), 0);
  s.loadStatusText = "There are 0 to " + std::to_string(count) + " valid entries within .kvf file";
  s.entryCount = count;
  s.currentIndex = 0;
}

void FillPlaylist() {
  AppState& s = appState;
  Stream list = OpenStream(s.datPath, "rb");
  s.nameSourceMode = list ? 1 : 2;  // the entries are named by the list shown, or by CrcLog.dat
  if (!list) {
    PlatformListAddRow(s.hwndEntryList, "No playlist was found for selected .kvf file . . .");
    return;
  }
  TokenReader reader;
  reader.file = list.get();
  std::string line;
  std::string second;
  while (ReadToken(reader, '\n', line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();  // lists are written with CR LF
    PlatformListAddRow(s.hwndEntryList, line.size() > NAME_KEY_COLUMNS ? line.substr(NAME_KEY_COLUMNS) : "");
    ReadToken(reader, '\n', second);
  }
}

void LoadContainerCommand() {
  AppState& s = appState;
  StopPlayAnimationIfRunning();
  PlayStartSound();
  PlatformListClear(s.hwndEntryList);
  LoadContainer();
  PlayFinishSound();
  if (s.loadPickedPath.empty()) {
    ShowStatus("Operation aborted . . .");
    return;
  }
  EnableContainerMenus();
  ShowStatus(s.loadStatusText + (s.containerTooLarge == 1 ? s.msgFileTooLarge : std::string()));
  s.loadPickedPath.clear();
  PlatformSetControlText(s.hwndMain, IDC_ENTRY_NUMBER, std::to_string(s.currentIndex));
}

void AddWaveToContainer() {
  AppState& s = appState;
  std::string chosen = PlatformAskOpenFileName(
      s.hwndMain, "Wav Files (*.wav, *.aiff, *.aif, *.au, *voc, *htk, *caf, *paf, *pvf, *sph, *snd) ",
      "* .wav;* .aiff;* .aif;* au;* voc;* htk;* caf;* paf;* pvf;* sph;* snd");
  if (chosen.empty()) return;
  ShowStatus("");
  ShowStatus("Adding wav . . . please, wait . . .");
  PlatformRepaint(s.hwndMain);
  s.addWavPickedPath = chosen;
  s.addedWavName = FileNameOf(chosen);
  s.logWavName = s.addedWavName;
  AppendEntryToContainer();
  PlatformListClear(s.hwndEntryList);
  FillPlaylist();
}

void AddWavCommand() {
  AppState& s = appState;
  if (s.entryCount > MAX_ENTRIES - 1) {
    RefuseCommand();
    ShowStatus("The selected KVF has reached its entry limits. No further wave files can be added . . .");
    return;
  }
  if (!s.containerFile) {
    RefuseCommand();
    ShowStatus("You must select (load) a KorvelFile (.kvf) before adding a wave file . . .");
    return;
  }
  StopPlayAnimationIfRunning();
  PlayStartSound();
  s.entryAppended = 0;
  AddWaveToContainer();
  PlayFinishSound();
  if (s.addWavPickedPath.empty()) {
    ShowStatus("Operation aborted . . .");
  } else if (s.entryAppended == 1) {
    ShowStatus("The wav file labeled ' " + s.addedWavName + " ' has been added to slected kvf file . . ");
  } else {
    RefuseCommand();
    ShowStatus(MSG_CREATION_FAILED);
  }
  s.addWavPickedPath.clear();
  Stream kvf = OpenStream(s.loadedContainerPath, "rb");
  std::uint32_t count = 0;
  if (kvf && ReadEntryCount(kvf.get(), count)) {
    s.entryCount = static_cast<std::int32_t>(count);
  } else {
    s.entryCount += s.entryAppended;  // what the add left in the file, though it cannot be read back now
  }
}

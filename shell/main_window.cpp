#include "shell/main_window.h"

#include "library/export_and_share.h"
#include "library/external_play.h"
#include "library/load_and_add.h"
#include "library/new_container.h"
#include "shell/current_entry.h"
#include "shell/options.h"
#include "state/app_state.h"
#include "state/commands.h"
#include "state/feedback.h"
#include "state/play_timer.h"
#include "state/shutdown.h"

namespace {

constexpr std::int32_t EXPORT_PROGRESS_THRESHOLD = 500000;  // bytes; larger containers get a progress text

unsigned LowWord(std::uintmax_t value) { return static_cast<unsigned>(value & 0xFFFF); }
unsigned HighWord(std::uintmax_t value) { return static_cast<unsigned>((value >> 16) & 0xFFFF); }

bool ContainerLoaded() { return appState.loadedContainerPath.size() > 1; }

void DispatchCommand(unsigned command, unsigned notification) {
  switch (command) {
    case CMD_ADD_WAV:
      AddWavCommand();
      break;
    case CMD_LOAD_KVF:
      LoadContainerCommand();
      break;
    case CMD_HELP_FILES:
      OpenHelpFile();
      break;
    case IDC_EXPORT_BUTTON:
      CreateNewContainer();
      break;
    case CMD_PLAY_EXTERNAL:
      PlayExternalCommand();
      break;
    case CMD_EXPORT_CURRENT:
      ExportCurrentWav();
      break;
    case IDC_NEXT:
      StepToNextEntry();
      break;
    case IDC_PREVIOUS:
      StepToPreviousEntry();
      break;
    case IDC_REPLAY:
      ReplayLastEntry();
      break;
    case IDC_CLEAR_STATUS:
      ClearStatus();
      break;
    case CMD_EXPORT_ALL:
      ExportAllCommand();
      break;
    case IDC_SET_ID:
      PinEntryNumber();
      break;
    case IDC_STOP:
      StopPlayback();
      break;
    case IDC_ENTRY_LIST:
      if (notification == LIST_SELECTION_CHANGED) PlayListSelection();
      break;
    case CMD_SAVE_AS_PCM:
      SetExportAsPcm();
      break;
    case CMD_SAVE_AS_ORG:
      SetExportAsOriginal();
      break;
    case CMD_NEW_KVF:
      ShowExportWindow();
      break;
    case IDC_EXPORT_CANCEL:
      HideExportWindow();
      break;
    case CMD_SHARE_CURRENT:
      ShareCurrentContainer();
      break;
    case CMD_EXPORT_EXTERNAL:
      ExportExternalWav();
      break;
    case CMD_SAVE_IN_DOCUMENTS:
      SetSaveInDocuments();
      break;
    case CMD_SAVE_IN_DEFAULT:
      SetSaveInDefault();
      break;
    case CMD_QUICK_START:
      ShowQuickStart();
      break;
    case IDC_QUICK_START_CLOSE:
      HideQuickStart();
      break;
    default:
      break;
  }
}

}  // namespace

std::intptr_t MainWindowProc(WindowHandle window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
  switch (message) {
    case MESSAGE_DESTROY:
      ShutDownProgram();
      return 0;
    case MESSAGE_COMMAND:
      DispatchCommand(LowWord(wParam), HighWord(wParam));
      break;
    case MESSAGE_TIMER:
      OnPlayTimerTick();
      return 0;
    case MESSAGE_MOUSE_MOVE:
      UpdateStopHint(window, static_cast<int>(LowWord(static_cast<std::uintmax_t>(lParam))),
                     static_cast<int>(HighWord(static_cast<std::uintmax_t>(lParam))));
      return 0;
    default:
      break;
  }
  return PlatformDefaultWindowProc(window, message, wParam, lParam);
}

void OpenHelpFile() {
  if (PlatformShellOpen(appState.helpFilePath) <= 32) {
    PlatformMessageBox(nullptr, "Help file could not be opened...", "Error - Korvel_Player");
  }
}

void PlayExternalCommand() {
  AppState& s = appState;
  s.externalFilePicked = 0;
  StopPlayAnimationIfRunning();
  PlayStartSound();
  s.replayMode = 0;
  OpenExternalAudioFile();
  // The clock runs only for a file that was really handed to the sound service.
  if (s.externalFileBusy == 0 && s.conversionFailed == 0 && s.externalFilePicked == 1 && s.externalWavReady == 1) {
    StartPlayAnimation();
  }
}

void ClearStatus() { ShowStatus(" "); }

void ExportAllCommand() {
  AppState& s = appState;
  if (!ContainerLoaded()) {
    RefuseCommand();
    return;
  }
  if (s.containerSize > EXPORT_PROGRESS_THRESHOLD) {
    StopPlayAnimationIfRunning();
    EnsureFolderExists(s.documentsWavDir, "KVP_Wavs");
    PlayFinishSound();
    ShowStatus("Exports in progress . . .");
    PlatformRepaint(s.hwndStatus);
  }
  ExportAllEntries();
  PlayFinishSound();
  if (s.exportsFailed == 1) {
    RefuseCommand();
    ShowStatus(MSG_CREATION_FAILED);
  } else {
    ShowStatus(s.saveInDocuments == 0 ? "Completed. All wav files exported to program's directory"
                                      : "Completed. All wav files exported to Documents\\KVP_Wavs");
  }
}

void ShowExportWindow() { PlatformShowWindow(appState.hwndExportWindow, SHOW_PLAIN); }

void HideExportWindow() { PlatformHideWindow(appState.hwndExportWindow); }

void ShowQuickStart() { PlatformShowWindow(appState.hwndQuickStart, SHOW_PLAIN); }

void HideQuickStart() { PlatformHideWindow(appState.hwndQuickStart); }

void UpdateStopHint(WindowHandle window, int x, int y) {
  AppState& s = appState;
  if (PlatformPointInControl(window, x, y, s.hwndStopHintZone)) {
    PlatformShowWindow(s.hwndStopHint, SHOW_PLAIN);
    s.stopHintShown = 1;
  } else if (s.stopHintShown == 1) {
    PlatformHideWindow(s.hwndStopHint);
    s.stopHintShown = 0;
  }
}

#include "shell/current_entry.h"

#include "io/text_tokens.h"
#include "library/stored_play.h"
#include "state/app_state.h"
#include "state/commands.h"
#include "state/feedback.h"
#include "state/play_timer.h"

namespace {

bool ContainerLoaded() { return appState.loadedContainerPath.size() > 1; }

void ShowEntryNumber() {
  PlatformSetControlText(appState.hwndMain, IDC_ENTRY_NUMBER, std::to_string(appState.currentIndex));
}

// S4: an entry that could not be prepared.
void ReportUnknownType() {
  if (appState.wavTypeKnown == 1) return;
  RefuseCommand();
  ShowStatus("Unidentified wav_type. Play may have failed . . .");
}

void PlayPreparedWave() {
  PlatformPlaySoundFile(appState.playWavPath, SoundFallback::DefaultSound);
  StartPlayAnimation();
}

}  // namespace

void StartStoredPlay() {
  AppState& s = appState;
  StopPlayAnimationIfRunning();
  s.replayMode = 0;
  PlayFinishSound();
  ShowStatus("Loading wav . . . please, wait . . .");
  PlatformRepaint(s.hwndStatus);
  PlayStoredEntry();
  if (s.wavTypeKnown == 1) {
    s.nowPlayingText += " Duration: " + s.durationText;
    ShowStatus(s.nowPlayingText);
    PlayPreparedWave();
  }
}

void StepToNextEntry() {
  AppState& s = appState;
  if (!ContainerLoaded() || s.currentIndex >= s.entryCount) {
    RefuseCommand();
    return;
  }
  if (s.indexPinned == 0) ++s.currentIndex;
  StartStoredPlay();
  ShowEntryNumber();
  ReportUnknownType();
}

void StepToPreviousEntry() {
  AppState& s = appState;
  if (!ContainerLoaded() || s.currentIndex <= 1) {
    RefuseCommand();
    return;
  }
  if (s.indexPinned == 0) --s.currentIndex;
  s.indexPinned = 0;
  StartStoredPlay();
  ShowEntryNumber();
  ReportUnknownType();
}

void PlayListSelection() {
  AppState& s = appState;
  StopPlayAnimationIfRunning();
  const int row = PlatformListSelection(s.hwndEntryList);
  if (row < 0) return;  // nothing is selected: there is no entry to play
  s.currentIndex = row + 1;
  ShowEntryNumber();
  StartStoredPlay();
  ReportUnknownType();
}

void PinEntryNumber() {
  AppState& s = appState;
  if (!ContainerLoaded()) {
    RefuseCommand();
    return;
  }
  const std::string text = PlatformGetControlText(s.hwndMain, IDC_ENTRY_NUMBER);
  const std::int32_t n = text.empty() ? 0 : LeadingInteger(text);
  if (n >= 1 && n < s.entryCount) {
    s.currentIndex = n;
    s.indexPinned = 1;
    return;
  }
  RefuseCommand();
  ShowStatus("The index number you have entered is out of range, or is set to last entry (not allowed)");
}

void ReplayLastEntry() {
  AppState& s = appState;
  StopPlayAnimationIfRunning();
  if (!ContainerLoaded() || s.currentIndex <= 0) {
    RefuseCommand();
    return;
  }
  s.replayMode = 1;
  StartPlayAnimation();
  PlatformPlaySoundFile(s.playWavPath, SoundFallback::DefaultSound);
}

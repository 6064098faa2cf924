#include "state/feedback.h"

#include "state/app_state.h"
#include "state/commands.h"

void ShowStatus(const std::string& text) { PlatformSetWindowText(appState.hwndStatus, text); }

void RefuseCommand() { PlatformBeep(BeepKind::Default); }

void PlayStartSound() { PlatformPlaySoundResource(SOUND_START); }

void PlayFinishSound() { PlatformPlaySoundResource(SOUND_FINISH); }

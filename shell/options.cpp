#include "shell/options.h"

#include "state/app_state.h"
#include "state/feedback.h"

namespace {

// Every option command sets its switch, gives the asterisk beep and names the
// new setting; choosing the active setting again does the same.
void SetOption(std::int32_t& option, std::int32_t value, const char* text) {
  option = value;
  PlatformBeep(BeepKind::Asterisk);
  ShowStatus(text);
}

}  // namespace

void SetExportAsPcm() { SetOption(appState.exportAsPcm, 1, "Option set:  Export single wavs as pcm . . ."); }

void SetExportAsOriginal() {
  SetOption(appState.exportAsPcm, 0, "Option set:  Export single wavs in original format . . .");
}

void SetSaveInDocuments() {
  SetOption(appState.saveInDocuments, 1, "Option Set: stored wav files will export to Documents\\KVP_Wavs");
}

void SetSaveInDefault() {
  SetOption(appState.saveInDocuments, 0,
            "Option Set: stored wav files will export to default directory, Korvel_Player\\Export");
}

#include "state/shutdown.h"

#include "state/app_state.h"
#include "state/play_timer.h"

void ShutDownProgram() {
  AppState& s = appState;
  s.containerFile.reset();
  StopPlayAnimationIfRunning();
  for (BitmapHandle* bitmap :
       {&s.bmpMenuLoad, &s.bmpMenuWav, &s.bmpMenuKvf, &s.bmpMenuExportCurrent, &s.bmpMenuExportAll, &s.bmpMenuOption}) {
    PlatformReleaseBitmap(*bitmap);
    *bitmap = nullptr;
  }
  PlatformPostQuit(0);
}

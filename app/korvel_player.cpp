// Korvel Player for the Windows desktop: start-up, the windows, the message
// loop. Everything the program does happens in the core, reached through the
// window procedure; this file only runs the steps in order.
#include <windows.h>

#include "shell/program_windows.h"
#include "state/app_state.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand) {
  InitializeAppState();
  appState.showCommand = showCommand;
  SetUpProgramPaths();
  if (!CreateProgramWindows()) return 0;
  return PlatformRunMessageLoop();
}

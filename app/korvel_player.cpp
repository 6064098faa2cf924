// Korvel Player for the Windows desktop: start-up, the windows, the message
// loop. Everything the program does happens in the core, reached through the
// window procedure; this file only runs the steps in order.
#include <windows.h>

#include "shell/app_state.h"
#include "shell/main_window.h"
#include "shell/program_windows.h"

// All three windows' messages go to the core's window procedure, which asks
// for the system's default processing itself where it wants it.
LRESULT CALLBACK ProgramWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return MainWindowProc(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand) {
  InitializeAppState();
  appState.showCommand = showCommand;
  SetUpProgramPaths();
  if (!CreateProgramWindows()) return 0;
  return PlatformRunMessageLoop();
}

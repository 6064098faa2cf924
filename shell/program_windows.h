// The program's face: three windows, their child controls and pictures, and
// the menu bar, all created once at start-up from the tables in
// program_windows.cpp. Afterwards they are only shown, hidden, enabled,
// filled or given another picture.
#pragma once

// Creates everything and shows the main window with appState.showCommand;
// false (and nothing shown) when a window class cannot be registered.
bool CreateProgramWindows();

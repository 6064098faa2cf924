// The one window procedure of the program's three windows. Every message of
// the main window, the export window and the quick-start window arrives here
// from whatever front-end runs the program (the Windows program forwards its
// messages unchanged; the command-line front-end and the tests send them
// directly); each command runs inside its frame of guards, interface sounds
// and status texts.
#pragma once

#include <cstdint>

#include "platform/platform.h"

std::intptr_t MainWindowProc(WindowHandle window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam);

// Command routines whose frame lives with the dispatch.
void OpenHelpFile();         // 500
void PlayExternalCommand();  // 1100
void ClearStatus();          // 1600
void ExportAllCommand();     // 1700
void ShowExportWindow();     // 3800
void HideExportWindow();     // 3900
void ShowQuickStart();       // 4250
void HideQuickStart();       // 4300
void UpdateStopHint(WindowHandle window, int x, int y);

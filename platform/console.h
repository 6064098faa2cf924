// Console backend: the headless backend's windows shown on a front end's text
// streams (kvp's) as the program writes into them. Each text set on the
// status box is a line on the output, as it is set (an emptied box prints
// nothing); each message box is a line "caption: text" on the error stream.
// The beeps, the last text shown and the wave handed to the sound service are
// noted for the front end to ask about; what they mean is the front end's
// to decide.
#pragma once

#include <ostream>
#include <string>

#include "platform/platform.h"

// Shows from now on, on out and err, what the program writes into statusBox
// and its message boxes; until ConsoleDetach or the next headless reset.
void ConsoleAttach(WindowHandle statusBox, std::ostream& out, std::ostream& err);
// Shows nothing more; the streams may go.
void ConsoleDetach();
// Whether status texts are printed as they are set (they are after attaching).
void ConsoleShowStatusTexts(bool shown);

// Forgets the beeps, the last text and the wave noted so far.
void ConsoleForgetNoted();
// Whether a beep of that kind sounded since the notes were forgotten.
bool ConsoleBeeped(BeepKind kind);
// The last text shown since then: the status box's (empty when it was
// emptied) or a message box's line; empty when there was none.
std::string ConsoleLastText();
// The wave last handed to the sound service since then; empty when none.
std::string ConsoleHandedWave();

// Prints the rows the list holds now, a line each, on the output.
void ConsolePrintRows(WindowHandle list);
// Prints the status box's text as it stands, on a line of its own even when empty.
void ConsolePrintStatusBox();

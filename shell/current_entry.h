// Choosing the current stored entry and playing it: the step buttons, a
// click in the entry list, "Set ID#" and "Replay", around the shared frame
// that prepares the entry, shows its name and duration, plays it and starts
// the play clock.
#pragma once

void StartStoredPlay();      // steps S1 to S3 of every stored play
void StepToNextEntry();      // "-->"
void StepToPreviousEntry();  // "<--"
void PlayListSelection();    // a click in the entry list
void PinEntryNumber();       // "Set ID#"
void ReplayLastEntry();      // "Replay"

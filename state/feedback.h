// What the program tells its user besides its windows' contents: the status
// box, the refusal beep and the two interface sounds.
#pragma once

#include <string>

// Shows text as the whole content of the status box.
void ShowStatus(const std::string& text);
// A refused command: the default beep.
void RefuseCommand();
// The two interface sounds (WAVE resources 400 and 600); each ends any sound playing.
void PlayStartSound();
void PlayFinishSound();

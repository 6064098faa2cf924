// Wavs > Play_Wav: an audio file from anywhere on disk, played without storing it.
// Routines without arguments over the state record, reporting through its
// fields and the status box.
#pragma once

void OpenExternalAudioFile();

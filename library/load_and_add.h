// File > Load_KVF and Wavs > Add_Wav, with their command frames.
// Routines without arguments over the state record, reporting through its
// fields and the status box.
#pragma once

void LoadContainer();
void FillPlaylist();
void LoadContainerCommand();  // command 200
void AddWaveToContainer();
void AddWavCommand();  // command 100

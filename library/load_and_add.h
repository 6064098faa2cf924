// File > Load_KVF and Wavs > Add_Wav, with their command frames.
// Routines without arguments over the state record, reporting through its
// fields and the status box.
#pragma once

void LoadContainer();
// The entry list from the .dat; sets nameSourceMode to 1 when it could be read, else 2 (names from CrcLog.dat).
void FillPlaylist();
void LoadContainerCommand();  // command 200
void AddWaveToContainer();
void AddWavCommand();  // command 100

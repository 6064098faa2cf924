// Operations on containers and external files, each a routine without
// arguments over the state record, reporting through its fields and the
// status box. The command frames around them live with them where the frame
// is specific to one operation (load, add, new container), and in the window
// procedure otherwise.
#pragma once

// --- Opening a container ----------------------------------------------------
void LoadContainer();
void FillPlaylist();
void LoadContainerCommand();  // command 200

// --- Adding files -------------------------------------------------------------
void AddWaveToContainer();
void AddWavCommand();  // command 100

// --- Playing a stored entry ------------------------------------------------------
void PlayStoredEntry();
void DecodeStoredImaAdpcm();

// --- External files ---------------------------------------------------------------
void OpenExternalAudioFile();

// --- Exports and sharing ------------------------------------------------------------
void ExportAllEntries();
void ExportCurrentWav();       // command 1200
void ExportExternalWav();      // command 4100
void ShareCurrentContainer();  // command 4000

// --- New container ------------------------------------------------------------------
void CreateNewContainer();  // command 900
void ReportNewContainerNameMissing();
void ReportNewContainerExists();
void ReportNewContainerCreated();
void ReportNewContainerNameInvalid();

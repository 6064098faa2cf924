// The exports (Export > Wav (Current), (En_Mass), (External)) and Share > Kvf/Dat (Current).
// Routines without arguments over the state record, reporting through its
// fields and the status box.
#pragma once

void ExportAllEntries();
void ExportCurrentWav();       // command 1200
void ExportExternalWav();      // command 4100
void ShareCurrentContainer();  // command 4000

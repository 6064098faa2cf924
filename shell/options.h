// The "Options" menu: the format of a single export and the place of stored
// exports. Neither switch is saved; every run starts with both at 0.
#pragma once

void SetExportAsPcm();       // "Save as Pcm"
void SetExportAsOriginal();  // "Save as Org"
void SetSaveInDocuments();   // "Save in Documents"
void SetSaveInDefault();     // "Save in Default Loc"

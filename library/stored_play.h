// Preparing a stored entry for playing.
// Routines without arguments over the state record, reporting through its
// fields and the status box.
#pragma once

void PlayStoredEntry();

// Checking a container without changing anything: the .kvf's header and
// index against its data, and its names against the name list that the
// program's lookup reads (its .dat, else CrcLog.dat). The findings go into
// appState.containerReport.
#pragma once

// Checks appState.checkedContainerPath. Opens files for reading only and
// writes nothing.
void CheckContainer();

// Checking a container without changing anything: the .kvf's header and
// index against its data, and its names against the name list that the
// program's lookup reads (its .dat, else CrcLog.dat). The findings go into
// appState.containerReport.
#pragma once

#include <ostream>

#include "state/container_report.h"

// Checks appState.checkedContainerPath. Opens files for reading only and
// writes nothing.
void CheckContainer();

// A finding's fixed code word, and how grave it is.
const char* FindingCodeWord(FindingCode code);
FindingSeverity FindingSeverityOf(FindingCode code);
// Writes a finding in words, a line as kvp prints it: how grave, its code word, where it lies and what is wrong.
// It reads the report the finding is in (appState.containerReport) for the counts and names it gives.
void WriteFinding(std::ostream& out, const ContainerFinding& finding);

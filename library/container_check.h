// Checking a container without changing anything: the .kvf's header and
// index against its data, and its names against the name list that the
// program's lookup reads (its .dat, else CrcLog.dat). The findings go into
// appState.containerReport.
#pragma once

#include <string>

#include "state/container_report.h"

// Checks appState.checkedContainerPath. Opens files for reading only and
// writes nothing.
void CheckContainer();

// A finding in words, as kvp prints it: its code word, how grave it is, where it lies and what is wrong. They read
// the report the finding is in (appState.containerReport) for the counts and names they give.
const char* FindingCodeWord(FindingCode code);
FindingSeverity FindingSeverityOf(FindingCode code);
std::string FindingWhere(const ContainerFinding& finding);
std::string FindingWhat(const ContainerFinding& finding);

// A new empty container from the export window's name box, and the texts of its outcomes.
// Routines without arguments over the state record, reporting through its
// fields and the status box.
#pragma once

void CreateNewContainer();  // command 900
void ReportNewContainerNameMissing();
void ReportNewContainerExists();
void ReportNewContainerCreated();
void ReportNewContainerNameInvalid();

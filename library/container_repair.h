// Mending a damaged container without losing a byte. The mended pair keeps
// the longest run of whole entries (and a torn add whose record describes
// exactly the bytes after them), a count that says so, and a name list
// rebuilt in entry order from the well-formed lines of the .dat and of
// CrcLog.dat. Every byte of the data area that no kept entry holds goes into
// a salvage folder beside the container; the originals stay as backups.
#pragma once

// Plans (repair_plan.h), then carries the plan out: the mended pair is written under
// temporary names and checked, the originals become NAME.kvf.bak and
// NAME.dat.bak (.bak.1, ... when taken), and the mended pair takes their
// names. On any failure the originals stay as they were and nothing written
// is left behind.
void ApplyContainerRepair();

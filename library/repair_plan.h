// The plan of a container's repair: which entries it keeps (the longest run
// of whole entries in order, and a torn add whose records describe exactly
// the bytes after them), which runs of the data area go to the salvage
// folder, and the name list rebuilt in entry order from the well-formed
// lines of the .dat and of CrcLog.dat. container_repair carries it out.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "library/container.h"
#include "state/container_report.h"

// A run of the data area that no kept entry holds, and the file of the salvage folder it goes to.
struct SalvagePiece {
  std::int64_t offset = 0;
  std::int64_t size = 0;
  std::string fileName;
};

// What the repair keeps, moves and rewrites.
struct RepairModel {
  std::vector<unsigned char> index;  // the original header and index, zeros past the end of the file
  std::vector<EntryRecord> kept;
  std::int64_t keptEnd = DATA_AREA_START;
  std::vector<SalvagePiece> salvage;
  bool rewriteContainer = false;
  bool rewriteNames = false;
  std::string names;  // the rebuilt name list
};

// Checks appState.checkedContainerPath and fills appState.containerRepair
// with what a repair would do; writes nothing.
void PlanContainerRepair();
// Writes a planned step in words, as kvp prints it after "would " (or, once taken, alone).
void WriteRepairStep(std::ostream& out, const RepairStep& step);
// The last plan's model, handed over: the plan keeps no memory once it is carried out.
RepairModel TakePlannedRepair();

// The path without its extension, so "Box.kvf" gives "Box".
std::string PathStem(const std::string& path);
// base + suffix when no file or folder has that name, else base + ".1" +
// suffix, base + ".2" + suffix, ...
std::string FreeName(const std::string& base, const std::string& suffix);
// Whether a file or folder has this name.
bool NameTaken(const std::string& path);

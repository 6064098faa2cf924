// What a check of a container found: each finding names how grave it is, a
// fixed code word (scripts may rely on it; the wording of the rest may
// change), where it lies and what is wrong. The check fills it, kvp prints it
// and the repair plans from it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class FindingSeverity {
  Error,    // the stored bytes or the index are damaged
  Warning,  // the names do not match the entries
};

struct ContainerFinding {
  FindingSeverity severity = FindingSeverity::Error;
  std::string code;   // a fixed word, such as "past-end"
  std::string where;  // "header", "entry 3", "slot 7", "offset 9016", "Box.dat line 5"
  std::string what;
};

struct ContainerReport {
  bool isContainer = false;  // false: missing, a folder, shorter than the header, or another header
  std::string notContainerReason;
  std::int64_t fileSize = 0;
  std::uint32_t entryCount = 0;         // as the header says
  std::uint32_t consistentEntries = 0;  // entries 1 ... n whose records are whole, in order and inside the file
  std::int64_t consistentEnd = 0;       // where the last of them ends (the data area's start when there is none)
  std::vector<ContainerFinding> findings;
};

// A repair's plan and, once applied, its outcome. Each action is a phrase
// ("set the entry count from 5 to 3"), told as "would ..." in a plan.
struct ContainerRepair {
  std::vector<std::string> actions;
  std::vector<std::string> unnamedEntries;  // entries whose name no list holds: "entry 2 (key f103fb00)"
  bool applied = false;                     // the mended pair is in place, the originals kept as backups
  std::string failure;                      // why it could not be applied; the originals are untouched
  std::vector<std::string> keptAs;          // the backups' and the salvage folder's paths
};

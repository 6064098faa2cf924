// What a check of a container found: each finding is kept as data (its kind,
// where it lies and the numbers that tell what is wrong) and put into words
// only when it is shown; a damaged index gives hundreds. Each kind has a fixed
// code word that scripts may rely on; the wording of the rest may change. The
// check fills it, kvp prints it and the repair plans from it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

enum class FindingSeverity {
  Error,    // the stored bytes or the index are damaged
  Warning,  // the names do not match the entries
};

enum class FindingCode {
  CountOverLimit,
  IndexCutShort,
  SizeMismatch,
  FirstEntryStart,
  NotAfterPrevious,
  PastEnd,
  CountAhead,
  TrailingBytes,
  StrayRecord,
  NoNameList,
  UnnamedEntry,
  BadLine,
  StrayName,
};

struct ContainerFinding {
  FindingCode code = FindingCode::CountOverLimit;
  std::int64_t at = 0;                    // the entry, slot, byte offset or name-list line it lies at
  std::array<std::int64_t, 3> numbers{};  // what its words give, in order: a record's fields, a key
  std::string name;                       // a stray name
};

struct ContainerReport {
  bool isContainer = false;  // false: missing, a folder, shorter than the header, or another header
  std::string notContainerReason;
  std::int64_t fileSize = 0;
  std::uint32_t entryCount = 0;         // as the header says
  std::uint32_t consistentEntries = 0;  // entries 1 ... n whose records are whole, in order and inside the file
  std::int64_t consistentEnd = 0;       // where the last of them ends (the data area's start when there is none)
  std::string nameListName;             // the .dat's file name
  std::string namesReadFrom;            // the list the names were looked up in: the .dat, or CrcLog.dat
  std::vector<ContainerFinding> findings;
};

// The steps a repair plans: each kept as data and put into words only when shown.
enum class RepairStepKind {
  AdoptTornAdd,     // numbers: the bytes, their offset, the entry they become
  DropEntry,        // numbers: the entry
  KeepEntryBytes,   // numbers: the bytes, the entry; name: the salvage file
  MoveStrayBytes,   // numbers: the bytes, their offset; name: the salvage file
  FillIndex,        // numbers: where the index ends
  SetEntryCount,    // numbers: the count it has, the count it gets
  ClearSlot,        // numbers: the slot
  RebuildNameList,  // numbers: the pairs, whether the list is there already; name: the list's
};

struct RepairStep {
  RepairStepKind kind = RepairStepKind::DropEntry;
  std::array<std::int64_t, 3> numbers{};
  std::string name;
};

// An entry whose name no list holds, and its key.
struct UnnamedEntry {
  std::int64_t entry = 0;
  std::uint32_t key = 0;
};

// A repair's plan and, once applied, its outcome. Each step is told as "would ..." in a plan.
struct ContainerRepair {
  std::vector<RepairStep> actions;
  std::vector<UnnamedEntry> unnamedEntries;
  bool applied = false;             // the mended pair is in place, the originals kept as backups
  std::string failure;              // why it could not be applied; the originals are untouched
  std::vector<std::string> keptAs;  // the backups' and the salvage folder's paths
};

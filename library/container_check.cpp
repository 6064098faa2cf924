#include "library/container_check.h"

#include <algorithm>
#include <iterator>
#include <set>
#include <utility>
#include <vector>

#include "io/byte_order.h"
#include "io/file_io.h"
#include "library/container.h"
#include "library/name_list.h"
#include "state/app_state.h"

namespace {

constexpr std::int64_t HEADER_BYTES = 16;

// The texts are taken by value: nearly every caller builds them for this finding alone.
void Report(FindingSeverity severity, std::string code, std::string where, std::string what) {
  ContainerFinding finding;
  finding.severity = severity;
  finding.code = std::move(code);
  finding.where = std::move(where);
  finding.what = std::move(what);
  appState.containerReport.findings.push_back(std::move(finding));
}

std::string Entry(std::int64_t k) { return "entry " + std::to_string(k); }

// The header and index as far as the file holds them, zeros beyond; false when the file is no container.
bool ReadHeaderAndIndex(std::vector<unsigned char>& index) {
  ContainerReport& report = appState.containerReport;
  Stream kvf = OpenStream(appState.checkedContainerPath, "rb");
  if (!kvf) {
    report.notContainerReason = "it cannot be opened (missing, a folder, or not readable)";
    return false;
  }
  report.fileSize = MeasureStream(kvf.get());
  index.assign(DATA_AREA_START, 0);
  ReadBytes(kvf.get(), index.data(), index.size());
  if (report.fileSize < HEADER_BYTES) {
    report.notContainerReason = "it is " + std::to_string(report.fileSize) + " bytes, shorter than a header";
    return false;
  }
  for (std::size_t word = 0; word < std::size(CONTAINER_HEADER_WORDS); ++word) {
    if (ReadU32Le(&index[4 * word]) != CONTAINER_HEADER_WORDS[word]) {
      report.notContainerReason = "its header does not start with 336, 1, 24";
      return false;
    }
  }
  report.entryCount = ReadU32Le(&index[ENTRY_COUNT_OFFSET]);
  return true;
}

EntryRecord RecordAt(const std::vector<unsigned char>& index, std::int64_t k) {
  return DecodeRecord(&index[static_cast<std::size_t>(RECORD_BYTES * k)]);
}

// Each record within the count against the one before it and the file's size; sets the consistent run. listed
// gets every record within the count that the file holds.
void CheckRecords(const std::vector<unsigned char>& index, std::vector<EntryRecord>& listed) {
  ContainerReport& report = appState.containerReport;
  const std::int64_t size = report.fileSize;
  if (report.entryCount > MAX_ENTRIES) {
    Report(FindingSeverity::Error, "count-over-limit", "header",
           "the entry count is " + std::to_string(report.entryCount) + ", more than the 499 a container holds");
  }
  if (size < DATA_AREA_START) {
    Report(FindingSeverity::Error, "index-cut-short", "offset " + std::to_string(size),
           "the file ends inside the index, which runs to byte 8016");
  }
  const std::int64_t records = std::min<std::int64_t>(report.entryCount, MAX_ENTRIES);
  std::int64_t previousEnd = DATA_AREA_START;
  bool inRun = true;
  std::int64_t consistentEnd = DATA_AREA_START;
  for (std::int64_t k = 1; k <= records && RECORD_BYTES * (k + 1) <= size; ++k) {
    const EntryRecord record = RecordAt(index, k);
    const std::int64_t end = std::int64_t{record.dataStart} + record.dataSize;
    bool sound = true;
    if (end != record.dataEnd) {
      sound = false;
      Report(FindingSeverity::Error, "size-mismatch", Entry(k),
             "dataEnd " + std::to_string(record.dataEnd) + " is not dataStart " + std::to_string(record.dataStart) +
                 " + dataSize " + std::to_string(record.dataSize));
    }
    if (record.dataStart != previousEnd) {
      sound = false;
      const std::string expected =
          k == 1 ? "at the data area's start (8016)"
                 : "where entry " + std::to_string(k - 1) + " ends (" + std::to_string(previousEnd) + ")";
      Report(FindingSeverity::Error, k == 1 ? "first-entry-start" : "not-after-previous", Entry(k),
             "starts at byte " + std::to_string(record.dataStart) + ", not " + expected);
    }
    if (std::int64_t{record.dataEnd} > size) {
      sound = false;
      Report(FindingSeverity::Error, "past-end", Entry(k),
             "ends at byte " + std::to_string(record.dataEnd) + ", past the end of the file (" + std::to_string(size) +
                 " bytes)");
    }
    inRun = inRun && sound;
    if (inRun) {
      report.consistentEntries = static_cast<std::uint32_t>(k);
      consistentEnd = record.dataEnd;
    }
    listed.push_back(record);
    previousEnd = record.dataEnd;
  }
  report.consistentEnd = consistentEnd;
  if (report.consistentEntries < report.entryCount) {
    Report(FindingSeverity::Error, "count-ahead", "header",
           "the entry count is " + std::to_string(report.entryCount) + ", but only the first " +
               std::to_string(report.consistentEntries) + " records are whole, in order and inside the file");
  } else if (size > report.consistentEnd) {
    Report(FindingSeverity::Error, "trailing-bytes", "offset " + std::to_string(report.consistentEnd),
           std::to_string(size - report.consistentEnd) + " bytes after the last entry belong to no entry");
  }
}

// Records in the slots after the count: what a torn add or a lowered count leaves.
void CheckSlotsPastTheCount(const std::vector<unsigned char>& index) {
  const ContainerReport& report = appState.containerReport;
  const std::int64_t slots = INDEX_AREA_SIZE / RECORD_BYTES;
  for (std::int64_t k = std::int64_t{report.entryCount} + 1; k <= slots; ++k) {
    if (!RecordIsEmpty(&index[static_cast<std::size_t>(RECORD_BYTES * k)])) {
      Report(FindingSeverity::Warning, "stray-record", "slot " + std::to_string(k),
             "holds a record, but the entry count is " + std::to_string(report.entryCount));
    }
  }
}

void CheckNames(const std::vector<EntryRecord>& entries) {
  const std::string datPath = CompanionDatPath(appState.checkedContainerPath);
  const std::string datName = FileNameOf(datPath);
  std::vector<NameLine> lines;
  const bool datFound = ReadNameList(datPath, lines);
  if (!datFound) {
    Report(FindingSeverity::Warning, "no-name-list", datName,
           "there is no name list beside the container; its names are looked up in CrcLog.dat");
    ReadNameList(appState.crcLogPath, lines);
  }
  const std::string listName = datFound ? datName : "CrcLog.dat";
  const std::set<std::string> keyWords = NameListKeyWords(lines);
  std::set<std::uint32_t> keys;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const std::uint32_t key = entries[i].nameKey;
    keys.insert(key);
    if (key >= SHORTEST_LISTED_KEY && keyWords.count(KeyText(key)) == 0) {
      Report(FindingSeverity::Warning, "unnamed-entry", Entry(std::int64_t(i) + 1),
             "no line of " + listName + " names its key " + KeyText(key));
    }
  }
  if (!datFound) return;  // CrcLog.dat holds the names of every container: its other lines are not this one's
  std::set<std::string> strayNames;
  for (const NameLine& line : lines) {
    const std::string where = datName + " line " + std::to_string(line.number);
    if (!line.wellFormed) {
      Report(FindingSeverity::Warning, "bad-line", where,
             "is not a name-list line: a space, the key word of its name's CRC, a space and the quoted name");
    } else if (keys.count(line.nameKey) == 0 && strayNames.insert(line.name).second) {
      Report(FindingSeverity::Warning, "stray-name", where, "\"" + line.name + "\" names no entry of the container");
    }
  }
}

}  // namespace

void CheckContainer() {
  ContainerReport& report = appState.containerReport;
  report = ContainerReport{};
  std::vector<unsigned char> index;
  report.isContainer = ReadHeaderAndIndex(index);
  if (!report.isContainer) return;
  std::vector<EntryRecord> listed;
  CheckRecords(index, listed);
  CheckSlotsPastTheCount(index);
  CheckNames(listed);
}

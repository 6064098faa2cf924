#include "library/container_check.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <set>
#include <string_view>
#include <utility>
#include <vector>

#include "io/byte_order.h"
#include "io/file_io.h"
#include "library/container.h"
#include "library/name_list.h"
#include "state/app_state.h"

namespace {

constexpr std::int64_t HEADER_BYTES = 16;

// The kinds of finding in the order of their codes: the code word, how grave, and what the place it lies at is.
struct FindingKind {
  const char* word;
  FindingSeverity severity;
  const char* place;  // "entry", "slot" or "offset" and a number; "header"; the .dat, or a "line" of it
};
// clang-format off
const FindingKind FINDING_KINDS[] = {
    {"count-over-limit",   FindingSeverity::Error,   "header"},
    {"index-cut-short",    FindingSeverity::Error,   "offset"},
    {"size-mismatch",      FindingSeverity::Error,   "entry"},
    {"first-entry-start",  FindingSeverity::Error,   "entry"},
    {"not-after-previous", FindingSeverity::Error,   "entry"},
    {"past-end",           FindingSeverity::Error,   "entry"},
    {"count-ahead",        FindingSeverity::Error,   "header"},
    {"trailing-bytes",     FindingSeverity::Error,   "offset"},
    {"stray-record",       FindingSeverity::Warning, "slot"},
    {"no-name-list",       FindingSeverity::Warning, ""},
    {"unnamed-entry",      FindingSeverity::Warning, "entry"},
    {"bad-line",           FindingSeverity::Warning, "line"},
    {"stray-name",         FindingSeverity::Warning, "line"},
};
// clang-format on
static_assert(std::size(FINDING_KINDS) == static_cast<std::size_t>(FindingCode::StrayName) + 1, "a kind a code");

const FindingKind& KindOf(FindingCode code) { return FINDING_KINDS[static_cast<std::size_t>(code)]; }

void Report(FindingCode code, std::int64_t at, std::array<std::int64_t, 3> numbers = {}, std::string name = {}) {
  ContainerFinding finding;
  finding.code = code;
  finding.at = at;
  finding.numbers = numbers;
  finding.name = std::move(name);
  appState.containerReport.findings.push_back(std::move(finding));
}

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
    Report(FindingCode::CountOverLimit, 0);
  }
  if (size < DATA_AREA_START) {
    Report(FindingCode::IndexCutShort, size);
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
      Report(FindingCode::SizeMismatch, k, {record.dataEnd, record.dataStart, record.dataSize});
    }
    if (record.dataStart != previousEnd) {
      sound = false;
      Report(k == 1 ? FindingCode::FirstEntryStart : FindingCode::NotAfterPrevious, k, {record.dataStart, previousEnd});
    }
    if (std::int64_t{record.dataEnd} > size) {
      sound = false;
      Report(FindingCode::PastEnd, k, {record.dataEnd});
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
    Report(FindingCode::CountAhead, 0);
  } else if (size > report.consistentEnd) {
    Report(FindingCode::TrailingBytes, report.consistentEnd);
  }
}

// Records in the slots after the count: what a torn add or a lowered count leaves.
void CheckSlotsPastTheCount(const std::vector<unsigned char>& index) {
  const ContainerReport& report = appState.containerReport;
  const std::int64_t slots = INDEX_AREA_SIZE / RECORD_BYTES;
  for (std::int64_t k = std::int64_t{report.entryCount} + 1; k <= slots; ++k) {
    if (!RecordIsEmpty(&index[static_cast<std::size_t>(RECORD_BYTES * k)])) {
      Report(FindingCode::StrayRecord, k);
    }
  }
}

void CheckNames(const std::vector<EntryRecord>& entries) {
  ContainerReport& report = appState.containerReport;
  const std::string datPath = CompanionDatPath(appState.checkedContainerPath);
  report.nameListName = FileNameOf(datPath);
  std::vector<NameLine> lines;
  const bool datFound = ReadNameList(datPath, lines);
  if (!datFound) {
    Report(FindingCode::NoNameList, 0);
    ReadNameList(appState.crcLogPath, lines);
  }
  report.namesReadFrom = datFound ? report.nameListName : "CrcLog.dat";
  const std::set<std::string> keyWords = NameListKeyWords(lines);
  std::set<std::uint32_t> keys;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const std::uint32_t key = entries[i].nameKey;
    keys.insert(key);
    if (key >= SHORTEST_LISTED_KEY && keyWords.count(KeyText(key)) == 0) {
      Report(FindingCode::UnnamedEntry, std::int64_t(i) + 1, {key});
    }
  }
  if (!datFound) return;  // CrcLog.dat holds the names of every container: its other lines are not this one's
  std::set<std::string> strayNames;
  for (const NameLine& line : lines) {
    if (!line.wellFormed) {
      Report(FindingCode::BadLine, line.number);
    } else if (keys.count(line.nameKey) == 0 && strayNames.insert(line.name).second) {
      Report(FindingCode::StrayName, line.number, {}, line.name);
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

const char* FindingCodeWord(FindingCode code) { return KindOf(code).word; }

FindingSeverity FindingSeverityOf(FindingCode code) { return KindOf(code).severity; }

void WriteFinding(std::ostream& out, const ContainerFinding& finding) {
  const ContainerReport& report = appState.containerReport;
  const FindingKind& kind = KindOf(finding.code);
  const std::string_view place = kind.place;
  const std::array<std::int64_t, 3>& n = finding.numbers;
  out << (kind.severity == FindingSeverity::Error ? "error " : "warning ") << kind.word << " ";
  if (place.empty() || place == "line") out << report.nameListName << (place.empty() ? "" : " ");
  out << place;
  if (place != "header" && !place.empty()) out << " " << finding.at;
  out << ": ";
  switch (finding.code) {
    case FindingCode::CountOverLimit:
      out << "the entry count is " << report.entryCount << ", more than the 499 a container holds";
      break;
    case FindingCode::IndexCutShort:
      out << "the file ends inside the index, which runs to byte 8016";
      break;
    case FindingCode::SizeMismatch:
      out << "dataEnd " << n[0] << " is not dataStart " << n[1] << " + dataSize " << n[2];
      break;
    case FindingCode::FirstEntryStart:
      out << "starts at byte " << n[0] << ", not at the data area's start (8016)";
      break;
    case FindingCode::NotAfterPrevious:
      out << "starts at byte " << n[0] << ", not where entry " << finding.at - 1 << " ends (" << n[1] << ")";
      break;
    case FindingCode::PastEnd:
      out << "ends at byte " << n[0] << ", past the end of the file (" << report.fileSize << " bytes)";
      break;
    case FindingCode::CountAhead:
      out << "the entry count is " << report.entryCount << ", but only the first " << report.consistentEntries
          << " records are whole, in order and inside the file";
      break;
    case FindingCode::TrailingBytes:
      out << report.fileSize - finding.at << " bytes after the last entry belong to no entry";
      break;
    case FindingCode::StrayRecord:
      out << "holds a record, but the entry count is " << report.entryCount;
      break;
    case FindingCode::NoNameList:
      out << "there is no name list beside the container; its names are looked up in CrcLog.dat";
      break;
    case FindingCode::UnnamedEntry:
      out << "no line of " << report.namesReadFrom << " names its key " << KeyText(static_cast<std::uint32_t>(n[0]));
      break;
    case FindingCode::BadLine:
      out << "is not a name-list line: a space, the key word of its name's CRC, a space and the quoted name";
      break;
    case FindingCode::StrayName:
      out << "\"" << finding.name << "\" names no entry of the container";
      break;
  }
  out << "\n";
}

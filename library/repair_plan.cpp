#include "library/repair_plan.h"

#include <algorithm>
#include <array>
#include <map>
#include <utility>
#include <vector>

#include "io/byte_order.h"
#include "io/file_io.h"
#include "library/container.h"
#include "library/container_check.h"
#include "library/name_list.h"
#include "state/app_state.h"

namespace {

constexpr std::int64_t INDEX_SLOTS = INDEX_AREA_SIZE / RECORD_BYTES;

RepairModel model;

void Plan(RepairStepKind kind, std::array<std::int64_t, 3> numbers, std::string name = {}) {
  RepairStep step;
  step.kind = kind;
  step.numbers = numbers;
  step.name = std::move(name);
  appState.containerRepair.actions.push_back(std::move(step));
}

EntryRecord Slot(std::int64_t k) { return DecodeRecord(&model.index[static_cast<std::size_t>(RECORD_BYTES * k)]); }

bool SlotEmpty(std::int64_t k) { return RecordIsEmpty(&model.index[static_cast<std::size_t>(RECORD_BYTES * k)]); }

void ReadIndex() {
  model.index.assign(DATA_AREA_START, 0);
  Stream kvf = OpenStream(appState.checkedContainerPath, "rb");
  if (kvf) ReadBytes(kvf.get(), model.index.data(), model.index.size());
}

// A torn add: the slots after the last entry describe, one after the other, exactly the bytes after it.
void AdoptTornAdds(std::int64_t fileSize) {
  std::vector<EntryRecord> adopted;
  std::int64_t end = model.keptEnd;
  for (std::int64_t k = std::int64_t(model.kept.size()) + 1; k <= MAX_ENTRIES && end < fileSize; ++k) {
    const EntryRecord record = Slot(k);
    const bool follows = record.dataStart == end && record.dataSize > 0;
    if (!follows || std::int64_t{record.dataStart} + record.dataSize != record.dataEnd || record.dataEnd > fileSize) {
      break;
    }
    adopted.push_back(record);
    end = record.dataEnd;
  }
  if (end != fileSize) return;
  for (const EntryRecord& record : adopted) {
    model.kept.push_back(record);
    Plan(RepairStepKind::AdoptTornAdd, {record.dataSize, record.dataStart, std::int64_t(model.kept.size())});
  }
  model.keptEnd = end;
}

// The dropped records' bytes, each as far as the file holds it, then whatever else follows the kept entries.
void PlanSalvage(std::int64_t fileSize, const std::string& folderName) {
  const ContainerReport& report = appState.containerReport;
  std::int64_t cursor = std::max(model.keptEnd, DATA_AREA_START);
  const std::int64_t listed = std::min<std::int64_t>(report.entryCount, MAX_ENTRIES);
  for (std::int64_t k = std::int64_t(model.kept.size()) + 1; k <= listed; ++k) {
    Plan(RepairStepKind::DropEntry, {k});
    const EntryRecord record = Slot(k);
    const std::int64_t end = std::min<std::int64_t>(std::int64_t{record.dataStart} + record.dataSize, fileSize);
    if (record.dataStart != cursor || end <= cursor) continue;
    const SalvagePiece piece{cursor, end - cursor, "entry-" + std::to_string(k) + "-at-" + std::to_string(cursor)};
    model.salvage.push_back(piece);
    Plan(RepairStepKind::KeepEntryBytes, {piece.size, k}, folderName + piece.fileName);
    cursor = end;
  }
  if (cursor < fileSize) {
    const SalvagePiece piece{cursor, fileSize - cursor, "bytes-at-" + std::to_string(cursor)};
    model.salvage.push_back(piece);
    Plan(RepairStepKind::MoveStrayBytes, {piece.size, cursor}, folderName + piece.fileName);
  }
}

void PlanIndex(const std::string& folderName) {
  const ContainerReport& report = appState.containerReport;
  for (std::uint32_t k = 1; k <= report.consistentEntries; ++k) model.kept.push_back(Slot(k));
  model.keptEnd = report.consistentEnd;
  if (report.consistentEntries == report.entryCount) AdoptTornAdds(report.fileSize);
  PlanSalvage(report.fileSize, folderName);
  if (report.fileSize < DATA_AREA_START) {
    Plan(RepairStepKind::FillIndex, {DATA_AREA_START});
  }
  const std::int64_t count = std::int64_t(model.kept.size());
  if (count != report.entryCount) {
    Plan(RepairStepKind::SetEntryCount, {report.entryCount, count});
  }
  const std::int64_t listed = std::max<std::int64_t>(count, std::min<std::int64_t>(report.entryCount, MAX_ENTRIES));
  for (std::int64_t k = listed + 1; k <= INDEX_SLOTS; ++k) {
    if (!SlotEmpty(k)) Plan(RepairStepKind::ClearSlot, {k});
  }
  model.rewriteContainer = !appState.containerRepair.actions.empty();
}

// The well-formed line naming an entry of each key: the .dat's first, then CrcLog.dat's.
std::map<std::uint32_t, const NameLine*> NameLinesByKey(const std::vector<NameLine>& datLines,
                                                        const std::vector<NameLine>& logLines) {
  std::map<std::uint32_t, const NameLine*> byKey;
  for (const std::vector<NameLine>* lines : {&datLines, &logLines}) {
    for (const NameLine& line : *lines) {
      if (line.wellFormed) byKey.emplace(line.nameKey, &line);  // an earlier line keeps the key
    }
  }
  return byKey;
}

// The kept entries' pairs, in entry order; the list is rewritten when the check found something in the names or
// the index changes, and the rebuilt list differs from the one there.
void PlanNames(const std::string& datPath) {
  std::vector<NameLine> datLines;
  std::vector<NameLine> logLines;
  const bool datFound = ReadNameList(datPath, datLines);
  ReadNameList(appState.crcLogPath, logLines);
  const std::map<std::uint32_t, const NameLine*> linesByKey = NameLinesByKey(datLines, logLines);
  int pairs = 0;
  for (std::size_t i = 0; i < model.kept.size(); ++i) {
    const std::uint32_t key = model.kept[i].nameKey;
    const auto named = linesByKey.find(key);
    if (named != linesByKey.end()) {
      const NameLine* line = named->second;
      model.names += NameListPair(line->crc, line->name);
      ++pairs;
    } else if (key >= SHORTEST_LISTED_KEY) {
      appState.containerRepair.unnamedEntries.push_back({std::int64_t(i) + 1, key});
    }
  }
  bool nameFindings = false;
  for (const ContainerFinding& finding : appState.containerReport.findings) {
    if (FindingSeverityOf(finding.code) == FindingSeverity::Warning) nameFindings = true;
  }
  std::string stored;
  ReadNameListText(datPath, stored);
  model.rewriteNames = (!datFound || nameFindings || model.rewriteContainer) && (!datFound || stored != model.names);
  if (!model.rewriteNames) return;
  Plan(RepairStepKind::RebuildNameList, {pairs, datFound}, FileNameOf(datPath));
}

}  // namespace

void PlanContainerRepair() {
  ContainerRepair& repair = appState.containerRepair;
  repair = ContainerRepair{};
  model = RepairModel{};
  CheckContainer();
  if (!appState.containerReport.isContainer) return;
  ReadIndex();
  const std::string kvfPath = appState.checkedContainerPath;
  const std::string folderName = FileNameOf(FreeName(PathStem(kvfPath) + ".salvage", "")) + PATH_SEPARATOR;
  PlanIndex(folderName);
  PlanNames(CompanionDatPath(kvfPath));
}

RepairModel TakePlannedRepair() { return std::move(model); }

std::string PathStem(const std::string& path) { return path.substr(0, path.find_last_of('.')); }

bool NameTaken(const std::string& path) { return !PlatformFindFirstName(path).empty(); }

std::string FreeName(const std::string& base, const std::string& suffix) {
  std::string candidate = base + suffix;
  for (int n = 1; NameTaken(candidate); ++n) candidate = base + "." + std::to_string(n) + suffix;
  return candidate;
}

void WriteRepairStep(std::ostream& out, const RepairStep& step) {
  const std::array<std::int64_t, 3>& n = step.numbers;
  const char* const bytes = n[0] == 1 ? " byte" : " bytes";
  switch (step.kind) {
    case RepairStepKind::AdoptTornAdd:
      out << "adopt the " << n[0] << bytes << " at offset " << n[1] << " as entry " << n[2]
          << ", as the record in slot " << n[2] << " describes them";
      break;
    case RepairStepKind::DropEntry:
      out << "drop entry " << n[0] << " from the index";
      break;
    case RepairStepKind::KeepEntryBytes:
      out << "keep the " << n[0] << bytes << " of entry " << n[1] << " in " << step.name;
      break;
    case RepairStepKind::MoveStrayBytes:
      out << "move the " << n[0] << bytes << " at offset " << n[1] << " that no entry holds to " << step.name;
      break;
    case RepairStepKind::FillIndex:
      out << "fill the index out to byte " << n[0] << " with empty slots";
      break;
    case RepairStepKind::SetEntryCount:
      out << "set the entry count from " << n[0] << " to " << n[1];
      break;
    case RepairStepKind::ClearSlot:
      out << "clear the record in slot " << n[0];
      break;
    case RepairStepKind::RebuildNameList:
      out << (n[1] != 0 ? "rebuild " : "make ") << step.name << " with " << n[0] << (n[0] == 1 ? " pair" : " pairs")
          << " in entry order, from the well-formed lines of its name lists";
      break;
  }
}

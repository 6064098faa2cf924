#include "library/repair_plan.h"

#include <algorithm>
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

void Plan(std::string action) { appState.containerRepair.actions.push_back(std::move(action)); }

std::string Bytes(std::int64_t count) { return std::to_string(count) + (count == 1 ? " byte" : " bytes"); }

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
    const std::string k = std::to_string(model.kept.size());
    Plan("adopt the " + Bytes(record.dataSize) + " at offset " + std::to_string(record.dataStart) + " as entry " + k +
         ", as the record in slot " + k + " describes them");
  }
  model.keptEnd = end;
}

// The dropped records' bytes, each as far as the file holds it, then whatever else follows the kept entries.
void PlanSalvage(std::int64_t fileSize, const std::string& folderName) {
  const ContainerReport& report = appState.containerReport;
  std::int64_t cursor = std::max(model.keptEnd, DATA_AREA_START);
  const std::int64_t listed = std::min<std::int64_t>(report.entryCount, MAX_ENTRIES);
  for (std::int64_t k = std::int64_t(model.kept.size()) + 1; k <= listed; ++k) {
    Plan("drop entry " + std::to_string(k) + " from the index");
    const EntryRecord record = Slot(k);
    const std::int64_t end = std::min<std::int64_t>(std::int64_t{record.dataStart} + record.dataSize, fileSize);
    if (record.dataStart != cursor || end <= cursor) continue;
    const SalvagePiece piece{cursor, end - cursor, "entry-" + std::to_string(k) + "-at-" + std::to_string(cursor)};
    model.salvage.push_back(piece);
    Plan("keep the " + Bytes(piece.size) + " of entry " + std::to_string(k) + " in " + folderName + piece.fileName);
    cursor = end;
  }
  if (cursor < fileSize) {
    const SalvagePiece piece{cursor, fileSize - cursor, "bytes-at-" + std::to_string(cursor)};
    model.salvage.push_back(piece);
    Plan("move the " + Bytes(piece.size) + " at offset " + std::to_string(cursor) + " that no entry holds to " +
         folderName + piece.fileName);
  }
}

void PlanIndex(const std::string& folderName) {
  const ContainerReport& report = appState.containerReport;
  for (std::uint32_t k = 1; k <= report.consistentEntries; ++k) model.kept.push_back(Slot(k));
  model.keptEnd = report.consistentEnd;
  if (report.consistentEntries == report.entryCount) AdoptTornAdds(report.fileSize);
  PlanSalvage(report.fileSize, folderName);
  if (report.fileSize < DATA_AREA_START) {
    Plan("fill the index out to byte " + std::to_string(DATA_AREA_START) + " with empty slots");
  }
  const std::int64_t count = std::int64_t(model.kept.size());
  if (count != report.entryCount) {
    Plan("set the entry count from " + std::to_string(report.entryCount) + " to " + std::to_string(count));
  }
  const std::int64_t listed = std::max<std::int64_t>(count, std::min<std::int64_t>(report.entryCount, MAX_ENTRIES));
  for (std::int64_t k = listed + 1; k <= INDEX_SLOTS; ++k) {
    if (!SlotEmpty(k)) Plan("clear the record in slot " + std::to_string(k));
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
      appState.containerRepair.unnamedEntries.push_back("entry " + std::to_string(i + 1) + " (key " + KeyText(key) +
                                                        ")");
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
  const std::string pairsText = std::to_string(pairs) + (pairs == 1 ? " pair" : " pairs");
  Plan(std::string(datFound ? "rebuild " : "make ") + FileNameOf(datPath) + " with " + pairsText +
       " in entry order, from the well-formed lines of its name lists");
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

#include "library/container_repair.h"

#include <algorithm>
#include <vector>

#include "io/byte_order.h"
#include "io/file_io.h"
#include "library/container.h"
#include "library/container_check.h"
#include "library/name_list.h"
#include "state/app_state.h"

namespace {

constexpr std::uint32_t SHORTEST_LISTED_KEY = 0x10000;  // names with smaller CRCs get no lines
constexpr std::int64_t INDEX_SLOTS = INDEX_AREA_SIZE / RECORD_BYTES;

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

RepairModel model;

std::string FileNameOf(const std::string& path) { return path.substr(path.find_last_of(PATH_SEPARATOR) + 1); }

// The path without its extension, so "Box.kvf" gives "Box".
std::string StemOf(const std::string& path) { return path.substr(0, path.find_last_of('.')); }

bool Exists(const std::string& path) { return !PlatformFindFirstName(path).empty(); }

// base + suffix when free, else base + ".1" + suffix, base + ".2" + suffix, ...
std::string FreeName(const std::string& base, const std::string& suffix) {
  std::string candidate = base + suffix;
  for (int n = 1; Exists(candidate); ++n) candidate = base + "." + std::to_string(n) + suffix;
  return candidate;
}

void Plan(const std::string& action) { appState.containerRepair.actions.push_back(action); }

std::string Bytes(std::int64_t count) { return std::to_string(count) + (count == 1 ? " byte" : " bytes"); }

EntryRecord Slot(std::int64_t k) { return DecodeRecord(&model.index[static_cast<std::size_t>(RECORD_BYTES * k)]); }

bool SlotEmpty(std::int64_t k) {
  const auto first = model.index.begin() + RECORD_BYTES * k;
  return std::all_of(first, first + RECORD_BYTES, [](unsigned char byte) { return byte == 0; });
}

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

// The well-formed line naming an entry of this key: the .dat's first, then CrcLog.dat's; nullptr when none does.
const NameLine* NameLineOf(std::uint32_t key, const std::vector<NameLine>& datLines,
                           const std::vector<NameLine>& logLines) {
  for (const std::vector<NameLine>* lines : {&datLines, &logLines}) {
    for (const NameLine& line : *lines) {
      if (line.wellFormed && line.nameKey == key) return &line;
    }
  }
  return nullptr;
}

// The kept entries' pairs, in entry order; the list is rewritten when the check found something in the names or
// the index changes, and the rebuilt list differs from the one there.
void PlanNames(const std::string& datPath) {
  std::vector<NameLine> datLines;
  std::vector<NameLine> logLines;
  const bool datFound = ReadNameList(datPath, datLines);
  ReadNameList(appState.crcLogPath, logLines);
  int pairs = 0;
  for (std::size_t i = 0; i < model.kept.size(); ++i) {
    const std::uint32_t key = model.kept[i].nameKey;
    const NameLine* line = NameLineOf(key, datLines, logLines);
    if (line != nullptr) {
      model.names += NameListPair(line->crc, line->name);
      ++pairs;
    } else if (key >= SHORTEST_LISTED_KEY) {
      appState.containerRepair.unnamedEntries.push_back("entry " + std::to_string(i + 1) + " (key " + KeyText(key) +
                                                        ")");
    }
  }
  bool nameFindings = false;
  for (const ContainerFinding& finding : appState.containerReport.findings) {
    if (finding.severity == FindingSeverity::Warning) nameFindings = true;
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
  const std::string folderName = FileNameOf(FreeName(StemOf(kvfPath) + ".salvage", "")) + PATH_SEPARATOR;
  PlanIndex(folderName);
  PlanNames(CompanionDatPath(kvfPath));
}

namespace {

// The files the apply has written so far, to be removed when it cannot finish.
struct Written {
  std::vector<std::string> files;
  std::string folder;
};

bool WriteText(const std::string& path, const std::string& text, Written& written) {
  written.files.push_back(path);
  Stream out = OpenStream(path, "wb");
  return out && WriteBytes(out.get(), text.data(), text.size()) && CloseStream(out);
}

// The header, the kept entries' records, and their bytes copied from the original.
bool WriteMendedContainer(const std::string& path, Written& written) {
  std::vector<unsigned char> head(model.index.begin(), model.index.begin() + ENTRY_COUNT_OFFSET);
  head.resize(DATA_AREA_START, 0);
  WriteU32Le(&head[ENTRY_COUNT_OFFSET], static_cast<std::uint32_t>(model.kept.size()));
  for (std::size_t i = 0; i < model.kept.size(); ++i) EncodeRecord(model.kept[i], &head[RECORD_BYTES * (i + 1)]);
  written.files.push_back(path);
  Stream in = OpenStream(appState.checkedContainerPath, "rb");
  Stream out = OpenStream(path, "wb");
  const std::int64_t dataBytes = std::max<std::int64_t>(0, model.keptEnd - DATA_AREA_START);
  return in && out && WriteBytes(out.get(), head.data(), head.size()) && SeekStream(in.get(), DATA_AREA_START) &&
         CopyStreamBytes(in.get(), out.get(), dataBytes) && CloseStream(out);
}

bool WriteSalvage(const std::string& folder, Written& written) {
  if (model.salvage.empty()) return true;
  if (!PlatformCreateFolder(folder)) return false;
  written.folder = folder;
  Stream in = OpenStream(appState.checkedContainerPath, "rb");
  for (const SalvagePiece& piece : model.salvage) {
    const std::string path = folder + PATH_SEPARATOR + piece.fileName;
    written.files.push_back(path);
    Stream out = OpenStream(path, "wb");
    if (!in || !out || !SeekStream(in.get(), piece.offset) || !CopyStreamBytes(in.get(), out.get(), piece.size) ||
        !CloseStream(out)) {
      return false;
    }
  }
  return true;
}

// The mended pair checks clean, but for entries whose names no list holds.
bool ChecksClean(const std::string& kvfPath) {
  const std::string original = appState.checkedContainerPath;
  const ContainerReport report = appState.containerReport;
  appState.checkedContainerPath = kvfPath;
  CheckContainer();
  bool clean = appState.containerReport.isContainer;
  for (const ContainerFinding& finding : appState.containerReport.findings) {
    if (finding.code != "unnamed-entry") clean = false;
  }
  appState.checkedContainerPath = original;
  appState.containerReport = report;
  return clean;
}

void Abandon(const std::string& failure, const Written& written) {
  for (const std::string& file : written.files) RemoveFile(file);
  if (!written.folder.empty()) PlatformRemoveEmptyFolder(written.folder);
  appState.containerRepair.failure = failure;
}

// Moves each original to its backup and each mended file to the original's name; false, with everything put back,
// when a move fails.
bool SwapIn(const std::vector<std::string>& originals, const std::vector<std::string>& mended,
            const std::vector<std::string>& backups) {
  std::size_t moved = 0;
  bool swapped = true;
  for (; moved < originals.size() && swapped; ++moved) {
    swapped = RenameFile(originals[moved], backups[moved]);
    if (swapped && !RenameFile(mended[moved], originals[moved])) {
      RenameFile(backups[moved], originals[moved]);
      swapped = false;
    }
  }
  if (swapped) return true;
  for (std::size_t i = 0; i + 1 < moved; ++i) {
    RenameFile(originals[i], mended[i]);
    RenameFile(backups[i], originals[i]);
  }
  return false;
}

}  // namespace

void ApplyContainerRepair() {
  PlanContainerRepair();
  ContainerRepair& repair = appState.containerRepair;
  if (!appState.containerReport.isContainer || repair.actions.empty()) return;
  const std::string kvfPath = appState.checkedContainerPath;
  const std::string datPath = CompanionDatPath(kvfPath);
  const std::string stem = StemOf(kvfPath);
  std::string temporaryKvf = stem + ".repair.kvf";
  for (int n = 1; Exists(temporaryKvf) || Exists(CompanionDatPath(temporaryKvf)); ++n) {
    temporaryKvf = stem + ".repair." + std::to_string(n) + ".kvf";
  }
  const std::string temporaryDat = CompanionDatPath(temporaryKvf);
  const std::string salvageFolder = FreeName(stem + ".salvage", "");
  std::string names = model.names;
  if (!model.rewriteNames) ReadNameListText(datPath, names);
  Written written;
  if (!WriteMendedContainer(temporaryKvf, written) || !WriteText(temporaryDat, names, written) ||
      !ChecksClean(temporaryKvf)) {
    return Abandon("the mended container could not be written, or did not check clean", written);
  }
  if (!WriteSalvage(salvageFolder, written)) return Abandon("the salvage could not be written", written);
  std::vector<std::string> originals;
  std::vector<std::string> mended;
  if (model.rewriteContainer) {
    originals.push_back(kvfPath);
    mended.push_back(temporaryKvf);
  }
  if (model.rewriteNames) {
    originals.push_back(datPath);
    mended.push_back(temporaryDat);
  }
  std::vector<std::string> backups;
  for (const std::string& original : originals) {
    backups.push_back(Exists(original) ? FreeName(original + ".bak", "") : std::string());
  }
  // A name list made afresh has no original to keep.
  if (!backups.empty() && backups.back().empty()) {
    originals.pop_back();
    if (!RenameFile(mended.back(), datPath)) return Abandon("the new name list could not be put in place", written);
    written.files.push_back(datPath);
    mended.pop_back();
    backups.pop_back();
  }
  if (!SwapIn(originals, mended, backups)) return Abandon("the mended files could not be put in place", written);
  for (const std::string& file : {temporaryKvf, temporaryDat}) RemoveFile(file);
  repair.applied = true;
  repair.keptAs = backups;
  if (!written.folder.empty()) repair.keptAs.push_back(salvageFolder);
}

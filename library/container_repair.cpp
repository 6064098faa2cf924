#include "library/container_repair.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "io/byte_order.h"
#include "io/file_io.h"
#include "library/container.h"
#include "library/container_check.h"
#include "library/name_list.h"
#include "library/repair_plan.h"
#include "state/app_state.h"

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
bool WriteMendedContainer(const RepairModel& model, const std::string& path, Written& written) {
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

bool WriteSalvage(const RepairModel& model, const std::string& folder, Written& written) {
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
  ContainerReport report = std::move(appState.containerReport);
  appState.checkedContainerPath = kvfPath;
  CheckContainer();
  bool clean = appState.containerReport.isContainer;
  for (const ContainerFinding& finding : appState.containerReport.findings) {
    if (finding.code != FindingCode::UnnamedEntry) clean = false;
  }
  appState.checkedContainerPath = original;
  appState.containerReport = std::move(report);
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
  const RepairModel model = TakePlannedRepair();
  ContainerRepair& repair = appState.containerRepair;
  if (!appState.containerReport.isContainer || repair.actions.empty()) return;
  const std::string kvfPath = appState.checkedContainerPath;
  const std::string datPath = CompanionDatPath(kvfPath);
  const std::string stem = PathStem(kvfPath);
  std::string temporaryKvf = stem + ".repair.kvf";
  for (int n = 1; NameTaken(temporaryKvf) || NameTaken(CompanionDatPath(temporaryKvf)); ++n) {
    temporaryKvf = stem + ".repair." + std::to_string(n) + ".kvf";
  }
  const std::string temporaryDat = CompanionDatPath(temporaryKvf);
  const std::string salvageFolder = FreeName(stem + ".salvage", "");
  std::string names = model.names;
  if (!model.rewriteNames) ReadNameListText(datPath, names);
  Written written;
  if (!WriteMendedContainer(model, temporaryKvf, written) || !WriteText(temporaryDat, names, written) ||
      !ChecksClean(temporaryKvf)) {
    return Abandon("the mended container could not be written, or did not check clean", written);
  }
  if (!WriteSalvage(model, salvageFolder, written)) return Abandon("the salvage could not be written", written);
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
    backups.push_back(NameTaken(original) ? FreeName(original + ".bak", "") : std::string());
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

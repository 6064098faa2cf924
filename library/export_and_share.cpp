// Exports of stored entries and external waves, and sharing the loaded
// container: copies of files the program already holds, to the program's
// "Export" folder or to the Documents folder as the options say.
#include "library/export_and_share.h"

#include <algorithm>

#include "convert/format_registry.h"
#include "io/file_io.h"
#include "library/container.h"
#include "state/app_state.h"
#include "state/feedback.h"
#include "state/play_timer.h"

namespace {

constexpr const char* WAVE_EXTENSION = ".wav";

// Extension of an exported entry, from its first two stored bytes.
const char* ExtensionOfStoredBytes(const unsigned char* first) {
  const char* otherwise = nullptr;  // the registry gives exactly one kind ANY_OTHER_LEAD
  for (const StoredKind* kind : StoredKinds()) {
    const char* lead = kind->exportLead.bytes;
    if (lead == nullptr) {
      otherwise = kind->exportExtension;
    } else if (first[0] == static_cast<unsigned char>(lead[0]) && first[1] == static_cast<unsigned char>(lead[1])) {
      return kind->exportExtension;
    }
  }
  return otherwise;
}

// Extension of a single export of the entry played last.
const char* ExtensionOfLastPlayed() {
  if (appState.exportAsPcm == 1) return WAVE_EXTENSION;
  for (const StoredKind* kind : StoredKinds()) {
    if (appState.*kind->flag == 1) return kind->exportExtension;
  }
  return WAVE_EXTENSION;
}

}  // namespace

void ExportAllEntries() {
  AppState& s = appState;
  s.exportsFailed = 0;
  Stream kvf = OpenStream(s.loadedContainerPath, "rb");
  if (!kvf) {
    s.exportsFailed = 1;
    return;
  }
  if (s.saveInDocuments == 1 && !DocumentsKnown()) {
    s.exportsFailed = 1;
    return;
  }
  const std::string base =
      s.saveInDocuments == 0 ? s.massExportPrefix : s.documentsWavDir + PATH_SEPARATOR + "KVFM_Wav";
  const std::int32_t last = std::min(s.entryCount, MAX_ENTRIES);
  for (std::int32_t n = 1; n <= last; ++n) {
    EntryRecord record;
    if (!ReadEntryRecord(kvf.get(), n, record)) {
      s.exportsFailed = 1;  // a damaged record is never extracted
      continue;
    }
    // The first two bytes name the extension; an entry shorter than that
    // reads on into what follows, or into the end of the file (zeros).
    unsigned char first[2] = {0, 0};
    if (!ReadAtMost(kvf.get(), record.dataStart, first, 2)) {
      s.exportsFailed = 1;
      continue;
    }
    if (!ExtractEntry(kvf.get(), record, base + std::to_string(n) + ExtensionOfStoredBytes(first))) {
      s.exportsFailed = 1;
    }
  }
  if (s.entryCount > MAX_ENTRIES) s.exportsFailed = 1;
}

void ExportCurrentWav() {
  AppState& s = appState;
  if (s.loadedContainerPath.size() <= 1 || s.currentIndex <= 0 || s.storedEntryExtracted == 0) {
    RefuseCommand();
    return;
  }
  EnsureFolderExists(s.documentsWavDir, "KVP_Wavs");
  ++s.exportCounter;
  const std::string target =
      (s.saveInDocuments == 0 ? s.singleExportPrefix : s.documentsWavDir + PATH_SEPARATOR + "KVFS_Wav") +
      std::to_string(s.exportCounter) + ExtensionOfLastPlayed();
  StopPlayAnimationIfRunning();
  const bool decoded =
      (s.specialDecodeDone == 1 && s.specialDecodeDone2 == 1) || (s.exportAsPcm == 1 && ForeignStoredKindRecognised());
  // A conversion that failed left decoded.wav as an earlier play wrote it:
  // that is not this entry.
  const bool sourceHoldsEntry = !decoded || s.wavTypeKnown == 1;
  const bool copied = sourceHoldsEntry && (s.saveInDocuments == 0 || DocumentsKnown()) &&
                      PlatformCopyFile(decoded ? s.decodedWavPath : s.tempWavPath, target);
  PlayFinishSound();
  if (!copied) {
    RefuseCommand();
    ShowStatus(MSG_CREATION_FAILED);
  } else if (decoded) {
    ShowStatus(s.saveInDocuments == 0 ? "Completed. Wav file exported to program's directory (Export Folder)"
                                      : "Completed. Wave file exported to Documents\\KVP_Wavs");
  } else {
    ShowStatus(s.saveInDocuments == 0 ? "Completed. Wav file exported to program's directory"
                                      : "Completed. Wav file exported to Documents\\KVP_Wavs");
  }
}

void ExportExternalWav() {
  AppState& s = appState;
  if (s.externalWavReady != 1) {
    RefuseCommand();
    return;
  }
  StopPlayAnimationIfRunning();
  ++s.externalExportCounter;
  EnsureFolderExists(s.documentsWavDir, "KVP_Wavs");
  const std::string target =
      s.documentsWavDir + PATH_SEPARATOR + "ext_wav" + std::to_string(s.externalExportCounter) + WAVE_EXTENSION;
  const bool copied = DocumentsKnown() && !s.externalWavPath.empty() && PlatformCopyFile(s.externalWavPath, target);
  s.externalWavPath.clear();
  if (copied) {
    PlayFinishSound();
    ShowStatus("External wav file saved to Documents\\KVP_Wavs (Exported as PCM)");
  } else {
    RefuseCommand();
    ShowStatus(MSG_CREATION_FAILED);
  }
}

void ShareCurrentContainer() {
  AppState& s = appState;
  EnsureFolderExists(s.shareDir, "Export_KVF");
  StopPlayAnimationIfRunning();
  PlayStartSound();
  const bool kvfCopied =
      DocumentsKnown() && PlatformCopyFile(s.containerPath, s.shareKvfPrefix + s.containerTitle + ".kvf");
  const bool datCopied = DocumentsKnown() && PlatformCopyFile(s.datPath, s.shareDatPrefix + s.containerTitle + ".dat");
  PlayFinishSound();
  if (kvfCopied && datCopied) {
    ShowStatus("Currently loaded kvf/dat files exported to Documents/Export_Kvf Folder");
  } else {
    RefuseCommand();
    ShowStatus(MSG_CREATION_FAILED);
  }
}

// The program's one state record. Every routine of the shell, the library and
// the converters reads and writes this record directly; results and failures
// travel through its fields, never through return values or exceptions.
// Texts are byte strings of the system's ANSI code page; paths are full paths
// joined with the host's separator. Flags are 32-bit integers holding 0 or 1.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "io/file_io.h"
#include "platform/platform.h"
#include "state/container_report.h"

// The loaded container's read handle. A copy of the state holds none: the file stays with the state that opened it.
struct HeldStream : Stream {
  HeldStream() = default;
  HeldStream(const HeldStream&) : Stream() {}
  HeldStream(HeldStream&&) = default;
  HeldStream& operator=(const HeldStream&) {
    reset();
    return *this;
  }
  HeldStream& operator=(HeldStream&&) = default;
  HeldStream& operator=(Stream&& stream) {
    Stream::operator=(std::move(stream));
    return *this;
  }
  ~HeldStream() = default;
};

struct AppState {
  // --- Program paths (set once by start-up) --------------------------------
  std::string programDir;  // ends with the separator
  std::string tempWavPath;
  std::string decodedWavPath;
  std::string singleExportPrefix;
  std::string massExportPrefix;
  std::string crcLogPath;
  std::string helpFilePath;
  // The importers' working files, one per foreign format (convert/format_registry.h).
  std::string aiffWavPath;
  std::string auWavPath;
  std::string vocWavPath;
  std::string htkWavPath;
  std::string cafWavPath;
  std::string pafWavPath;
  std::string pvfWavPath;
  std::string sphWavPath;
  std::string wveWavPath;
  std::string iffWavPath;
  std::string mpcWavPath;
  std::string rawSampleTempPath;
  std::string documentsWavDir;
  std::string shareDir;
  std::string shareKvfPrefix;
  std::string shareDatPrefix;

  // --- Loaded container ------------------------------------------------------
  std::string loadedContainerPath;  // longer than 1 character = a container is loaded
  std::string loadPickedPath;
  std::string containerPath;
  std::string datPath;
  std::string containerTitle;
  HeldStream containerFile;  // read handle kept open while the container is loaded
  std::int32_t containerSize = 0;
  std::int32_t containerTooLarge = 0;
  std::int32_t entryCount = 0;
  std::int32_t nameSourceMode = 0;  // 1 = the container's .dat, else CrcLog.dat
  std::string loadStatusText;

  // --- Checking a container ---------------------------------------------------
  std::string checkedContainerPath;  // the .kvf a check reads; its .dat lies beside it
  ContainerReport containerReport;   // what the last check found
  ContainerRepair containerRepair;   // the last repair's plan and outcome

  // --- Current entry and stored play ---------------------------------------
  std::int32_t currentIndex = 0;
  std::int32_t indexPinned = 0;
  std::string playWavPath;
  std::string nowPlayingText;
  std::string storedEntryName;  // what the name list calls the entry last prepared; empty when it has no name
  std::string msgNowPlayingStored = "Now playing stored ";
  std::string entryKeyText;
  std::string durationText;
  double durationSeconds = 0;
  std::uint32_t durationMs = 0;
  std::uint32_t replayDurationMs = 0;
  std::int32_t wavTypeKnown = 1;
  std::int32_t specialDecodeDone = 0;
  std::int32_t specialDecodeDone2 = 0;
  // What the entry played last was recognised as (convert/format_registry.h).
  std::int32_t isAiff = 0;
  std::int32_t isAu = 0;
  std::int32_t isVoc = 0;
  std::int32_t isHtk = 0;
  std::int32_t isCaf = 0;
  std::int32_t isPaf = 0;
  std::int32_t isPvf = 0;
  std::int32_t isSph = 0;
  std::int32_t isRiff = 0;

  // --- Adding files ------------------------------------------------------------
  std::string addWavPickedPath;
  std::string addedWavName;
  std::string logWavName;
  std::string crcHexText;
  std::uint32_t nameCrc = 0;
  std::int32_t nameLogged = 0;     // 1 when the last name-list pair was written whole
  std::int32_t entryAppended = 0;  // 1 when the last append stored the whole entry

  // --- Stored IMA ADPCM decoding ----------------------------------------------
  std::int16_t adpcmMonoPredictor = 0;
  std::uint8_t adpcmMonoStepIndex = 0;
  std::int16_t adpcmLeftPredictor = 0;
  std::uint8_t adpcmLeftStepIndex = 0;
  std::int16_t adpcmRightPredictor = 0;
  std::uint8_t adpcmRightStepIndex = 0;

  // --- External files ------------------------------------------------------------
  // The file Play_Wav picked, in every foreign format's field while it is handled.
  std::string aiffSourcePath;
  std::string auSourcePath;
  std::string vocSourcePath;
  std::string htkSourcePath;
  std::string cafSourcePath;
  std::string pafSourcePath;
  std::string pvfSourcePath;
  std::string sphSourcePath;
  std::string wveSourcePath;
  std::string iffSourcePath;
  std::string mpcSourcePath;
  std::int32_t externalFilePicked = 0;
  std::int32_t externalFileBusy = 0;
  std::int32_t conversionFailed = 0;
  std::int32_t externalWavReady = 0;
  std::string externalWavPath;
  std::string msgSharedAccess = "Shared access violation. This file cannot be loaded while  Korvel_Player is in use.";

  // --- Exports, share, new container ---------------------------------------------
  std::int32_t exportsFailed = 0;         // 1 when the last export of all entries missed one
  std::int32_t storedEntryExtracted = 0;  // 1 when the last stored play extracted its entry
  std::int32_t saveInDocuments = 0;
  std::int32_t exportAsPcm = 0;
  std::int32_t exportCounter = 0;
  std::int32_t externalExportCounter = 0;
  std::string newContainerName;
  std::string newContainerPath;
  std::string newDatPath;
  std::int32_t containerFilesWritten = 0;  // 1 when the last new pair was written whole
  std::string msgFileTooLarge =
      ". File is extremely large! It is recommended that you create or select a different .kvf to "
      "save further wavs. . .";

  // --- Timer and animation ---------------------------------------------------------
  std::int32_t animRunning = 0;
  std::int32_t animFrame = 0;
  std::int32_t animClockMs = 140;
  static constexpr std::int32_t playTimerIntervalMs = 140;
  std::int32_t replayMode = 0;
  std::int32_t stopHintShown = 0;

  // --- Windows, menus and pictures ---------------------------------------------------
  WindowHandle hwndMain = nullptr;
  WindowHandle hwndStatus = nullptr;
  WindowHandle hwndEntryList = nullptr;
  WindowHandle hwndStopButton = nullptr;
  WindowHandle hwndStopHint = nullptr;
  WindowHandle hwndStopHintZone = nullptr;
  WindowHandle hwndAnimation = nullptr;
  WindowHandle hwndExportWindow = nullptr;
  WindowHandle hwndExportNameEdit = nullptr;
  WindowHandle hwndExportCancel = nullptr;
  WindowHandle hwndQuickStart = nullptr;
  WindowHandle hwndQuickStartClose = nullptr;
  MenuHandle menuBar = nullptr;
  MenuHandle menuFile = nullptr;
  MenuHandle menuWavs = nullptr;
  MenuHandle menuExport = nullptr;
  MenuHandle menuOptions = nullptr;
  MenuHandle menuShare = nullptr;
  MenuHandle menuHelp = nullptr;
  BitmapHandle bmpMenuLoad = nullptr;
  BitmapHandle bmpMenuWav = nullptr;
  BitmapHandle bmpMenuKvf = nullptr;
  BitmapHandle bmpMenuExportCurrent = nullptr;
  BitmapHandle bmpMenuExportAll = nullptr;
  BitmapHandle bmpMenuOption = nullptr;
  BitmapHandle currentBitmap = nullptr;
  int showCommand = 5;  // how the main window is first shown (given to the entry routine)
  std::string mainClassName = "Korvel_Player  (" KORVEL_VERSION ")";
  std::string exportClassName = " Korvel_File - Export";
  std::string quickStartClassName = " Quick Start - Help";
};

extern AppState appState;

// Program-wide initialisation before the entry routine: every field to its
// initial value, then the seven empty menus.
void InitializeAppState();
// Start-up steps 1 to 4: program paths, Documents paths, "KVP_Wavs".
void SetUpProgramPaths();
// Makes sure the folder at path exists: when the entry found there is not
// named exactly name, the folder is created. Failures are not reported here;
// what writes into the folder later reports its own.
void EnsureFolderExists(const std::string& path, const std::string& name);
// False when the platform could not name the user's Documents folder; every
// write into Documents then fails as a failed copy does.
bool DocumentsKnown();

// The failure text of every operation that writes a file for the user.
extern const char* const MSG_CREATION_FAILED;

extern const char PATH_SEPARATOR;
// The part of a path after its last separator: a slash, and on Windows a backslash too.
std::string FileNameOf(const std::string& path);

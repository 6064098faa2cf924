// Start-up and shutdown of the program, over the platform layer so that every
// front-end (the Windows program, the command line, the tests) runs the same
// steps. The windows themselves are created elsewhere; this file owns the
// state record, the paths derived at start-up and the teardown.
#include "state/app_state.h"

#include "state/commands.h"

#ifdef _WIN32
const char PATH_SEPARATOR = '\\';
#else
const char PATH_SEPARATOR = '/';
#endif

AppState appState;

std::string HostPath(const std::string& windowsPath) {
  std::string path = windowsPath;
  for (char& c : path) {
    if (c == '\\') c = PATH_SEPARATOR;
  }
  return path;
}

void InitializeAppState() {
  appState = AppState{};
  appState.menuBar = PlatformCreateMenu();
  appState.menuFile = PlatformCreateMenu();
  appState.menuWavs = PlatformCreateMenu();
  appState.menuExport = PlatformCreateMenu();
  appState.menuOptions = PlatformCreateMenu();
  appState.menuShare = PlatformCreateMenu();
  appState.menuHelp = PlatformCreateMenu();
}

void SetUpProgramPaths() {
  AppState& s = appState;
  std::string programFile = PlatformProgramFilePath();
#ifdef _WIN32
  std::size_t lastSeparator = programFile.find_last_of("\\/");
#else
  std::size_t lastSeparator = programFile.find_last_of('/');
#endif
  s.programDir = lastSeparator == std::string::npos ? std::string() : programFile.substr(0, lastSeparator + 1);

  auto inProgramDir = [&](const char* relative) { return s.programDir + HostPath(relative); };
  s.singleExportPrefix = inProgramDir("Export\\KVFS_Wav");
  s.massExportPrefix = inProgramDir("Export\\KVFM_Wav");
  s.tempWavPath = inProgramDir("Export\\Conversions\\temp_wav.wav");
  s.decodedWavPath = inProgramDir("Export\\Conversions\\decoded.wav");
  s.crcLogPath = inProgramDir("CrcLog.dat");
  s.helpFilePath = inProgramDir("Korvel_Player-help.chm");
  s.aiffWavPath = inProgramDir("Export\\Conversions\\Mac.wav");
  s.auWavPath = inProgramDir("Export\\Conversions\\NeXT.wav");
  s.vocWavPath = inProgramDir("Export\\Conversions\\Clabs.wav");
  s.htkWavPath = inProgramDir("Export\\Conversions\\HTKws.wav");
  s.cafWavPath = inProgramDir("Export\\Conversions\\Caffs.wav");
  s.pafWavPath = inProgramDir("Export\\Conversions\\Pafs.wav");
  s.pvfWavPath = inProgramDir("Export\\Conversions\\Pvfs.wav");
  s.sphWavPath = inProgramDir("Export\\Conversions\\Sphs.wav");
  s.wveWavPath = inProgramDir("Export\\Conversions\\Wves.wav");
  s.iffWavPath = inProgramDir("Export\\Conversions\\Iffs.wav");
  s.mpcWavPath = inProgramDir("Export\\Conversions\\Mpcs.wav");
  s.rawSampleTempPath = inProgramDir("Export\\Conversions\\AuSamp.raw");

  // With no Documents folder the Documents paths stay empty: a path built
  // from an empty folder would name the root of the drive.
  std::string documents = PlatformDocumentsFolder();
  if (!documents.empty()) {
    s.shareDir = documents + PATH_SEPARATOR + "Export_KVF";
    s.shareKvfPrefix = s.shareDir + PATH_SEPARATOR;
    s.shareDatPrefix = s.shareDir + PATH_SEPARATOR;
    s.documentsWavDir = documents + PATH_SEPARATOR + "KVP_Wavs";
  }

  EnsureFolderExists(s.documentsWavDir, "KVP_Wavs");
}

const char* const MSG_CREATION_FAILED = "Oops.  It seems something went wrong and file creation has failed . . .";

void EnsureFolderExists(const std::string& path, const std::string& name) {
  if (path.empty()) return;  // no Documents folder: there is nothing to create
  if (PlatformFindFirstName(path) != name) PlatformCreateFolder(path);
}

bool DocumentsKnown() { return !appState.documentsWavDir.empty(); }

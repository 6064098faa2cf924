// Start-up and shutdown of the program, over the platform layer so that every
// front-end (the Windows program, the command line, the tests) runs the same
// steps. The windows themselves are created elsewhere; this file owns the
// state record, the paths derived at start-up and the teardown.
#include "state/app_state.h"

#include <algorithm>
#include <cstring>

#include "state/commands.h"

#ifdef _WIN32
const char PATH_SEPARATOR = '\\';
const char* const HOST_SEPARATORS = "\\/";
#else
const char PATH_SEPARATOR = '/';
const char* const HOST_SEPARATORS = "/";
#endif

std::string FileNameOf(const std::string& path) {
  const std::size_t separator = path.find_last_of(HOST_SEPARATORS);
  return separator == std::string::npos ? path : path.substr(separator + 1);
}

AppState appState;

namespace {

// The working files of the conversions, in the program folder.
constexpr const char* CONVERSIONS_FOLDER = "Export\\Conversions\\";

// The importers' working files, one per foreign format: the output path
// fields of the format registry (convert/format_registry.h), which the state
// layer cannot read.
struct WorkingFile {
  std::string AppState::*path;
  const char* name;
};

// clang-format off
const WorkingFile IMPORTER_WORKING_FILES[] = {
    {&AppState::aiffWavPath, "Mac.wav"},
    {&AppState::auWavPath, "NeXT.wav"},
    {&AppState::vocWavPath, "Clabs.wav"},
    {&AppState::htkWavPath, "HTKws.wav"},
    {&AppState::cafWavPath, "Caffs.wav"},
    {&AppState::pafWavPath, "Pafs.wav"},
    {&AppState::pvfWavPath, "Pvfs.wav"},
    {&AppState::sphWavPath, "Sphs.wav"},
    {&AppState::wveWavPath, "Wves.wav"},
    {&AppState::iffWavPath, "Iffs.wav"},
    {&AppState::mpcWavPath, "Mpcs.wav"},
};
// clang-format on

// Appends a relative path written with "\", with the host's separator.
void AppendHostPath(std::string& path, const char* windowsPath) {
  const std::size_t start = path.size();
  path += windowsPath;
  std::replace(path.begin() + static_cast<std::ptrdiff_t>(start), path.end(), '\\', PATH_SEPARATOR);
}

}  // namespace

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
  const std::string programFile = PlatformProgramFilePath();
  s.programDir = programFile.substr(0, programFile.size() - FileNameOf(programFile).size());

  // Each built in place: one allocation a path, where joined temporaries took three.
  auto inProgramDir = [&](const char* folder, const char* name = "") {
    std::string path;
    path.reserve(s.programDir.size() + std::strlen(folder) + std::strlen(name));
    path += s.programDir;
    AppendHostPath(path, folder);
    AppendHostPath(path, name);
    return path;
  };
  auto inConversions = [&](const char* name) { return inProgramDir(CONVERSIONS_FOLDER, name); };
  s.singleExportPrefix = inProgramDir("Export\\KVFS_Wav");
  s.massExportPrefix = inProgramDir("Export\\KVFM_Wav");
  s.tempWavPath = inConversions("temp_wav.wav");
  s.decodedWavPath = inConversions("decoded.wav");
  s.crcLogPath = inProgramDir("CrcLog.dat");
  s.helpFilePath = inProgramDir("Korvel_Player-help.chm");
  for (const WorkingFile& file : IMPORTER_WORKING_FILES) s.*file.path = inConversions(file.name);
  s.rawSampleTempPath = inConversions("AuSamp.raw");

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

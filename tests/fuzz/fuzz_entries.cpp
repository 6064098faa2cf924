#include "tests/fuzz/fuzz_entries.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

#include "convert/formats.h"
#include "convert/frame.h"
#include "library/byte_order.h"
#include "library/container.h"
#include "library/file_io.h"
#include "platform/headless.h"
#include "shell/app_state.h"
#include "shell/commands.h"
#include "shell/main_window.h"
#include "shell/program_windows.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<unsigned char>;

// --- Failures ----------------------------------------------------------------------

FuzzFailureHandler failureHandler = nullptr;
const char* currentEntry = "";

void Fail(const std::string& message) {
  if (failureHandler != nullptr) {
    failureHandler(currentEntry, message);
    return;
  }
  std::fprintf(stderr, "\n*** %s: %s\n", currentEntry, message.c_str());
  std::fflush(stderr);
  std::abort();
}

#define FUZZ_CHECK(condition, message)          \
  do {                                          \
    if (!(condition)) Fail(std::string(message)); \
  } while (0)

// --- Files -----------------------------------------------------------------------------

Bytes ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const std::string& path, const unsigned char* data, std::size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

void WriteAll(const std::string& path, const Bytes& bytes) { WriteAll(path, bytes.data(), bytes.size()); }

bool Exists(const std::string& path) {
  std::error_code error;
  return fs::exists(path, error);
}

std::string NameOf(const fs::path& path) { return path.filename().string(); }

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

// --- The scratch folders ---------------------------------------------------------------

long ProcessId() {
#ifdef _WIN32
  return static_cast<long>(_getpid());
#else
  return static_cast<long>(getpid());
#endif
}

struct Scratch {
  fs::path root, program, documents, input;
};

void RemoveScratch();

const Scratch& TheScratch() {
  static const Scratch scratch = [] {
    Scratch s;
    s.root = fs::temp_directory_path() / ("korvel-fuzz-" + std::to_string(ProcessId()));
    s.program = s.root / "Korvel Player";
    s.documents = s.root / "Documents";
    s.input = s.root / "Input";  // what the user picks from outside; the program only reads it
    return s;
  }();
  // Registered once the folders' names exist, so that at exit the cleanup
  // runs before they are destroyed (exit handlers run in reverse order).
  static const bool cleanupRegistered = std::atexit(RemoveScratch) == 0;
  (void)cleanupRegistered;
  return scratch;
}

void RemoveScratch() {
  appState.containerFile.reset();  // an open file cannot be removed on Windows
  std::error_code error;
  fs::remove_all(TheScratch().root, error);
}

std::string InputFile(const std::string& name) { return (TheScratch().input / name).string(); }

// Empties the folders and starts the program afresh, as at its start-up.
void ResetProgram() {
  const Scratch& s = TheScratch();
  IoFailAt(0);
  appState.containerFile.reset();
  std::error_code error;
  fs::remove_all(s.root, error);
  fs::create_directories(s.program / "Export" / "Conversions");
  fs::create_directories(s.documents);
  fs::create_directories(s.input);
  HeadlessReset((s.program / "Korvel_Player.exe").string(), s.documents.string());
  InitializeAppState();
  SetUpProgramPaths();
  if (!CreateProgramWindows()) Fail("the program's windows could not be created");
  HeadlessClearCalls();
}

void Command(int id, unsigned notification = 0) {
  MainWindowProc(appState.hwndMain, MESSAGE_COMMAND, static_cast<std::uintptr_t>(id) | (notification << 16), 0);
}

void CommandWithDialog(int id, const std::string& path) {
  HeadlessQueueDialogAnswer(path);
  Command(id);
}

// The program's own working files in Export/Conversions.
std::set<std::string> WorkingFileNames() {
  const AppState& s = appState;
  std::set<std::string> names;
  for (const std::string* path :
       {&s.tempWavPath, &s.decodedWavPath, &s.aiffWavPath, &s.auWavPath, &s.vocWavPath, &s.htkWavPath, &s.cafWavPath,
        &s.pafWavPath, &s.pvfWavPath, &s.sphWavPath, &s.wveWavPath, &s.iffWavPath, &s.mpcWavPath}) {
    names.insert(NameOf(*path));
  }
  return names;
}

bool IsExportName(const std::string& name, const char* prefix) {
  if (!StartsWith(name, prefix)) return false;
  std::size_t i = std::string(prefix).size();
  std::size_t digits = i;
  while (digits < name.size() && name[digits] >= '0' && name[digits] <= '9') ++digits;
  static const std::set<std::string> extensions = {".au", ".aiff", ".voc", ".wav", ".caf",
                                                   ".paf", ".pvf",  ".sph", ".htk"};
  return digits > i && extensions.count(name.substr(digits)) == 1;
}

// Everything the program wrote lies where it may write: its working files,
// its exports, the name log, the Documents folders it owns. Nothing else
// appears in the scratch root, and no scratch file is left over.
void CheckFolders() {
  const Scratch& s = TheScratch();
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(s.root, error)) {
    const std::string name = NameOf(entry.path());
    FUZZ_CHECK(name == "Korvel Player" || name == "Documents" || name == "Input",
               "written outside the program and Documents folders: " + entry.path().string());
  }
  for (const fs::directory_entry& entry : fs::directory_iterator(s.program, error)) {
    const std::string name = NameOf(entry.path());
    FUZZ_CHECK(name == "Export" || name == "CrcLog.dat", "stray file in the program folder: " + name);
  }
  for (const fs::directory_entry& entry : fs::directory_iterator(s.program / "Export", error)) {
    const std::string name = NameOf(entry.path());
    FUZZ_CHECK(name == "Conversions" || IsExportName(name, "KVFS_Wav") || IsExportName(name, "KVFM_Wav"),
               "stray file in Export: " + name);
  }
  const std::set<std::string> working = WorkingFileNames();
  for (const fs::directory_entry& entry : fs::directory_iterator(s.program / "Export" / "Conversions", error)) {
    const std::string name = NameOf(entry.path());
    FUZZ_CHECK(working.count(name) == 1, "scratch file left in Export/Conversions: " + name);
  }
  for (const fs::directory_entry& entry : fs::directory_iterator(s.documents, error)) {
    const std::string name = NameOf(entry.path());
    FUZZ_CHECK(name == "KVP_Wavs" || name == "Export_KVF", "stray file in Documents: " + name);
  }
  for (const fs::directory_entry& entry : fs::directory_iterator(s.documents / "KVP_Wavs", error)) {
    const std::string name = NameOf(entry.path());
    FUZZ_CHECK(StartsWith(name, "ext_wav") || IsExportName(name, "KVFS_Wav") || IsExportName(name, "KVFM_Wav"),
               "stray file in Documents/KVP_Wavs: " + name);
  }
}

// --- Waves ------------------------------------------------------------------------------

// A converter's output read by the fixed layouts of the three header
// families (PCM 44 bytes, G.711 58 bytes, float 82 or 90 bytes).
struct Wave {
  bool ok = false;
  std::string why;
  int family = 0;  // 0 PCM, 1 G.711, 2 float
  std::uint32_t riffSize = 0, dataSize = 0, sampleRate = 0, factSamples = 0;
  std::uint16_t formatTag = 0, channels = 0, blockAlign = 0, bits = 0;
  std::size_t dataOffset = 0;
};

Wave ParseWaveBytes(const Bytes& b) {
  Wave w;
  if (b.size() < 44 || !ReadTag(&b[0], "RIFF") || !ReadTag(&b[8], "WAVEfmt ")) {
    w.why = "not a RIFF/WAVE header";
    return w;
  }
  w.riffSize = ReadU32Le(&b[4]);
  const std::uint32_t fmtSize = ReadU32Le(&b[16]);
  w.formatTag = ReadU16Le(&b[20]);
  w.channels = ReadU16Le(&b[22]);
  w.sampleRate = ReadU32Le(&b[24]);
  w.blockAlign = ReadU16Le(&b[32]);
  w.bits = ReadU16Le(&b[34]);
  if (fmtSize == 16 && ReadTag(&b[36], "data")) {
    w.family = 0;
    w.dataSize = ReadU32Le(&b[40]);
    w.dataOffset = 44;
  } else if (fmtSize == 18 && b.size() >= 58 && ReadTag(&b[38], "fact") && ReadTag(&b[50], "data")) {
    w.family = 1;
    w.factSamples = ReadU32Le(&b[46]);
    w.dataSize = ReadU32Le(&b[54]);
    w.dataOffset = 58;
  } else if (fmtSize == 16 && b.size() >= 82 && ReadTag(&b[36], "fact") && ReadTag(&b[48], "PEAK")) {
    w.family = 2;
    w.factSamples = ReadU32Le(&b[44]);
    const std::size_t dataTag = 56 + ReadU32Le(&b[52]);
    if (dataTag + 8 > b.size() || !ReadTag(&b[dataTag], "data")) {
      w.why = "float header without its data chunk";
      return w;
    }
    w.dataSize = ReadU32Le(&b[dataTag + 4]);
    w.dataOffset = dataTag + 8;
  } else {
    w.why = "unknown header layout";
    return w;
  }
  w.ok = true;
  return w;
}

// --- Converters ---------------------------------------------------------------------------

struct Format {
  const char* name;
  void (*import)();
  void (*convertStored)();
  std::string AppState::*source;
  std::string AppState::*output;
  // Formats that write their output and still report failure for some inputs.
  bool mayWriteAndFail;
};

const Format MPC{"mpc", ImportMpcFile, nullptr, &AppState::mpcSourcePath, &AppState::mpcWavPath, false};
const Format IFF{"iff", ImportIffFile, nullptr, &AppState::iffSourcePath, &AppState::iffWavPath, false};
const Format WVE{"wve", ImportWveFile, nullptr, &AppState::wveSourcePath, &AppState::wveWavPath, false};
const Format SPH{"sph", ImportSphFile, ConvertStoredSph, &AppState::sphSourcePath, &AppState::sphWavPath, false};
const Format PVF{"pvf", ImportPvfFile, ConvertStoredPvf, &AppState::pvfSourcePath, &AppState::pvfWavPath, false};
const Format PAF{"paf", ImportPafFile, ConvertStoredPaf, &AppState::pafSourcePath, &AppState::pafWavPath, false};
const Format CAF{"caf", ImportCafFile, ConvertStoredCaf, &AppState::cafSourcePath, &AppState::cafWavPath, false};
// An unknown time constant: written at the fallback rate, reported failed.
const Format VOC{"voc", ImportVocFile, ConvertStoredVoc, &AppState::vocSourcePath, &AppState::vocWavPath, true};
const Format HTK{"htk", ImportHtkFile, ConvertStoredHtk, &AppState::htkSourcePath, &AppState::htkWavPath, false};
const Format AU{"au", ImportAuFile, ConvertStoredAu, &AppState::auSourcePath, &AppState::auWavPath, false};
// An 8-bit file with FL32 or FL64 at 50: written, reported failed.
const Format AIFF{"aiff", ImportAiffFile, ConvertStoredAiff, &AppState::aiffSourcePath, &AppState::aiffWavPath, true};

struct ConversionResult {
  bool failed = false;
  bool written = false;
  Bytes output;
};

constexpr double SENTINEL_SECONDS = 7.25;
constexpr std::uint32_t SENTINEL_MS = 7000;

// Checks a written output: one of the three header families, sizes that
// agree with each other and with the file, and never more samples than the
// input held.
void CheckConvertedWave(const Bytes& out, std::size_t inputSize) {
  const Wave w = ParseWaveBytes(out);
  if (!w.ok) {
    Fail("output is not a wave: " + w.why);
    return;
  }
  const std::uint64_t payload = out.size() - w.dataOffset;
  // The payload is copied in whole units of at most 6 bytes; sizes come from S.
  FUZZ_CHECK(payload <= inputSize + 6, "output holds more samples than the input had: " + std::to_string(payload) +
                                           " from " + std::to_string(inputSize));
  FUZZ_CHECK(w.dataSize <= inputSize + 2,
             "data size " + std::to_string(w.dataSize) + " beyond the input's " + std::to_string(inputSize));
  FUZZ_CHECK(w.riffSize <= inputSize + 90,
             "RIFF size " + std::to_string(w.riffSize) + " beyond the input's " + std::to_string(inputSize));
}

ConversionResult RunConverter(const Format& format, bool stored, const std::uint8_t* data, std::size_t size) {
  AppState& s = appState;
  const std::string source = stored ? s.tempWavPath : InputFile(std::string("input.") + format.name);
  const std::string output = stored ? s.decodedWavPath : s.*format.output;
  WriteAll(source, data, size);
  RemoveFile(output);
  s.durationSeconds = SENTINEL_SECONDS;
  s.durationMs = SENTINEL_MS;
  s.replayDurationMs = SENTINEL_MS;
  s.durationText = "7.25";
  s.conversionFailed = 0;
  s.wavTypeKnown = 1;
  if (stored) {
    format.convertStored();
  } else {
    s.*format.source = source;
    format.import();
  }
  ConversionResult result;
  const std::int32_t flag = stored ? s.wavTypeKnown : s.conversionFailed;
  FUZZ_CHECK(flag == 0 || flag == 1, "failure flag holds " + std::to_string(flag));
  result.failed = stored ? flag == 0 : flag == 1;
  result.written = Exists(output);
  if (result.written) result.output = ReadAll(output);
  FUZZ_CHECK(ReadAll(source) == Bytes(data, data + size), "the converter changed its input");

  if (result.failed && !(format.mayWriteAndFail && result.written)) {
    FUZZ_CHECK(!result.written, "a refused input wrote " + output);
    FUZZ_CHECK(s.durationSeconds == SENTINEL_SECONDS && s.durationMs == SENTINEL_MS &&
                   s.replayDurationMs == SENTINEL_MS,
               "a refused input changed the durations");
  } else {
    FUZZ_CHECK(result.written, "an accepted input wrote no output");
    if (result.written) CheckConvertedWave(result.output, size);
    FUZZ_CHECK(std::isfinite(s.durationSeconds) && s.durationSeconds >= 0, "duration is not a finite time");
    if (stored) {
      FUZZ_CHECK(s.replayDurationMs == s.durationMs, "replay duration differs from the duration");
      std::string text = FormatDuration(s.durationSeconds);
      if (&format == &AIFF) {  // AIFF keeps six characters for the status line
        if (text.size() > 6) text.resize(6);
        if (text.size() < 2) text = "unknown";
      }
      FUZZ_CHECK(s.durationText == text, "duration text " + s.durationText + " differs from the duration " + text);
    }
  }
  CheckFolders();
  return result;
}

void FuzzImport(const char* entry, const Format& format, const std::uint8_t* data, std::size_t size) {
  currentEntry = entry;
  ResetProgram();
  RunConverter(format, false, data, size);
}

void FuzzStored(const char* entry, const Format& format, const std::uint8_t* data, std::size_t size) {
  currentEntry = entry;
  ResetProgram();
  // The faces may differ on purpose (VOC's stored G.711 blocks, CAF's rates),
  // so each is held to the checks on its own.
  RunConverter(format, true, data, size);
  RunConverter(format, false, data, size);
}

// --- Containers ------------------------------------------------------------------------------

struct Record {
  bool valid = false;
  std::uint32_t nameKey = 0, dataSize = 0, dataStart = 0, dataEnd = 0;
};

// Record k of a container's bytes, checked as the program must check it.
Record RecordOf(const Bytes& kvf, std::int64_t k) {
  Record r;
  if (k < 1 || k > MAX_ENTRIES) return r;
  const std::size_t at = static_cast<std::size_t>(16 * k);
  if (at + 16 > kvf.size()) return r;
  r.nameKey = ReadU32Le(&kvf[at]);
  r.dataSize = ReadU32Le(&kvf[at + 4]);
  r.dataStart = ReadU32Le(&kvf[at + 8]);
  r.dataEnd = ReadU32Le(&kvf[at + 12]);
  const std::uint64_t end = std::uint64_t{r.dataStart} + r.dataSize;
  r.valid = end == r.dataEnd && end <= kvf.size();
  return r;
}

Bytes StoredBytes(const Bytes& kvf, const Record& r) {
  return Bytes(kvf.begin() + r.dataStart, kvf.begin() + r.dataEnd);
}

std::uint32_t EntryCountOf(const Bytes& kvf) { return kvf.size() >= 16 ? ReadU32Le(&kvf[12]) : 0; }

// A valid container with one entry per element of entries, and its name list.
void BuildContainer(const std::vector<Bytes>& entries, Bytes& kvf, std::string& dat) {
  kvf.assign(DATA_AREA_START, 0);
  WriteU32Le(&kvf[0], 336);
  WriteU32Le(&kvf[4], 1);
  WriteU32Le(&kvf[8], 24);
  WriteU32Le(&kvf[12], static_cast<std::uint32_t>(entries.size()));
  dat.clear();
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const std::string name = "entry" + std::to_string(i + 1) + ".wav";
    const std::uint32_t crc = ~ComputeNameCrc(name);
    unsigned char* record = &kvf[16 * (i + 1)];
    const auto start = static_cast<std::uint32_t>(kvf.size());
    WriteU32Le(record, NameKeyOf(crc));
    WriteU32Le(record + 4, static_cast<std::uint32_t>(entries[i].size()));
    WriteU32Le(record + 8, start);
    WriteU32Le(record + 12, start + static_cast<std::uint32_t>(entries[i].size()));
    kvf.insert(kvf.end(), entries[i].begin(), entries[i].end());
    dat += NameListPair(crc, name);
  }
}

std::set<std::string> ExportNames(const char* prefix) {
  std::set<std::string> names;
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(TheScratch().program / "Export", error)) {
    const std::string name = NameOf(entry.path());
    if (StartsWith(name, prefix)) names.insert(name);
  }
  return names;
}

// Play of the current entry just happened: what was extracted and played.
void CheckStoredPlay(const Bytes& kvf) {
  const AppState& s = appState;
  FUZZ_CHECK(s.wavTypeKnown == 0 || s.wavTypeKnown == 1, "wavTypeKnown holds " + std::to_string(s.wavTypeKnown));
  const Record r = RecordOf(kvf, s.currentIndex);
  if (!r.valid || s.currentIndex > s.entryCount) {
    FUZZ_CHECK(s.wavTypeKnown == 0, "a damaged or missing record was played");
    return;
  }
  FUZZ_CHECK(ReadAll(s.tempWavPath) == StoredBytes(kvf, r), "temp_wav.wav does not hold the entry's bytes");
  if (s.wavTypeKnown == 1) {
    FUZZ_CHECK(Exists(s.playWavPath), "the file played does not exist: " + s.playWavPath);
    FUZZ_CHECK(std::isfinite(s.durationSeconds), "a played entry without a finite duration");
  }
}

// A single export (1200) just ran after a play: a new file is a copy of a
// working file.
void CheckSingleExport(const std::set<std::string>& before) {
  const AppState& s = appState;
  for (const std::string& name : ExportNames("KVFS_Wav")) {
    if (before.count(name) == 1) continue;
    const Bytes exported = ReadAll((TheScratch().program / "Export" / name).string());
    FUZZ_CHECK(exported == ReadAll(s.tempWavPath) || exported == ReadAll(s.decodedWavPath),
               "a single export is not a copy of the entry played: " + name);
  }
}

// Export all (1700): every valid record's bytes, nothing for the others.
void CheckExportAll(const Bytes& kvf) {
  const AppState& s = appState;
  std::set<std::string> names = ExportNames("KVFM_Wav");
  const std::int32_t last = std::min(s.entryCount, MAX_ENTRIES);
  bool anyDamaged = s.entryCount > MAX_ENTRIES;
  for (std::int32_t n = 1; n <= last; ++n) {
    const std::string prefix = "KVFM_Wav" + std::to_string(n) + ".";
    std::string found;
    for (const std::string& name : names) {
      if (StartsWith(name, prefix)) found = name;
    }
    const Record r = RecordOf(kvf, n);
    if (!r.valid) {
      anyDamaged = true;
      FUZZ_CHECK(found.empty(), "a damaged record was exported: " + found);
      continue;
    }
    FUZZ_CHECK(!found.empty(), "entry " + std::to_string(n) + " was not exported");
    if (found.empty()) continue;
    names.erase(found);
    FUZZ_CHECK(ReadAll((TheScratch().program / "Export" / found).string()) == StoredBytes(kvf, r),
               "exported entry " + std::to_string(n) + " differs from its stored bytes");
  }
  FUZZ_CHECK(names.empty(), "exports beyond the entry count: " + (names.empty() ? "" : *names.begin()));
  if (anyDamaged) FUZZ_CHECK(s.exportsFailed == 1, "damaged records, yet the export reported success");
}

void LoadContainerFiles(const Bytes& kvf, const Bytes* dat, std::string& kvfPath, std::string& datPath) {
  kvfPath = InputFile("box.kvf");
  datPath = InputFile("box.dat");
  WriteAll(kvfPath, kvf);
  if (dat != nullptr) WriteAll(datPath, *dat);
  CommandWithDialog(CMD_LOAD_KVF, kvfPath);
  const AppState& s = appState;
  FUZZ_CHECK(s.entryCount == static_cast<std::int32_t>(EntryCountOf(kvf)), "entry count differs from offset 12");
  FUZZ_CHECK(s.loadedContainerPath == kvfPath, "the container was not loaded");
}

}  // namespace

void SetFuzzFailureHandler(FuzzFailureHandler handler) { failureHandler = handler; }

void FuzzImportMpc(const std::uint8_t* d, std::size_t n) { FuzzImport("import_mpc", MPC, d, n); }
void FuzzImportIff(const std::uint8_t* d, std::size_t n) { FuzzImport("import_iff", IFF, d, n); }
void FuzzImportWve(const std::uint8_t* d, std::size_t n) { FuzzImport("import_wve", WVE, d, n); }
void FuzzImportSph(const std::uint8_t* d, std::size_t n) { FuzzImport("import_sph", SPH, d, n); }
void FuzzImportPvf(const std::uint8_t* d, std::size_t n) { FuzzImport("import_pvf", PVF, d, n); }
void FuzzImportPaf(const std::uint8_t* d, std::size_t n) { FuzzImport("import_paf", PAF, d, n); }
void FuzzImportCaf(const std::uint8_t* d, std::size_t n) { FuzzImport("import_caf", CAF, d, n); }
void FuzzImportVoc(const std::uint8_t* d, std::size_t n) { FuzzImport("import_voc", VOC, d, n); }
void FuzzImportHtk(const std::uint8_t* d, std::size_t n) { FuzzImport("import_htk", HTK, d, n); }
void FuzzImportAu(const std::uint8_t* d, std::size_t n) { FuzzImport("import_au", AU, d, n); }
void FuzzImportAiff(const std::uint8_t* d, std::size_t n) { FuzzImport("import_aiff", AIFF, d, n); }

void FuzzStoredSph(const std::uint8_t* d, std::size_t n) { FuzzStored("stored_sph", SPH, d, n); }
void FuzzStoredPvf(const std::uint8_t* d, std::size_t n) { FuzzStored("stored_pvf", PVF, d, n); }
void FuzzStoredPaf(const std::uint8_t* d, std::size_t n) { FuzzStored("stored_paf", PAF, d, n); }
void FuzzStoredCaf(const std::uint8_t* d, std::size_t n) { FuzzStored("stored_caf", CAF, d, n); }
void FuzzStoredVoc(const std::uint8_t* d, std::size_t n) { FuzzStored("stored_voc", VOC, d, n); }
void FuzzStoredHtk(const std::uint8_t* d, std::size_t n) { FuzzStored("stored_htk", HTK, d, n); }
void FuzzStoredAu(const std::uint8_t* d, std::size_t n) { FuzzStored("stored_au", AU, d, n); }
void FuzzStoredAiff(const std::uint8_t* d, std::size_t n) { FuzzStored("stored_aiff", AIFF, d, n); }

void FuzzContainer(const std::uint8_t* data, std::size_t size) {
  currentEntry = "container";
  ResetProgram();
  if (size < 2) return;
  const std::size_t datSize = std::min<std::size_t>(ReadU16Le(data), size - 2);
  const Bytes dat(data + 2, data + 2 + datSize);
  const Bytes kvf(data + 2 + datSize, data + size);
  std::string kvfPath, datPath;
  LoadContainerFiles(kvf, datSize > 0 ? &dat : nullptr, kvfPath, datPath);
  AppState& s = appState;

  constexpr int MAX_PLAYS = 8;
  int plays = 0;
  if (!HeadlessListRows(s.hwndEntryList).empty() && s.entryCount > 0) {
    HeadlessSelectRow(s.hwndEntryList, 0);
    std::set<std::string> before = ExportNames("KVFS_Wav");
    Command(IDC_ENTRY_LIST, LIST_SELECTION_CHANGED);
    CheckStoredPlay(kvf);
    Command(CMD_EXPORT_CURRENT);
    CheckSingleExport(before);
    ++plays;
  }
  while (plays < MAX_PLAYS && s.currentIndex < s.entryCount) {
    std::set<std::string> before = ExportNames("KVFS_Wav");
    const std::int32_t previous = s.currentIndex;
    Command(IDC_NEXT);
    FUZZ_CHECK(s.currentIndex == previous + 1, "\"-->\" did not step to the next entry");
    CheckStoredPlay(kvf);
    Command(CMD_EXPORT_CURRENT);
    CheckSingleExport(before);
    ++plays;
  }
  Command(CMD_EXPORT_ALL);
  CheckExportAll(kvf);
  s.containerFile.reset();
  FUZZ_CHECK(ReadAll(kvfPath) == kvf, "loading, playing or exporting changed the .kvf");
  if (datSize > 0) {
    FUZZ_CHECK(ReadAll(datPath) == dat, "loading, playing or exporting changed the .dat");
  } else {
    FUZZ_CHECK(!Exists(datPath), "a .dat appeared");
  }
  FUZZ_CHECK(!Exists(s.crcLogPath), "CrcLog.dat was written without an add");
  CheckFolders();
}

namespace {

// Blocks of the IMA ADPCM decoder: the bytes a file of size bytes makes it write.
std::uint64_t ImaDecodedBytes(std::size_t size, int channels) {
  const std::size_t header = 4u * static_cast<std::size_t>(channels);
  const std::size_t blockBytes = channels == 1 ? 1024 : 2048;
  std::size_t at = 60;
  auto readHeader = [&] {
    if (at < size) at += std::min(header, size - at);
  };
  readHeader();
  std::uint64_t total = 2;  // the first header sample
  while (at < size) {
    const std::size_t got = std::min(blockBytes, size - at);
    at += got;
    const std::size_t available = channels == 1 ? got : got / 8 * 4 + std::min<std::size_t>(got % 8, 4);
    total += 2 * std::min<std::size_t>(2047, 2 * available) + 2;
    readHeader();
  }
  return total;
}

}  // namespace

void FuzzStoredWave(const std::uint8_t* data, std::size_t size) {
  currentEntry = "stored_wave";
  ResetProgram();
  Bytes entry(data, data + size);
  if (entry.size() >= 4) WriteTag(&entry[0], "RIFF");
  Bytes kvf;
  std::string dat;
  BuildContainer({entry}, kvf, dat);
  std::string kvfPath, datPath;
  const Bytes datBytes(dat.begin(), dat.end());
  LoadContainerFiles(kvf, &datBytes, kvfPath, datPath);
  AppState& s = appState;
  Command(IDC_NEXT);
  CheckStoredPlay(kvf);

  unsigned char f[36] = {};
  std::copy(entry.begin(), entry.begin() + std::min<std::size_t>(36, entry.size()), f);
  const std::uint32_t fmtSize = ReadU32Le(f + 16);
  const std::uint16_t blockAlign = ReadU16Le(f + 32);
  const bool ima = entry.size() >= 4 && fmtSize == 20 && (blockAlign == 1028 || blockAlign == 2056);
  if (ima) {
    const int channels = ReadU16Le(f + 22);
    // With no rate there is no duration to show: such an entry is refused too.
    const std::uint32_t estimate = (20u * (static_cast<std::uint32_t>(ReadI16Le(f + 22)) * ReadU32Le(f + 24))) >> 3;
    if (entry.size() < 28 || (channels != 1 && channels != 2) || estimate == 0) {
      FUZZ_CHECK(s.wavTypeKnown == 0, "an IMA ADPCM entry that cannot be decoded was accepted");
      FUZZ_CHECK(!Exists(s.decodedWavPath), "an IMA ADPCM entry that cannot be decoded wrote decoded.wav");
    } else {
      FUZZ_CHECK(s.wavTypeKnown == 1 && s.playWavPath == s.decodedWavPath, "a decodable IMA ADPCM entry was not played");
      const Bytes out = ReadAll(s.decodedWavPath);
      const Wave w = ParseWaveBytes(out);
      const std::uint64_t expected = ImaDecodedBytes(entry.size(), channels);
      FUZZ_CHECK(w.ok && w.family == 0, "decoded.wav is not a PCM wave");
      FUZZ_CHECK(out.size() == 44 + expected, "decoded.wav holds " + std::to_string(out.size()) + " bytes, not " +
                                                  std::to_string(44 + expected));
      FUZZ_CHECK(w.dataSize == expected && w.riffSize == expected + 36, "decoded.wav's sizes are wrong");
      FUZZ_CHECK(w.channels == 1 && w.bits == 16 && w.sampleRate == ReadU32Le(f + 24),
                 "decoded.wav's format is wrong");
    }
  } else if (s.wavTypeKnown == 1 && entry.size() >= 4) {
    FUZZ_CHECK(s.playWavPath == s.tempWavPath, "a plain stored wave was not played where it was extracted");
  }
  if (s.wavTypeKnown == 1) {
    const std::vector<std::string> played = HeadlessCallsOf("sound-file");
    FUZZ_CHECK(!played.empty() && played.back() == s.playWavPath, "the prepared wave was not handed to the sound service");
    const Bytes playedBytes = ReadAll(s.playWavPath);
    const std::set<std::string> before = ExportNames("KVFS_Wav");
    Command(CMD_EXPORT_CURRENT);
    const std::set<std::string> after = ExportNames("KVFS_Wav");
    FUZZ_CHECK(after.size() == before.size() + 1, "the played entry was not exported");
    for (const std::string& name : after) {
      if (before.count(name) == 0) {
        FUZZ_CHECK(ReadAll((TheScratch().program / "Export" / name).string()) == playedBytes,
                   "the export is not the wave that was played");
      }
    }
  }
  s.containerFile.reset();
  FUZZ_CHECK(ReadAll(kvfPath) == kvf, "playing changed the .kvf");
  CheckFolders();
}

namespace {

// Play_Wav of the file at path; checks what it played and its export.
// Returns the path of the wave played (empty when none was).
std::string PlayExternal(const std::string& path, const Bytes& file, const Format* format) {
  AppState& s = appState;
  CommandWithDialog(CMD_PLAY_EXTERNAL, path);
  FUZZ_CHECK(s.conversionFailed == 0 || s.conversionFailed == 1, "conversionFailed holds " + std::to_string(s.conversionFailed));
  FUZZ_CHECK(ReadAll(path) == file, "Play_Wav changed the file it played");
  if (format != nullptr) {
    const std::string output = s.*format->output;
    if (s.conversionFailed == 1) {
      FUZZ_CHECK(s.externalWavReady == 0, "a failed conversion was played");
      if (!format->mayWriteAndFail) FUZZ_CHECK(!Exists(output), "a failed conversion wrote " + output);
    } else {
      FUZZ_CHECK(s.externalWavReady == 1 && s.externalWavPath == output, "a converted file was not played");
    }
    if (Exists(output)) CheckConvertedWave(ReadAll(output), file.size());
  }
  const std::string played = s.externalWavReady == 1 ? s.externalWavPath : std::string();
  if (s.externalWavReady == 1) {
    FUZZ_CHECK(s.conversionFailed == 0, "a failed file was played");
    FUZZ_CHECK(Exists(s.externalWavPath), "the played file does not exist");
    const Bytes playedBytes = ReadAll(s.externalWavPath);
    Command(CMD_EXPORT_EXTERNAL);
    const std::string exported = (TheScratch().documents / "KVP_Wavs" / "ext_wav1.wav").string();
    FUZZ_CHECK(ReadAll(exported) == playedBytes, "the external export is not the wave that was played");
  } else {
    Command(CMD_EXPORT_EXTERNAL);
    FUZZ_CHECK(!Exists((TheScratch().documents / "KVP_Wavs" / "ext_wav1.wav").string()),
               "an external export without a played file");
  }
  CheckFolders();
  return played;
}

}  // namespace

void FuzzExternalWav(const std::uint8_t* data, std::size_t size) {
  currentEntry = "external_wav";
  ResetProgram();
  const Bytes file(data, data + size);
  const std::string path = InputFile("picked.wav");
  WriteAll(path, file);
  const bool sphere = size >= 3 && ReadTag(data, "NIS");
  const std::string played = PlayExternal(path, file, sphere ? &SPH : nullptr);
  if (!sphere && !played.empty()) {
    FUZZ_CHECK(played == path, "a wave was played from somewhere else than where it lies");
  }
}

void FuzzExternalAny(const std::uint8_t* data, std::size_t size) {
  currentEntry = "external_any";
  ResetProgram();
  if (size < 1) return;
  struct Choice {
    const char* extension;
    const Format* format;
  };
  static const Choice choices[] = {
      {"htk", &HTK},   {"HTK", &HTK},   {"voc", &VOC},   {"VOC", &VOC},   {"au", &AU},     {"AU", &AU},
      {"snd", &AU},    {"SND", &AU},    {"aiff", &AIFF}, {"AIFF", &AIFF}, {"aif", &AIFF},  {"AIF", &AIFF},
      {"caf", &CAF},   {"CAF", &CAF},   {"paf", &PAF},   {"PAF", &PAF},   {"pvf", &PVF},   {"PVF", &PVF},
      {"sph", &SPH},   {"SPH", &SPH},   {"wve", &WVE},   {"WVE", &WVE},   {"iff", &IFF},   {"IFF", &IFF},
      {"8svx", &IFF},  {"8SVX", &IFF},  {"mpc", &MPC},   {"MPC", &MPC},   {"wav", nullptr}, {"WAV", nullptr},
      {"Wav", nullptr}, {"txt", nullptr},
  };
  const Choice& choice = choices[data[0] % std::size(choices)];
  const Bytes file(data + 1, data + size);
  const std::string path = InputFile(std::string("picked.") + choice.extension);
  WriteAll(path, file);
  const bool sphereWave = choice.format == nullptr && file.size() >= 3 && ReadTag(file.data(), "NIS") &&
                          (std::string(choice.extension) == "wav" || std::string(choice.extension) == "WAV");
  const std::string played = PlayExternal(path, file, sphereWave ? &SPH : choice.format);
  if (std::string(choice.extension) == "Wav" || std::string(choice.extension) == "txt") {
    FUZZ_CHECK(played.empty(), "a file of an unknown extension was played");
  }
}

void FuzzAddToContainer(const std::uint8_t* data, std::size_t size) {
  currentEntry = "add_to_container";
  ResetProgram();
  const Bytes kvf(data, data + size);
  const std::string firstName = "first.wav";
  const std::string datText = NameListPair(~ComputeNameCrc(firstName), firstName);
  const Bytes dat(datText.begin(), datText.end());
  std::string kvfPath, datPath;
  LoadContainerFiles(kvf, &dat, kvfPath, datPath);
  AppState& s = appState;

  // A small PCM wave to add.
  Bytes added(44 + 64, 0x5A);
  WriteTag(&added[0], "RIFF");
  WriteU32Le(&added[4], static_cast<std::uint32_t>(added.size() - 8));
  WriteTag(&added[8], "WAVEfmt ");
  WriteU32Le(&added[16], 16);
  WriteU16Le(&added[20], 1);
  WriteU16Le(&added[22], 1);
  WriteU32Le(&added[24], 8000);
  WriteU32Le(&added[28], 16000);
  WriteU16Le(&added[32], 2);
  WriteU16Le(&added[34], 16);
  WriteTag(&added[36], "data");
  WriteU32Le(&added[40], 64);
  const std::string addedName = "add.wav";
  const std::string addedPath = InputFile(addedName);
  WriteAll(addedPath, added);

  CommandWithDialog(CMD_ADD_WAV, addedPath);
  s.containerFile.reset();
  const Bytes kvfAfter = ReadAll(kvfPath);
  const Bytes datAfter = ReadAll(datPath);
  const std::uint32_t count = EntryCountOf(kvf);
  const bool acceptable = kvf.size() >= static_cast<std::size_t>(DATA_AREA_START) && count < MAX_ENTRIES;
  FUZZ_CHECK(s.entryAppended == (acceptable ? 1 : 0),
             acceptable ? "an acceptable container refused the file" : "a container that must refuse took the file");
  if (s.entryAppended == 1) {
    const std::uint32_t crc = ~ComputeNameCrc(addedName);
    Bytes expected = kvf;
    expected.insert(expected.end(), added.begin(), added.end());
    WriteU32Le(&expected[12], count + 1);
    unsigned char* record = &expected[16 * (count + 1)];
    WriteU32Le(record, NameKeyOf(crc));
    WriteU32Le(record + 4, static_cast<std::uint32_t>(added.size()));
    WriteU32Le(record + 8, static_cast<std::uint32_t>(kvf.size()));
    WriteU32Le(record + 12, static_cast<std::uint32_t>(kvf.size() + added.size()));
    FUZZ_CHECK(kvfAfter == expected, "the .kvf does not hold exactly the new entry");
    const std::string pair = NameListPair(crc, addedName);
    Bytes expectedDat = dat;
    expectedDat.insert(expectedDat.end(), pair.begin(), pair.end());
    FUZZ_CHECK(datAfter == expectedDat, "the .dat does not hold exactly the new name");
    FUZZ_CHECK(s.entryCount == static_cast<std::int32_t>(count + 1), "the entry count was not updated");
  } else {
    FUZZ_CHECK(kvfAfter == kvf, "a refused add changed the .kvf");
    FUZZ_CHECK(datAfter == dat, "a refused add changed the .dat");
  }
  FUZZ_CHECK(ReadAll(addedPath) == added, "adding changed the file added");
  FUZZ_CHECK(!Exists(s.crcLogPath), "a name went to CrcLog.dat though the container has its .dat");
  CheckFolders();
}

const std::vector<FuzzEntry>& FuzzEntries() {
  static const std::vector<FuzzEntry> entries = {
      {"import_mpc", FuzzImportMpc},   {"import_iff", FuzzImportIff},       {"import_wve", FuzzImportWve},
      {"import_sph", FuzzImportSph},   {"import_pvf", FuzzImportPvf},       {"import_paf", FuzzImportPaf},
      {"import_caf", FuzzImportCaf},   {"import_voc", FuzzImportVoc},       {"import_htk", FuzzImportHtk},
      {"import_au", FuzzImportAu},     {"import_aiff", FuzzImportAiff},     {"stored_sph", FuzzStoredSph},
      {"stored_pvf", FuzzStoredPvf},   {"stored_paf", FuzzStoredPaf},       {"stored_caf", FuzzStoredCaf},
      {"stored_voc", FuzzStoredVoc},   {"stored_htk", FuzzStoredHtk},       {"stored_au", FuzzStoredAu},
      {"stored_aiff", FuzzStoredAiff}, {"container", FuzzContainer},        {"stored_wave", FuzzStoredWave},
      {"external_wav", FuzzExternalWav}, {"external_any", FuzzExternalAny}, {"add_to_container", FuzzAddToContainer},
  };
  return entries;
}

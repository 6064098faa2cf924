#include "tests/fuzz/fuzz_entries.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <regex>
#include <set>

#ifdef _WIN32
#include <process.h>
#define getpid _getpid
#else
#include <unistd.h>
#endif

#include "convert/frame.h"
#include "library/byte_order.h"
#include "library/container.h"
#include "library/file_io.h"
#include "platform/headless.h"
#include "shell/commands.h"
#include "shell/main_window.h"
#include "shell/program_windows.h"
#include "tests/formats.h"

namespace fs = std::filesystem;

namespace {

FuzzFailureHandler failureHandler = nullptr;
std::string currentEntry;

void Fail(const std::string& message) {
  if (failureHandler != nullptr) return failureHandler(currentEntry, message);
  std::fprintf(stderr, "\n*** %s: %s\n", currentEntry.c_str(), message.c_str());
  std::fflush(stderr);
  std::abort();
}

// The message is only built when the check breaks.
#define FUZZ_CHECK(condition, message) \
  do {                                 \
    if (!(condition)) Fail(message);   \
  } while (0)

Bytes ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const fs::path& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<std::streamsize>(bytes.size()));
}

bool Exists(const fs::path& path) {
  std::error_code error;
  return fs::exists(path, error);
}

std::string NameOf(const fs::path& path) { return path.filename().string(); }

// --- The scratch folders: one root a process, removed at exit --------------------

struct Scratch {
  fs::path root, program, documents, input;  // input: the files picked from outside
};

void RemoveScratch();

const Scratch& TheScratch() {
  static const Scratch s = [] {
    const fs::path root = fs::temp_directory_path() / ("korvel-fuzz-" + std::to_string(getpid()));
    return Scratch{root, root / "Korvel Player", root / "Documents", root / "Input"};
  }();
  // Registered once the names exist, so that it runs before they are destroyed.
  static const bool registered = std::atexit(RemoveScratch) == 0;
  (void)registered;
  return s;
}

void RemoveScratch() {
  appState.containerFile.reset();  // an open file cannot be removed on Windows
  std::error_code error;
  fs::remove_all(TheScratch().root, error);
}

fs::path Input(const std::string& name) { return TheScratch().input / name; }
fs::path Exported(const std::string& name) { return TheScratch().program / "Export" / name; }

// Empties the folders and starts the program afresh, as at its start-up.
void ResetProgram(const std::string& entry) {
  currentEntry = entry;
  const Scratch& s = TheScratch();
  IoFailAt(0);
  RemoveScratch();
  fs::create_directories(s.program / "Export" / "Conversions");
  fs::create_directories(s.documents);
  fs::create_directories(s.input);
  HeadlessReset((s.program / "Korvel_Player.exe").string(), s.documents.string());
  InitializeAppState();
  SetUpProgramPaths();
  FUZZ_CHECK(CreateProgramWindows(), "the program's windows could not be created");
  HeadlessClearCalls();
}

void Command(int id, unsigned notification = 0) {
  MainWindowProc(appState.hwndMain, MESSAGE_COMMAND, static_cast<std::uintptr_t>(id) | (notification << 16), 0);
}

void CommandWithDialog(int id, const fs::path& answer) {
  HeadlessQueueDialogAnswer(answer.string());
  Command(id);
}

// Everything the program wrote lies where it may write (its working files,
// its exports, the name log, the Documents folders it owns), and no scratch
// file is left over.
void CheckFolders() {
  const Scratch& s = TheScratch();
  const std::string exports = "KVF[SM]_Wav[0-9]+\\.(au|aiff|voc|wav|caf|paf|pvf|sph|htk)";
  std::string working = NameOf(appState.tempWavPath) + "|" + NameOf(appState.decodedWavPath);
  for (const FormatRow& row : Formats()) working += "|" + NameOf(appState.*row.output);
  working = std::regex_replace(working, std::regex("\\."), "\\.");
  const struct {
    fs::path folder;
    std::string allowed;
    const char* what;
  } rules[] = {
      {s.root, "Korvel Player|Documents|Input", "written outside the program and Documents folders"},
      {s.program, "Export|CrcLog\\.dat", "stray file in the program folder"},
      {s.program / "Export", "Conversions|" + exports, "stray file in Export"},
      {s.program / "Export" / "Conversions", working, "scratch file left in Export/Conversions"},
      {s.documents, "KVP_Wavs|Export_KVF", "stray file in Documents"},
      {s.documents / "KVP_Wavs", "ext_wav.*|" + exports, "stray file in Documents/KVP_Wavs"},
  };
  for (const auto& rule : rules) {
    const std::regex allowed(rule.allowed);
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(rule.folder, error)) {
      FUZZ_CHECK(std::regex_match(NameOf(entry.path()), allowed), rule.what + (": " + entry.path().string()));
    }
  }
}

// --- Converters ---------------------------------------------------------------------

constexpr double SENTINEL_SECONDS = 7.25;
constexpr std::uint32_t SENTINEL_MS = 7000;

// A written output is a wave of the three header families whose sizes the
// input bounds: samples are copied in whole units of at most 6 bytes.
void CheckConvertedWave(const Bytes& out, std::size_t inputSize) {
  const WaveInfo w = ParseWave(out);
  FUZZ_CHECK(w.ok, "the output is not a wave of the three header families");
  if (!w.ok) return;
  const std::string from = " from an input of " + std::to_string(inputSize);
  FUZZ_CHECK(out.size() - w.dataOffset <= inputSize + 6, "payload of " + std::to_string(out.size() - w.dataOffset) + from);
  FUZZ_CHECK(w.dataSize <= inputSize + 2, "data size " + std::to_string(w.dataSize) + from);
  FUZZ_CHECK(w.riffSize <= inputSize + 90, "RIFF size " + std::to_string(w.riffSize) + from);
}

// The stored converter (temp_wav.wav to decoded.wav) or the importer of the
// format on the bytes, with durations set to a sentinel beforehand.
void RunConverter(const FormatRow& format, bool stored, const Bytes& in) {
  AppState& s = appState;
  const std::string source = stored ? s.tempWavPath : Input(std::string("input.") + format.name).string();
  const std::string output = stored ? s.decodedWavPath : s.*format.output;
  WriteAll(source, in);
  RemoveFile(output);
  s.durationSeconds = SENTINEL_SECONDS;
  s.durationMs = s.replayDurationMs = SENTINEL_MS;
  s.durationText = "7.25";
  s.conversionFailed = 0;
  s.wavTypeKnown = 1;
  if (stored) {
    format.convertStored();
  } else {
    s.*format.source = source;
    format.import();
  }
  // Stored converters report a refusal as wavTypeKnown 0, importers as conversionFailed 1.
  const std::int32_t flag = stored ? s.wavTypeKnown : s.conversionFailed;
  FUZZ_CHECK(flag == 0 || flag == 1, "failure flag holds " + std::to_string(flag));
  const bool failed = flag == (stored ? 0 : 1), written = Exists(output);
  FUZZ_CHECK(ReadAll(source) == in, "the converter changed its input");
  if (failed && !(format.mayWriteAndFail && written)) {
    FUZZ_CHECK(!written, "a refused input wrote " + output);
    FUZZ_CHECK(s.durationSeconds == SENTINEL_SECONDS && s.durationMs == SENTINEL_MS && s.replayDurationMs == SENTINEL_MS,
               "a refused input changed the durations");
  } else {
    FUZZ_CHECK(written, "an accepted input wrote no output");
    if (written) CheckConvertedWave(ReadAll(output), in.size());
    FUZZ_CHECK(std::isfinite(s.durationSeconds) && s.durationSeconds >= 0, "duration is not a finite time");
    if (stored) {
      FUZZ_CHECK(s.replayDurationMs == s.durationMs, "replay duration differs from the duration");
      std::string text = FormatDuration(s.durationSeconds);
      if (std::string(format.name) == "aiff") {  // AIFF keeps six characters for the status line
        text.resize(std::min<std::size_t>(text.size(), 6));
        if (text.size() < 2) text = "unknown";
      }
      FUZZ_CHECK(s.durationText == text, "duration text " + s.durationText + " differs from the duration " + text);
    }
  }
  CheckFolders();
}

// --- Containers ----------------------------------------------------------------------

// The bytes of record k, or nothing when the program must judge it damaged.
std::optional<Bytes> StoredEntry(const Bytes& kvf, std::int64_t k) {
  if (k < 1 || k > MAX_ENTRIES || static_cast<std::size_t>(16 * k + 16) > kvf.size()) return std::nullopt;
  const unsigned char* record = &kvf[static_cast<std::size_t>(16 * k)];
  const std::uint64_t start = ReadU32Le(record + 8), end = start + ReadU32Le(record + 4);
  if (end != ReadU32Le(record + 12) || end > kvf.size()) return std::nullopt;
  return Bytes(kvf.begin() + static_cast<std::ptrdiff_t>(start), kvf.begin() + static_cast<std::ptrdiff_t>(end));
}

std::uint32_t EntryCountOf(const Bytes& kvf) { return kvf.size() >= 16 ? ReadU32Le(&kvf[12]) : 0; }

// A valid container of entries named entry<n>.wav, and its name list.
Bytes NamedKvf(const std::vector<Bytes>& entries, Bytes& dat) {
  std::vector<std::uint32_t> keys;
  dat.clear();
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const std::string name = "entry" + std::to_string(i + 1) + ".wav";
    const std::uint32_t crc = ~ComputeNameCrc(name);
    keys.push_back(NameKeyOf(crc));
    const std::string pair = NameListPair(crc, name);
    dat.insert(dat.end(), pair.begin(), pair.end());
  }
  return KvfFile(entries, keys);
}

std::set<std::string> Exports(const std::string& prefix) {
  std::set<std::string> names;
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(TheScratch().program / "Export", error)) {
    if (NameOf(entry.path()).rfind(prefix, 0) == 0) names.insert(NameOf(entry.path()));
  }
  return names;
}

// The contents of the single exports (KVFS_Wav) made since before.
std::vector<Bytes> NewSingleExports(const std::set<std::string>& before) {
  std::vector<Bytes> files;
  for (const std::string& name : Exports("KVFS_Wav")) {
    if (before.count(name) == 0) files.push_back(ReadAll(Exported(name)));
  }
  return files;
}

// The current entry was just played: it was extracted whole, or refused.
void CheckStoredPlay(const Bytes& kvf) {
  const AppState& s = appState;
  FUZZ_CHECK(s.wavTypeKnown == 0 || s.wavTypeKnown == 1, "wavTypeKnown holds " + std::to_string(s.wavTypeKnown));
  const std::optional<Bytes> stored = StoredEntry(kvf, s.currentIndex);
  if (!stored || s.currentIndex > s.entryCount) {
    FUZZ_CHECK(s.wavTypeKnown == 0, "a damaged or missing record was played");
    return;
  }
  FUZZ_CHECK(ReadAll(s.tempWavPath) == *stored, "temp_wav.wav does not hold the entry's bytes");
  if (s.wavTypeKnown == 1) {
    FUZZ_CHECK(Exists(s.playWavPath), "the file played does not exist: " + s.playWavPath);
    FUZZ_CHECK(std::isfinite(s.durationSeconds), "a played entry without a finite duration");
  }
}

// Export all (1700): every valid record's bytes, nothing for the others.
void CheckExportAll(const Bytes& kvf) {
  const AppState& s = appState;
  std::set<std::string> names = Exports("KVFM_Wav");
  bool anyDamaged = s.entryCount > MAX_ENTRIES;
  for (std::int32_t n = 1; n <= std::min(s.entryCount, MAX_ENTRIES); ++n) {
    const std::string prefix = "KVFM_Wav" + std::to_string(n) + ".";
    const auto found = std::find_if(names.begin(), names.end(), [&](const std::string& x) { return x.rfind(prefix, 0) == 0; });
    const std::optional<Bytes> stored = StoredEntry(kvf, n);
    anyDamaged |= !stored;
    FUZZ_CHECK((found != names.end()) == stored.has_value(), "entry " + std::to_string(n) + (stored ? " was not exported" : " is damaged, yet exported"));
    if (found == names.end()) continue;
    FUZZ_CHECK(!stored || ReadAll(Exported(*found)) == *stored, "exported entry " + std::to_string(n) + " differs from its stored bytes");
    names.erase(found);
  }
  FUZZ_CHECK(names.empty(), "exports beyond the entry count: " + (names.empty() ? "" : *names.begin()));
  if (anyDamaged) FUZZ_CHECK(s.exportsFailed == 1, "damaged records, yet the export reported success");
}

// Loads Input/box.kvf (with Input/box.dat when dat is given) through the dialog of 200.
void LoadContainer(const Bytes& kvf, const Bytes* dat) {
  WriteAll(Input("box.kvf"), kvf);
  if (dat != nullptr) WriteAll(Input("box.dat"), *dat);
  CommandWithDialog(CMD_LOAD_KVF, Input("box.kvf"));
  FUZZ_CHECK(appState.entryCount == static_cast<std::int32_t>(EntryCountOf(kvf)), "entry count differs from offset 12");
  FUZZ_CHECK(appState.loadedContainerPath == Input("box.kvf").string(), "the container was not loaded");
}

// u16 LE n, n bytes of ".dat" (none written when n is 0), then the ".kvf".
// Loaded, at most eight entries played (list selection, then "-->") and
// each exported (1200), then all exported (1700).
void FuzzContainer(const Bytes& in) {
  if (in.size() < 2) return;
  const std::size_t datSize = std::min<std::size_t>(ReadU16Le(in.data()), in.size() - 2);
  const Bytes dat(in.begin() + 2, in.begin() + 2 + static_cast<std::ptrdiff_t>(datSize));
  const Bytes kvf(in.begin() + 2 + static_cast<std::ptrdiff_t>(datSize), in.end());
  LoadContainer(kvf, datSize > 0 ? &dat : nullptr);
  AppState& s = appState;
  for (int plays = 0; plays < 8; ++plays) {
    const std::set<std::string> before = Exports("KVFS_Wav");
    if (plays == 0 && !HeadlessListRows(s.hwndEntryList).empty() && s.entryCount > 0) {
      HeadlessSelectRow(s.hwndEntryList, 0);
      Command(IDC_ENTRY_LIST, LIST_SELECTION_CHANGED);
    } else if (s.currentIndex < s.entryCount) {
      const std::int32_t previous = s.currentIndex;
      Command(IDC_NEXT);
      FUZZ_CHECK(s.currentIndex == previous + 1, "\"-->\" did not step to the next entry");
    } else {
      break;
    }
    CheckStoredPlay(kvf);
    Command(CMD_EXPORT_CURRENT);
    for (const Bytes& file : NewSingleExports(before)) {
      FUZZ_CHECK(file == ReadAll(s.tempWavPath) || file == ReadAll(s.decodedWavPath), "a single export is not a copy of the entry played");
    }
  }
  Command(CMD_EXPORT_ALL);
  CheckExportAll(kvf);
  s.containerFile.reset();
  FUZZ_CHECK(ReadAll(Input("box.kvf")) == kvf, "loading, playing or exporting changed the .kvf");
  FUZZ_CHECK(datSize > 0 ? ReadAll(Input("box.dat")) == dat : !Exists(Input("box.dat")), "loading, playing or exporting changed the .dat");
  FUZZ_CHECK(!Exists(s.crcLogPath), "CrcLog.dat was written without an add");
  CheckFolders();
}

// The bytes the IMA ADPCM decoder writes for an entry of size bytes, counted
// from the block layout alone: after the 60-byte header, blocks of a 4-byte
// header a channel and 1024 data bytes a channel (stereo interleaves 4-byte
// groups; one channel is decoded), each block however short giving its
// header's sample and two samples a data byte, at most 2048 samples.
std::uint64_t ImaDecodedBytes(std::size_t size, int channels) {
  const std::size_t header = 4u * static_cast<std::size_t>(channels), blockBytes = channels == 1 ? 1024 : 2048;
  std::size_t at = std::min(size, 60 + header);
  std::uint64_t total = 2;  // the first header's sample
  while (at < size) {
    const std::size_t got = std::min(blockBytes, size - at);
    const std::size_t available = channels == 1 ? got : got / 8 * 4 + std::min<std::size_t>(got % 8, 4);
    total += 2 * std::min<std::size_t>(2047, 2 * available) + 2;
    at = std::min(size, at + got + header);
  }
  return total;
}

// One entry of a valid container holds the bytes (the first four made
// "RIFF"): played, then exported.
void FuzzStoredWave(const Bytes& in) {
  Bytes entry = in, dat;
  if (entry.size() >= 4) WriteTag(&entry[0], "RIFF");
  const Bytes kvf = NamedKvf({entry}, dat);
  LoadContainer(kvf, &dat);
  AppState& s = appState;
  Command(IDC_NEXT);
  CheckStoredPlay(kvf);
  unsigned char f[36] = {};
  std::copy(entry.begin(), entry.begin() + std::min<std::ptrdiff_t>(36, static_cast<std::ptrdiff_t>(entry.size())), f);
  const std::uint16_t blockAlign = ReadU16Le(f + 32), channels = ReadU16Le(f + 22);
  if (entry.size() >= 4 && ReadU32Le(f + 16) == 20 && (blockAlign == 1028 || blockAlign == 2056)) {
    // With no rate there is no duration to show: such an entry is refused too.
    const std::uint32_t estimate = (20u * (static_cast<std::uint32_t>(ReadI16Le(f + 22)) * ReadU32Le(f + 24))) >> 3;
    if (entry.size() < 28 || (channels != 1 && channels != 2) || estimate == 0) {
      FUZZ_CHECK(s.wavTypeKnown == 0 && !Exists(s.decodedWavPath), "an IMA ADPCM entry that cannot be decoded was accepted");
    } else {
      FUZZ_CHECK(s.wavTypeKnown == 1 && s.playWavPath == s.decodedWavPath, "a decodable IMA ADPCM entry was not played");
      const Bytes out = ReadAll(s.decodedWavPath);
      const WaveInfo w = ParseWave(out);
      const std::uint64_t expected = ImaDecodedBytes(entry.size(), channels);
      FUZZ_CHECK(w.ok && w.dataOffset == 44 && out.size() == 44 + expected && w.dataSize == expected && w.riffSize == expected + 36,
                 "decoded.wav holds " + std::to_string(out.size()) + " bytes, not a PCM wave of " + std::to_string(44 + expected));
      FUZZ_CHECK(w.channels == 1 && w.bitsPerSample == 16 && w.sampleRate == ReadU32Le(f + 24), "decoded.wav's format is wrong");
    }
  } else if (s.wavTypeKnown == 1 && entry.size() >= 4) {
    FUZZ_CHECK(s.playWavPath == s.tempWavPath, "a plain stored wave was not played where it was extracted");
  }
  if (s.wavTypeKnown == 1) {
    const std::vector<std::string> played = HeadlessCallsOf("sound-file");
    FUZZ_CHECK(!played.empty() && played.back() == s.playWavPath, "the prepared wave was not handed to the sound service");
    const Bytes playedBytes = ReadAll(s.playWavPath);
    const std::set<std::string> before = Exports("KVFS_Wav");
    Command(CMD_EXPORT_CURRENT);
    const std::vector<Bytes> exported = NewSingleExports(before);
    FUZZ_CHECK(exported.size() == 1 && exported[0] == playedBytes, "the export is not the wave that was played");
  }
  s.containerFile.reset();
  FUZZ_CHECK(ReadAll(Input("box.kvf")) == kvf, "playing changed the .kvf");
  CheckFolders();
}

// --- Play_Wav (1100) of outside files, then their export (4100) ---------------------

// The extension the first byte of an external_any input picks (byte % 32).
const char* const EXTENSIONS[] = {"htk", "HTK", "voc", "VOC", "au",  "AU",  "snd",  "SND",  "aiff", "AIFF", "aif",
                                  "AIF", "caf", "CAF", "paf", "PAF", "pvf", "PVF",  "sph",  "SPH",  "wve",  "WVE",
                                  "iff", "IFF", "8svx", "8SVX", "mpc", "MPC", "wav", "WAV", "Wav", "txt"};

void PlayExternal(const std::string& extension, const Bytes& file) {
  const fs::path path = Input("picked." + extension);
  WriteAll(path, file);
  std::string lower = extension;
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
  const bool wave = extension == "wav" || extension == "WAV";
  // A ".wav" that starts "NIS" is converted as a SPHERE file.
  const FormatRow* format = wave && file.size() >= 3 && ReadTag(file.data(), "NIS") ? FormatNamed("sph")
                            : FormatNamed(lower == "snd" ? "au" : lower == "aif" ? "aiff" : lower == "8svx" ? "iff" : lower);
  AppState& s = appState;
  CommandWithDialog(CMD_PLAY_EXTERNAL, path);
  FUZZ_CHECK(s.conversionFailed == 0 || s.conversionFailed == 1, "conversionFailed holds " + std::to_string(s.conversionFailed));
  FUZZ_CHECK(ReadAll(path) == file, "Play_Wav changed the file it played");
  if (format != nullptr) {
    const std::string output = s.*format->output;
    if (s.conversionFailed == 1) {
      FUZZ_CHECK(s.externalWavReady == 0, "a failed conversion was played");
      FUZZ_CHECK(format->mayWriteAndFail || !Exists(output), "a failed conversion wrote " + output);
    } else {
      FUZZ_CHECK(s.externalWavReady == 1 && s.externalWavPath == output, "a converted file was not played");
    }
    if (Exists(output)) CheckConvertedWave(ReadAll(output), file.size());
  } else if (wave) {
    FUZZ_CHECK(s.externalWavReady == 0 || s.externalWavPath == path.string(), "a wave was played from somewhere else than where it lies");
  } else {
    FUZZ_CHECK(s.externalWavReady == 0, "a file of an unknown extension was played");
  }
  const bool played = s.externalWavReady == 1;
  FUZZ_CHECK(!played || (s.conversionFailed == 0 && Exists(s.externalWavPath)), "a failed or missing file was played");
  const Bytes playedBytes = played ? ReadAll(s.externalWavPath) : Bytes();
  Command(CMD_EXPORT_EXTERNAL);
  const fs::path exported = TheScratch().documents / "KVP_Wavs" / "ext_wav1.wav";
  FUZZ_CHECK(played ? ReadAll(exported) == playedBytes : !Exists(exported), "the external export is not the wave that was played");
  CheckFolders();
}

// Add_Wav (100) of a small wave to a container whose ".kvf" is the bytes.
void FuzzAddToContainer(const Bytes& kvf) {
  const std::string first = "first.wav", addedName = "add.wav";
  const std::string datText = NameListPair(~ComputeNameCrc(first), first);
  const Bytes dat(datText.begin(), datText.end()), added = PcmWave(1, 8000, 16, 64);
  LoadContainer(kvf, &dat);
  WriteAll(Input(addedName), added);
  CommandWithDialog(CMD_ADD_WAV, Input(addedName));
  AppState& s = appState;
  s.containerFile.reset();
  const std::uint32_t count = EntryCountOf(kvf);
  const bool acceptable = kvf.size() >= static_cast<std::size_t>(DATA_AREA_START) && count < MAX_ENTRIES;
  FUZZ_CHECK(s.entryAppended == (acceptable ? 1 : 0), acceptable ? "an acceptable container refused the file" : "a container that must refuse took the file");
  Bytes kvfAfter = kvf, datAfter = dat;
  if (s.entryAppended == 1) {
    const std::uint32_t crc = ~ComputeNameCrc(addedName);
    kvfAfter.insert(kvfAfter.end(), added.begin(), added.end());
    WriteU32Le(&kvfAfter[12], count + 1);
    unsigned char* record = &kvfAfter[16 * (count + 1)];
    WriteU32Le(record, NameKeyOf(crc));
    WriteU32Le(record + 4, static_cast<std::uint32_t>(added.size()));
    WriteU32Le(record + 8, static_cast<std::uint32_t>(kvf.size()));
    WriteU32Le(record + 12, static_cast<std::uint32_t>(kvf.size() + added.size()));
    const std::string pair = NameListPair(crc, addedName);
    datAfter.insert(datAfter.end(), pair.begin(), pair.end());
    FUZZ_CHECK(s.entryCount == static_cast<std::int32_t>(count + 1), "the entry count was not updated");
  }
  // A refused add leaves both files as they were; a taken one adds exactly the entry and its name.
  FUZZ_CHECK(ReadAll(Input("box.kvf")) == kvfAfter, "the .kvf does not hold exactly the old one plus the new entry, or nothing new");
  FUZZ_CHECK(ReadAll(Input("box.dat")) == datAfter, "the .dat does not hold exactly the old one plus the new name, or nothing new");
  FUZZ_CHECK(ReadAll(Input(addedName)) == added, "adding changed the file added");
  FUZZ_CHECK(!Exists(s.crcLogPath), "a name went to CrcLog.dat though the container has its .dat");
  CheckFolders();
}

// --- Seeds -------------------------------------------------------------------------------

// More shapes of each format than the registry's samples.
std::vector<Bytes> ExtraSamples(const std::string& format) {
  const Bytes p = PatternBytes(100, 5), q = PatternBytes(64, 7);
  const std::string sph = "NIST_1A\n   1024\nchannel_count -i ";
  static const std::map<std::string, std::vector<Bytes>> extras = {
      {"aiff", {AiffFile(2, 16, 0x400EAC44, p), AiffFile(1, 8, 0x400BFA00, p), AiffFile(1, 24, 0x400EBB80, PatternBytes(96)),
                AifcFile(2, 0x400DAC44, "ulaw", p), AifcFile(1, 0x400BFA00, "NONE", p), AifcFile(1, 0x400BFA00, "sowt", q)}},
      {"au", {AuFile(3, 22050, 1, p), AuFile(1, 8000, 2, p), AuFile(27, 11025, 2, p), AuFile(6, 44100, 1, PatternBytes(96)),
              AuFile(2, 8000, 1, p), AuFile(5, 48000, 2, p)}},
      {"caf", {CafFile(4200, {0x40, 0xE5, "lpcm", 2, 16, "data"}), CafFile(4200, {0x40, 0xBF, "ulaw", 1, 8, "data"}),
               CafFile(4200, {0x40, 0xBF, "alaw", 2, 8, "data"}), CafFile(4200, {0x40, 0xF7, "lpcm", 1, 32, "data"}),
               CafFile(4200, {0x40, 0xE5, "lpcm", 1, 24, "data"})}},
      {"paf", {PafFile(3001, {{0, 0, 0xAC, 0x44}, 0, 2}), PafFile(3001, {{0, 0, 0x56, 0x22}, 2, 1}),
               PafFile(2048 + 64, {{0, 1, 0x77, 0}, 1, 1}), PafFile(2048 + 70, {{0, 0, 0x30, 0x39}, 1, 2})}},
      {"htk", {HtkFile(1250, 2, PatternBytes(99)), HtkFile(227, 2, q)}},
      {"iff", {IffFile("8SVX", "VHDR", 22050, PatternBytes(51))}},
      {"mpc", {MpcFile(1, 22050, p), MpcFile(0, 44100, PatternBytes(99))}},
      {"pvf", {PvfFile("2 44100 16", PatternBytes(200)), PvfFile("1 8000 8", PatternBytes(101)), PvfFile("1 8000 24", p),
               PvfFile("1 11025 32", q)}},
      {"sph", {SphereFile(sph + "1\nsample_rate -i 16000\nsample_n_bytes -i 2\nsample_coding -s4 ulaw\nend_head\n", p),
               SphereFile(sph + "2\nsample_rate -i 8000\nsample_n_bytes -i 1\nsample_coding -s4 alaw\nend_head\n", p),
               SphereFile(sph + "2\nsample_rate -i 22050\nsample_n_bytes -i 2\nend_head\n", p),
               SphereFile(sph + "1\nsample_rate -i 8000\nsample_n_bytes -i 1\nsample_byte_format -s2 01\n"
                                "sample_coding -s4 ulaw\nend_head\n", q)}},
      {"voc", {NewFormatVoc(200, 22050, 16, 2, 4), NewFormatVoc(200, 8000, 8, 1, 0), NewFormatVoc(200, 8000, 8, 1, 6),
               NewFormatVoc(200, 8000, 8, 2, 7), TimeConstantVoc(200, 62634), TimeConstantVoc(200, 131, 16),
               TimeConstantVoc(200, 77)}},
      {"wve", {WveFile("ALawSoundFile**", 3762, p), WveFile("ALawSoundFile**", 8000, q)}},
  };
  return extras.count(format) ? extras.at(format) : std::vector<Bytes>();
}

Bytes Join(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// A container fuzzer's input: the name list's size, the name list, the ".kvf".
Bytes ContainerInput(const std::vector<Bytes>& entries) {
  Bytes dat, size(2);
  const Bytes kvf = NamedKvf(entries, dat);
  WriteU16Le(size.data(), static_cast<std::uint16_t>(dat.size()));
  return Join(Join(size, dat), kvf);
}

std::vector<FuzzEntry> MakeEntries() {
  std::vector<FuzzEntry> entries;
  auto add = [&](const std::string& name, std::function<void(const Bytes&)> run, std::vector<Bytes> seeds) {
    entries.push_back({name, [name, run](const Bytes& in) { ResetProgram(name); run(in); }, std::move(seeds)});
  };
  std::vector<Bytes> waves = {PcmWave(1, 8000, 16, 100), PcmWave(2, 44100, 16, 64), PcmWave(1, 22050, 8, 51),
                              PcmWave(1, 48000, 32, 64), ImaWave(1, 22050, 2, 100), ImaWave(2, 8000, 1),
                              ImaWave(2, 11025, 2, 13)};
  WriteU16Le(&waves[3][20], 3);  // IEEE float
  std::vector<Bytes> anySeeds = {Join({28}, waves[0])}, storable = {waves[4]};
  for (const FormatRow& row : Formats()) {
    std::vector<Bytes> seeds, extras = ExtraSamples(row.name);
    for (const FormatSample& sample : row.samples) seeds.push_back(sample.bytes);
    seeds.insert(seeds.end(), extras.begin(), extras.end());
    const auto pick = std::find(std::begin(EXTENSIONS), std::end(EXTENSIONS), std::string(row.name));
    anySeeds.push_back(Join({static_cast<unsigned char>(pick - std::begin(EXTENSIONS))}, seeds[0]));
    add(std::string("import_") + row.name, [&row](const Bytes& in) { RunConverter(row, false, in); }, seeds);
    if (row.convertStored == nullptr) continue;
    storable.push_back(seeds[0]);
    // The faces may differ on purpose (VOC's stored G.711 blocks, CAF's
    // rates), so each is held to the checks on its own.
    add(std::string("stored_") + row.name, [&row](const Bytes& in) { RunConverter(row, true, in); RunConverter(row, false, in); }, seeds);
  }
  Bytes dat;
  add("container", FuzzContainer, {ContainerInput({}), ContainerInput({waves[0]}), ContainerInput(waves), ContainerInput(storable)});
  add("stored_wave", FuzzStoredWave, waves);
  std::vector<Bytes> wavSeeds = waves;
  wavSeeds.push_back(FormatNamed("sph")->samples[0].bytes);  // a ".wav" holding a SPHERE file
  add("external_wav", [](const Bytes& in) { PlayExternal("wav", in); }, wavSeeds);
  add("external_any", [](const Bytes& in) { if (!in.empty()) PlayExternal(EXTENSIONS[in[0] % std::size(EXTENSIONS)], Tail(in, 1)); }, anySeeds);
  add("add_to_container", FuzzAddToContainer, {NamedKvf({}, dat), NamedKvf({waves[0], FormatNamed("au")->samples[0].bytes}, dat)});
  return entries;
}

}  // namespace

void SetFuzzFailureHandler(FuzzFailureHandler handler) { failureHandler = handler; }

const std::vector<FuzzEntry>& FuzzEntries() {
  static const std::vector<FuzzEntry> entries = MakeEntries();
  return entries;
}

const FuzzEntry* FuzzEntryNamed(const std::string& name) {
  for (const FuzzEntry& entry : FuzzEntries()) {
    if (entry.name == name) return &entry;
  }
  return nullptr;
}

#include "tests/fuzz/fuzz_entries.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <random>
#include <regex>
#include <set>
#include <sstream>
#include <string_view>

#include "app/kept_start.h"
#include "app/kvp_commands.h"
#include "convert/duration_results.h"
#include "io/byte_order.h"
#include "io/file_io.h"
#include "library/container.h"
#include "library/container_check.h"
#include "platform/headless.h"
#include "shell/main_window.h"
#include "shell/program_windows.h"
#include "state/commands.h"
#include "tests/formats.h"

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

namespace {

std::string currentEntry;

void Fail(const std::string& message) {
  if (fuzzFailureHandler != nullptr) return fuzzFailureHandler(currentEntry, message);
  std::fprintf(stderr, "\n*** %s: %s\n", currentEntry.c_str(), message.c_str());
  std::abort();
}
#define FUZZ_CHECK(condition, message) ((condition) ? void() : Fail(message))

// Exporting every entry writes a file an entry, hundreds for a large count: the fuzzers leave that command out above
// 32 entries, where an input would take a hundred times as long. The regression replay runs it for every count.
bool leaveOutLargeExports = false;
bool ExportsEveryEntry(std::int64_t count) { return !leaveOutLargeExports || count <= 32; }

// The scratch folders Korvel Player (the program's), Documents and Input (files picked from outside), under one root.
// They are made once a process; every input starts with them empty and the program started afresh.
const fs::path root = fs::temp_directory_path() / ("korvel-fuzz-" + std::to_string(std::random_device()()));
const std::set<std::string, std::less<>> SCRATCH_FOLDERS = {
    "Korvel Player", "Korvel Player/Export", "Korvel Player/Export/Conversions",
    "Documents",     "Documents/KVP_Wavs",   "Input"};
void RemoveScratch() {  // every input closed its files: an open file cannot be removed on Windows
  std::error_code error;
  fs::remove_all(root, error);
}
// Paths are built as strings: a path object splits itself into its names at every step.
const std::string rootFolder = (root / "").string();
const std::string inputFolder = (root / "Input" / "").string();
const std::string exportFolder = (root / "Korvel Player" / "Export" / "").string();
std::string Input(const std::string& name) { return inputFolder + name; }

void ResetProgram(const std::string& entry) {
  [[maybe_unused]] static const bool made = [] {
    for (const std::string& folder : SCRATCH_FOLDERS) fs::create_directories(root / folder);
    return std::atexit(RemoveScratch) == 0;  // runs before root is destroyed
  }();
  static KeptStart kept;
  currentEntry = entry;
  IoFailAt(0);
  StartOrGoBack(kept, rootFolder, [] {
    HeadlessReset((root / "Korvel Player" / "Korvel_Player.exe").string(), (root / "Documents").string());
    InitializeAppState();
    SetUpProgramPaths();
  });
}

// The main window, for the entries that send it commands (kvp makes its own; the converters need none). Its calls,
// and those of the commands after it, are not recorded: writing out each control and each row of a long name list
// took longer than the commands. Only the plays turn the record on, to check what they hand over.
void OpenWindows() {
  HeadlessRecordCalls(false);
  FUZZ_CHECK(CreateProgramWindows(), "the program's windows could not be created");
}

// Input/box.kvf, and box.dat unless dat is empty; the .kvf's path.
std::string WriteContainer(const Bytes& dat, const Bytes& kvf) {
  WriteWholeFile(Input("box.kvf"), kvf);
  if (!dat.empty()) WriteWholeFile(Input("box.dat"), dat);
  return Input("box.kvf");
}

// The program's state and recorded calls freed: an input that leaves more allocated than it found is run again by
// libFuzzer under the leak checker, which doubled the time of every input that found more than the one before.
void ReleaseProgram() {
  appState = AppState{};
  HeadlessReset({}, {});
}

// A dialog the command opens answers with answer.
void Command(int id, unsigned notification = 0, const std::string& answer = {}) {
  if (!answer.empty()) HeadlessQueueDialogAnswer(answer);
  MainWindowProc(appState.hwndMain, MESSAGE_COMMAND, static_cast<std::uintptr_t>(id) | (notification << 16), 0);
}

// Where the program may write: working files, exports, the name log, Documents. The same paths in every process.
std::regex AllowedPaths() {
  const std::string exports = "KVF[SM]_Wav[0-9]+\\.(au|aiff|voc|wav|caf|paf|pvf|sph|htk)";
  std::string working = FileNameOf(appState.tempWavPath) + "|" + FileNameOf(appState.decodedWavPath);
  for (const FormatRow& row : Formats()) working += "|" + FileNameOf(appState.*row.output);
  return std::regex("Input(/.*)?|Documents(/Export_KVF(/.*)?|/KVP_Wavs(/ext_wav.*|/" + exports + ")?)?|" +
                    "Korvel Player(/CrcLog\\.dat|/Export(/" + exports + "|/Conversions(/(" +
                    std::regex_replace(working, std::regex("\\."), "\\.") + "))?)?)?");
}

// Everything the program wrote in the folder at path (ending in "/") lies where it may write; no stray file. Then all
// of it goes but the scratch folders. One buffer holds the path all through the walk.
void CheckAndEmpty(std::string& path) {
  static const std::regex allowed = AllowedPaths();
  static std::set<std::string, std::less<>> known;
  const std::size_t length = path.size();
  for (const std::string& name : NamesIn(path).value_or(Strings())) {
    path.resize(length);
    path += name;
    const std::size_t named = path.size();
    const bool scratch = SCRATCH_FOLDERS.count(std::string_view(path).substr(rootFolder.size())) != 0;
    // A file goes at once, as does an empty folder; a folder that holds something is emptied first.
    if (scratch || std::remove(path.c_str()) != 0) {
      path += '/';
      CheckAndEmpty(path);
      path.resize(named);
      if (!scratch) fs::remove(path);
    }
    const std::string_view relative = std::string_view(path).substr(rootFolder.size());  // "/" between names
    // Each path is matched once a process, as the matcher is slow; anything may lie beside the inputs (a repair's
    // salvage files there are named by their offsets, new with nearly every input).
    if (relative.rfind("Input/", 0) != 0 && known.find(relative) == known.end()) {
      known.emplace(relative);
      FUZZ_CHECK(std::regex_match(relative.begin(), relative.end(), allowed), "stray file " + std::string(relative));
    }
  }
  path.resize(length);
}

void CheckAndEmptyFolders() {
  appState.containerFile.reset();
  std::string path = rootFolder;
  CheckAndEmpty(path);
}

// Runs run with the failAt-th write or seek failing (0: none); true when run met that failure.
bool MeetsFailure(long failAt, const std::function<void()>& run) {
  IoFailAt(failAt);
  run();
  const bool met = failAt > 0 && IoOperationCount() >= failAt;
  IoFailAt(0);
  return met;
}

// A written output is a wave of the three header families whose sizes the input bounds (units of at most 6 bytes).
void CheckConvertedWave(const Bytes& out, std::size_t inSize) {
  const WaveInfo w = ParseWave(out);
  FUZZ_CHECK(w.ok && out.size() - w.dataOffset <= inSize + 6 && w.dataSize <= inSize + 2 && w.riffSize <= inSize + 90,
             "no wave of the three header families, or larger than " + std::to_string(inSize) + " bytes give");
}

// The stored converter (temp_wav.wav to decoded.wav) or the importer on the bytes, the durations set to a sentinel
// first, the failAt-th of its writes and seeks failing (0: none). Stored converters report a refusal as wavTypeKnown
// 0, importers as conversionFailed 1; a conversion whose write or seek failed reports one.
void RunConverter(const FormatRow& format, bool stored, const Bytes& in, long failAt = 0) {
  AppState& s = appState;
  const std::string source = stored ? s.tempWavPath : Input(std::string("input.") + format.name);
  const std::string output = stored ? s.decodedWavPath : s.*format.output;
  WriteWholeFile(source, in);
  RemoveFile(output);
  s.durationSeconds = 7.25;
  s.replayDurationMs = 7000;
  s.durationMs = 7000;
  s.durationText = "7.25";
  s.conversionFailed = 0;
  s.wavTypeKnown = 1;
  if (!stored) s.*format.source = source;
  const bool faulted = MeetsFailure(failAt, stored ? format.convertStored : format.import);
  const std::int32_t flag = stored ? s.wavTypeKnown : s.conversionFailed;
  const bool failed = flag == (stored ? 0 : 1);
  FUZZ_CHECK(failed || !faulted, "a conversion whose write or seek failed reported success");
  const bool written = fs::exists(output);
  FUZZ_CHECK((flag == 0 || flag == 1) && ReadWholeFile(source) == in,
             "the failure flag is not 0 or 1, or the input changed");
  if (failed && !(format.mayWriteAndFail && written)) {
    return FUZZ_CHECK(!written && s.durationSeconds == 7.25 && s.durationMs == 7000 && s.replayDurationMs == 7000,
                      "a refused input wrote " + output + " or changed the durations");
  }
  written ? CheckConvertedWave(ReadWholeFile(output), in.size()) : Fail("an accepted input wrote no output");
  std::string text = FormatDuration(s.durationSeconds);
  if (std::string(format.name) == "aiff") text = text.size() < 2 ? "unknown" : text.substr(0, 6);  // as the status line
  FUZZ_CHECK(std::isfinite(s.durationSeconds) && s.durationSeconds >= 0 &&
                 (!stored || (s.durationText == text && s.replayDurationMs == s.durationMs)),
             "duration " + text + " is no finite time, or its text " + s.durationText + " or replay one differs");
}

// A container input: the name list's size (u16 LE), the name list, the ".kvf". Nothing when it has no size.
struct ContainerFiles {
  Bytes dat;
  Bytes kvf;
};
std::optional<ContainerFiles> SplitContainerInput(const Bytes& in) {
  if (in.size() < 2) return std::nullopt;
  const std::size_t datEnd = std::min<std::size_t>(2 + ReadU16Le(in.data()), in.size());
  return ContainerFiles{Bytes(in.begin() + 2, in.begin() + std::ptrdiff_t(datEnd)), Tail(in, datEnd)};
}

// The count at offset 12, as the program reads it.
std::uint32_t EntryCountOf(const Bytes& kvf) { return kvf.size() >= 16 ? ReadU32Le(&kvf[12]) : 0; }

// The bytes of record k, or nothing when the program must judge it damaged.
std::optional<Bytes> StoredEntry(const Bytes& kvf, std::int64_t k) {
  if (k < 1 || k > MAX_ENTRIES || static_cast<std::size_t>(16 * k + 16) > kvf.size()) return std::nullopt;
  const unsigned char* record = &kvf[static_cast<std::size_t>(16 * k)];
  const std::uint64_t start = ReadU32Le(record + 8);
  const std::uint64_t end = start + ReadU32Le(record + 4);
  if (end != ReadU32Le(record + 12) || end > kvf.size()) return std::nullopt;
  return Bytes(kvf.begin() + std::ptrdiff_t(start), kvf.begin() + std::ptrdiff_t(end));
}

// The files of the Export folder whose names start with prefix, by name.
std::map<std::string, Bytes> Exports(const std::string& prefix) {
  std::map<std::string, Bytes> found;
  for (const std::string& name : NamesIn(exportFolder).value_or(Strings())) {
    if (name.rfind(prefix, 0) == 0) found[name] = ReadWholeFile(exportFolder + name);
  }
  return found;
}

// A RIFF/WAVE entry just played: IMA ADPCM is decoded to the size its blocks give (refused with no channels or rate:
// there is no duration to show), anything else is played where it was extracted. That size from the block layout
// alone: after the 60-byte header, blocks of a 4-byte header and 1024 data bytes a channel (stereo interleaves 4-byte
// groups; one channel is decoded), each however short giving its header's sample and two a data byte, at most 2048.
void CheckStoredWave(const Bytes& entry) {
  const AppState& s = appState;
  const Bytes f = Joined(entry, Bytes(36));  // fields beyond a short entry read as 0
  const std::uint16_t blockAlign = ReadU16Le(&f[32]);
  const std::uint16_t channels = ReadU16Le(&f[22]);
  if (ReadU32Le(&f[16]) != 20 || (blockAlign != 1028 && blockAlign != 2056)) {
    return FUZZ_CHECK(s.wavTypeKnown == 0 || s.playWavPath == s.tempWavPath, "a plain wave not played as extracted");
  }
  const std::uint32_t estimate = (20u * (std::uint32_t(ReadI16Le(&f[22])) * ReadU32Le(&f[24]))) >> 3;
  const bool decodable = entry.size() >= 28 && (channels == 1 || channels == 2) && estimate != 0;
  std::uint64_t size = decodable ? 44 + 2 : 0;  // the header and the first block header's sample
  std::size_t got = 0;
  for (std::size_t at = std::min<std::size_t>(entry.size(), 60 + 4 * channels); decodable && at < entry.size();
       at = std::min<std::size_t>(entry.size(), at + got + 4 * channels)) {
    got = std::min<std::size_t>(1024 * channels, entry.size() - at);
    const std::size_t available = channels == 1 ? got : got / 8 * 4 + std::min<std::size_t>(got % 8, 4);
    size += 2 * std::min<std::size_t>(2047, 2 * available) + 2;
  }
  const Bytes out = ReadWholeFile(s.decodedWavPath);
  const WaveInfo w = ParseWave(out);
  FUZZ_CHECK(s.wavTypeKnown == decodable && fs::exists(s.decodedWavPath) == decodable &&
                 (!decodable || (s.playWavPath == s.decodedWavPath && out.size() == size && w.ok &&
                                 w.dataOffset == 44 && w.dataSize == size - 44 && w.riffSize == size - 8 &&
                                 w.channels == 1 && w.bitsPerSample == 16 && w.sampleRate == ReadU32Le(&f[24]))),
             "IMA ADPCM gave a wrong header or " + std::to_string(out.size()) + " bytes, not " + std::to_string(size));
}

// The first three entries played (list selection, then "-->"; the stored plays have targets of their own): each
// extracted whole and its prepared wave handed to the sound service, or refused; its single export (1200) is the wave
// played for a RIFF/WAVE entry, else the stored bytes, none for a damaged record. Then export all (1700): every valid
// record's bytes, nothing for the others.
void PlayAndExport(const Bytes& kvf) {
  AppState& s = appState;
  HeadlessRecordCalls(true);
  for (int plays = 0; plays < 3 && s.currentIndex < s.entryCount; ++plays) {
    const bool select = plays == 0 && !HeadlessListRows(s.hwndEntryList).empty();
    RemoveFile(s.decodedWavPath);  // what an earlier entry left there
    if (select) HeadlessSelectRow(s.hwndEntryList, 0);
    Command(select ? IDC_ENTRY_LIST : IDC_NEXT, select ? LIST_SELECTION_CHANGED : 0);
    FUZZ_CHECK(s.currentIndex == plays + 1, "the play did not step to the next entry");
    const std::optional<Bytes> stored = s.currentIndex > s.entryCount ? std::nullopt : StoredEntry(kvf, s.currentIndex);
    FUZZ_CHECK((s.wavTypeKnown == 0 || (s.wavTypeKnown == 1 && stored)) &&
                   (!stored || ReadWholeFile(s.tempWavPath) == *stored),
               "wavTypeKnown " + std::to_string(s.wavTypeKnown) + ", or a damaged entry played or not extracted whole");
    const bool wave = stored && stored->size() >= 3 && ReadTag(stored->data(), "RIF");
    if (wave) CheckStoredWave(*stored);
    const std::vector<std::string> played = HeadlessCallsOf("sound-file");
    FUZZ_CHECK(s.wavTypeKnown == 0 || (!played.empty() && played.back() == s.playWavPath && fs::exists(s.playWavPath) &&
                                       std::isfinite(s.durationSeconds)),
               "the prepared wave " + s.playWavPath + " was not handed to the sound service, or has no duration");
    const Bytes expected = wave && s.wavTypeKnown == 1 ? ReadWholeFile(s.playWavPath) : stored.value_or(Bytes());
    Command(CMD_EXPORT_CURRENT);
    const std::map<std::string, Bytes> exported = Exports("KVFS_Wav");
    FUZZ_CHECK(exported.size() <= (stored ? 1u : 0u) && (s.wavTypeKnown == 0 || exported.size() == 1) &&
                   (exported.empty() || exported.begin()->second == expected),
               "the single export is not one copy of the entry played");
    for (const auto& file : exported) fs::remove(exportFolder + file.first);  // the next play's is then the only one
  }
  if (!ExportsEveryEntry(s.entryCount)) return;
  Command(CMD_EXPORT_ALL);
  const std::map<std::string, Bytes> files = Exports("KVFM_Wav");
  std::map<std::string, Bytes> exported;  // by the name before the extension
  for (const auto& [name, bytes] : files) exported[name.substr(0, name.find('.'))] = bytes;
  std::map<std::string, Bytes> expected;
  for (std::int32_t n = 1; n <= std::min(s.entryCount, MAX_ENTRIES); ++n) {
    if (const std::optional<Bytes> stored = StoredEntry(kvf, n)) expected["KVFM_Wav" + std::to_string(n)] = *stored;
  }
  FUZZ_CHECK(exported == expected && files.size() == exported.size(), "not one copy of each valid record, or more");
  const bool damaged = std::int64_t(expected.size()) < s.entryCount;  // a record left out, or a count past the index
  FUZZ_CHECK(!damaged || s.exportsFailed == 1, "damaged records, yet the export reported success");
}

// The first entry played again from the list, the failAt-th of the play's writes and seeks failing: a play that met
// the failure gives the refusal beep, hands no wave to the sound service and leaves no decoded wave.
void PlayFirstEntryFaulted(long failAt) {
  AppState& s = appState;
  RemoveFile(s.decodedWavPath);
  HeadlessSelectRow(s.hwndEntryList, 0);
  HeadlessClearCalls();
  const bool met = MeetsFailure(failAt, [] { Command(IDC_ENTRY_LIST, LIST_SELECTION_CHANGED); });
  FUZZ_CHECK(!met || (s.wavTypeKnown == 0 && !fs::exists(s.decodedWavPath) && HeadlessCallsOf("sound-file").empty() &&
                      HeadlessCallsOf("beep") == Strings{"default"}),
             "a play whose write or seek failed was played, gave no beep or left a decoded wave");
}

// Loads Input/box.kvf (and box.dat unless dat is empty) by the dialog of 200, then plays and exports; or Add_Wav (100)
// adds a small wave, the failAt-th of its writes failing (0: none). Both files stay as they were, or a taken add
// appends exactly the entry and its name; only a failed write may make the program refuse an add it can take.
void RunContainer(const Bytes& dat, const Bytes& kvf, bool add, long failAt = 0) {
  AppState& s = appState;
  OpenWindows();
  Command(CMD_LOAD_KVF, 0, WriteContainer(dat, kvf));
  const std::uint32_t count = EntryCountOf(kvf);
  const std::uint32_t crc = ~ComputeNameCrc("add.wav");
  FUZZ_CHECK(s.entryCount == std::int32_t(count) && s.loadedContainerPath == Input("box.kvf"),
             "the container was not loaded, or its entry count differs from offset 12");
  Bytes kvfAfter = kvf;
  Bytes datAfter = dat;
  const Bytes added = PcmWave(1, 8000, 16, 64);
  if (!add) PlayAndExport(kvf);
  if (add) WriteWholeFile(Input("add.wav"), added);
  const bool failed = add && MeetsFailure(failAt, [] { Command(CMD_ADD_WAV, 0, Input("add.wav")); });
  const bool acceptable = kvf.size() >= std::size_t(DATA_AREA_START) && count < MAX_ENTRIES;
  FUZZ_CHECK(!add || ((s.entryAppended == acceptable || (failed && s.entryAppended == 0)) &&
                      ReadWholeFile(Input("add.wav")) == added),
             "an add was refused or taken wrongly, or changed the file added");
  if (add && acceptable && s.entryAppended == 1) {
    kvfAfter = Joined(kvf, added);
    WriteU32Le(&kvfAfter[12], count + 1);
    const std::uint32_t record[] = {NameKeyOf(crc), std::uint32_t(added.size()), std::uint32_t(kvf.size()),
                                    std::uint32_t(kvf.size() + added.size())};
    for (int i = 0; i < 4; ++i) WriteU32Le(&kvfAfter[16 * (count + 1) + 4 * i], record[i]);
    datAfter = Joined(dat, BytesOf(NameListPair(crc, "add.wav")));
    FUZZ_CHECK(s.entryCount == std::int32_t(count + 1), "the entry count was not updated");
  }
  s.containerFile.reset();
  FUZZ_CHECK(ReadWholeFile(Input("box.kvf")) == kvfAfter && !fs::exists(s.crcLogPath) &&
                 (dat.empty() ? !fs::exists(Input("box.dat")) : ReadWholeFile(Input("box.dat")) == datAfter),
             "the .kvf or .dat is neither as it was nor exactly plus the new entry and name, or CrcLog.dat was made");
}

// The extensions the first byte of an external_any input picks from.
const char* const EXTENSIONS[] = {"htk", "HTK", "voc",  "VOC",  "au",  "AU",  "snd", "SND", "aiff", "AIFF", "aif",
                                  "AIF", "caf", "CAF",  "paf",  "PAF", "pvf", "PVF", "sph", "SPH",  "wve",  "WVE",
                                  "iff", "IFF", "8svx", "8SVX", "mpc", "MPC", "wav", "WAV", "Wav",  "txt"};

// The file the first byte of an external_any input picks: Input/picked.<extension> (byte % 32), or with its top three
// bits set one of the program's own working files.
std::string PickedPath(unsigned char pick) {
  if (pick < 0xE0) return Input(std::string("picked.") + EXTENSIONS[pick % 32]);
  Strings working = {appState.tempWavPath, appState.decodedWavPath};
  for (const FormatRow& row : Formats()) working.push_back(appState.*row.output);
  return working[pick % working.size()];
}

// Play_Wav of the file at path (Input/picked.<extension>, or a working file), then its export. A ".wav" that starts
// "NIS" is converted as a SPHERE file; a working file is never played, as the play would overwrite it.
void PlayExternal(const std::string& path, const Bytes& file) {
  WriteWholeFile(path, file);
  const std::string extension = path.substr(path.rfind('.') + 1);
  std::string x = extension;
  for (char& c : x) c = char(std::tolower(static_cast<unsigned char>(c)));
  const bool wave = extension == "wav" || extension == "WAV";
  const bool working = path.rfind(inputFolder, 0) != 0;
  const std::string named = x == "snd" ? "au" : x == "aif" ? "aiff" : x == "8svx" ? "iff" : x;
  const bool sphere = wave && file.size() >= 3 && ReadTag(file.data(), "NIS");
  const FormatRow* format = working ? nullptr : FormatNamed(sphere ? "sph" : named);
  AppState& s = appState;
  OpenWindows();
  Command(CMD_PLAY_EXTERNAL, 0, path);
  const bool played = s.externalWavReady == 1;
  const std::string output = format != nullptr ? s.*format->output : path;
  FUZZ_CHECK(
      (s.conversionFailed == 0 || s.conversionFailed == 1) && ReadWholeFile(path) == file &&
          (!played || (!working && s.conversionFailed == 0 && fs::exists(s.externalWavPath) &&
                       s.externalWavPath == output && (format != nullptr || wave))),
      "conversionFailed not 0 or 1, the file changed, or a failed, missing, unknown, working or other file played");
  FUZZ_CHECK(
      !format || (played != (s.conversionFailed == 1) && (played || format->mayWriteAndFail || !fs::exists(output))),
      "a failed conversion was played or wrote its output, or a converted file was not played");
  if (format != nullptr && fs::exists(output)) CheckConvertedWave(ReadWholeFile(output), file.size());
  const Bytes playedBytes = played ? ReadWholeFile(s.externalWavPath) : Bytes();
  Command(CMD_EXPORT_EXTERNAL);
  const std::string exported = (root / "Documents" / "KVP_Wavs" / "ext_wav1.wav").string();
  FUZZ_CHECK(played ? ReadWholeFile(exported) == playedBytes : !fs::exists(exported),
             "the export is not the wave played");
}

std::ostream discarded(nullptr);  // what kvp prints in the fuzzers: a stream with no buffer writes nothing

// A kvp command line: the options, the command and its arguments.
struct KvpCommandLine {
  std::string command;
  bool takesEntry = false;
  Strings words;
};

// kvp's seven commands on Input/box.kvf as a user would type them, with the entry number (1 to 8) and options
// (--pcm, --documents) that the low five bits of choice pick. Made once a process for each choice: the paths are long.
const std::vector<KvpCommandLine>& KvpCommandLines(unsigned choice) {
  static std::map<unsigned, std::vector<KvpCommandLine>> made;
  std::vector<KvpCommandLine>& lines = made[choice & 31];
  if (!lines.empty()) return lines;
  const std::string box = Input("box.kvf");
  const std::string entry = std::to_string(1 + (choice & 7));
  Strings options = {"--program-dir", (root / "Korvel Player").string(), "--documents-dir",
                     (root / "Documents").string()};
  if ((choice & 8) != 0) options.push_back("--pcm");
  if ((choice & 16) != 0) options.push_back("--documents");
  const Strings commands[] = {
      // clang-format off
      {"list", box},
      {"play", box, entry},
      {"export", box, entry},
      {"export-all", box},
      {"share", box},
      {"add", box, Input("add.wav")},
      {"play", box, entry},
      // clang-format on
  };
  for (const Strings& words : commands) lines.push_back({words[0], words.back() == entry, Joined(options, words)});
  return lines;
}

// kvp's own commands on Input/box.kvf (and box.dat unless dat is empty): the one the top three bits of choice pick,
// or all seven one after the other (they are 7). Every command ends refused or done, a usage mistake only for an
// entry beyond the count; a play names its entry as the program's lookup named it, or by its number.
void RunKvpCommands(const Bytes& dat, const Bytes& kvf, unsigned choice) {
  static const Bytes added = PcmWave(1, 8000, 16, 64);
  WriteContainer(dat, kvf);
  WriteWholeFile(Input("add.wav"), added);
  const std::vector<KvpCommandLine>& lines = KvpCommandLines(choice);
  const std::size_t picked = choice >> 5;
  const std::int64_t entry = 1 + (choice & 7);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const KvpCommandLine& line = lines[i];
    if ((picked < lines.size() && i != picked) ||
        (line.command == "export-all" && !ExportsEveryEntry(EntryCountOf(kvf))))
      continue;
    const int status = KvpInProcess(line.words, discarded, discarded);
    const bool beyondCount = line.takesEntry && entry > appState.entryCount;
    FUZZ_CHECK(status == KVP_DONE || status == KVP_REFUSED || (status == KVP_USAGE && beyondCount),
               "kvp " + line.command + " ended with " + std::to_string(status));
    if (line.command != "play") continue;
    const std::string& found = appState.storedEntryName;
    const std::string name = found.empty() ? "entry " + std::to_string(entry) : found;
    FUZZ_CHECK(kvpPlayedNames == (status == KVP_DONE ? Strings{name} : Strings{}),
               "kvp play did not hand over the one wave it prepared, named " + name);
  }
}

// kvp check, then kvp repair --apply, on Input/box.kvf (and box.dat unless dat is empty). check changes nothing; a
// repair that fails changes nothing either; a repair that mends keeps the damaged pair as its backups, loses no byte
// of the data area (the mended entries, then the salvage files by offset, are the original's bytes after the index)
// and leaves a container that checks clean but for names found nowhere.
void RunCheckAndRepair(const Bytes& dat, const Bytes& kvf) {
  static const std::string programDir = (root / "Korvel Player").string();
  static const Strings checkLine = {"--program-dir", programDir, "check", Input("box.kvf")};
  static const Strings repairLine = {"--program-dir", programDir, "repair", Input("box.kvf"), "--apply"};
  static const std::map<std::string, Bytes> emptied = FilesUnder(root.string());  // as every input finds the folders
  const std::string box = WriteContainer(dat, kvf);
  std::map<std::string, Bytes> before = emptied;  // named as Input() names them
  before[box] = kvf;
  if (!dat.empty()) before[Input("box.dat")] = dat;
  const int checked = KvpInProcess(checkLine, discarded, discarded);
  FUZZ_CHECK(checked == 0 || checked == 1 || checked == 3, "check ended with " + std::to_string(checked));
  FUZZ_CHECK(FilesUnder(root.string()) == before, "check changed or made a file");
  const std::vector<ContainerFinding>& findings = appState.containerReport.findings;
  const auto mends = [](const ContainerFinding& finding) { return finding.code != FindingCode::UnnamedEntry; };
  const bool mendable = std::any_of(findings.begin(), findings.end(), mends);
  const int repaired = KvpInProcess(repairLine, discarded, discarded);
  FUZZ_CHECK(repaired == 0 || repaired == 1 || repaired == 3, "repair ended with " + std::to_string(repaired));
  const ContainerRepair& repair = appState.containerRepair;
  FUZZ_CHECK(repair.applied || !repair.failure.empty() || !mendable, "a damaged container was left as it was");
  if (!repair.applied) {
    FUZZ_CHECK(FilesUnder(root.string()) == before, "a repair that did not mend changed or made a file");
    return;
  }
  FUZZ_CHECK(ReadWholeFile(box + ".bak") == kvf || ReadWholeFile(box) == kvf, "the damaged container is not kept");
  Bytes data = Tail(ReadWholeFile(box), std::size_t(DATA_AREA_START));
  std::map<std::int64_t, Bytes> salvage;
  for (const std::string& name : NamesIn(Input("box.salvage")).value_or(Strings())) {
    salvage[std::stoll(name.substr(name.rfind('-') + 1))] = ReadWholeFile(Input("box.salvage/" + name));
  }
  for (const auto& [offset, bytes] : salvage) data.insert(data.end(), bytes.begin(), bytes.end());
  FUZZ_CHECK(data == Tail(kvf, std::min(kvf.size(), std::size_t(DATA_AREA_START))), "a byte of the data area was lost");
  CheckContainer();
  for (const ContainerFinding& finding : appState.containerReport.findings) {
    FUZZ_CHECK(finding.code == FindingCode::UnnamedEntry,
               "the mended container has the finding " + std::string(FindingCodeWord(finding.code)));
  }
}

}  // namespace

const std::map<std::string, FuzzEntry>& FuzzEntries() {
  static std::map<std::string, FuzzEntry> entries;
  if (!entries.empty()) return entries;
  auto add = [&](const std::string& name, const FuzzEntry& run) {
    entries[name] = [name, run](const Bytes& in) {
      ResetProgram(name);
      run(in);
      CheckAndEmptyFolders();
      ReleaseProgram();
    };
  };
  for (const FormatRow& row : Formats()) {
    add(std::string("import_") + row.name, [&row](const Bytes& in) { RunConverter(row, false, in); });
    if (row.convertStored == nullptr) continue;
    // The faces may differ on purpose (VOC's stored G.711 blocks, CAF's rates): each meets the checks alone.
    add(std::string("stored_") + row.name, [&row](const Bytes& in) {
      RunConverter(row, true, in);
      RunConverter(row, false, in);
      RunConverter(row, true, in, 1 + long(in.size() % 6));  // the failing step varies with the size
    });
  }
  add("container", [](const Bytes& in) {
    if (const auto box = SplitContainerInput(in)) RunContainer(box->dat, box->kvf, false);
  });
  // A name list naming one entry, first.wav.
  const std::uint32_t firstCrc = ~ComputeNameCrc("first.wav");
  const Bytes firstNamed = BytesOf(NameListPair(firstCrc, "first.wav"));
  // That entry of a valid container, its first four bytes made "RIFF".
  add("stored_wave", [firstNamed, firstCrc](const Bytes& in) {
    const Bytes entry = in.size() < 4 ? in : Joined(BytesOf("RIFF"), Tail(in, 4));
    RunContainer(firstNamed, KvfFile({entry}, {NameKeyOf(firstCrc)}), false);
    PlayFirstEntryFaulted(1 + long(in.size() % 16));  // the failing step varies with the size
  });
  add("external_any", [](const Bytes& in) { in.empty() ? void() : PlayExternal(PickedPath(in[0]), Tail(in, 1)); });
  // A kvp input: its first byte picks the entry number (1 to 8), the options (--pcm, --documents) and the command
  // (its top three bits); a container input follows.
  add("kvp_commands", [](const Bytes& in) {
    const std::optional<ContainerFiles> box = in.empty() ? std::nullopt : SplitContainerInput(Tail(in, 1));
    if (!box) return;
    RunKvpCommands(box->dat, box->kvf, in[0]);
  });
  add("container_repair", [](const Bytes& in) {
    if (const auto box = SplitContainerInput(in)) RunCheckAndRepair(box->dat, box->kvf);
  });
  // An add input: the number of the write to fail (0: none), then the .kvf.
  add("add_to_container",
      [firstNamed](const Bytes& in) { RunContainer(firstNamed, Tail(in, 1), true, in.empty() ? 0 : in[0]); });
  return entries;
}

Strings kvpPlayedNames;

int KvpInProcess(const Strings& words, std::ostream& out, std::ostream& err) {
  KvpHost host;
  host.playWave = [](const std::string&, const std::string& name) { kvpPlayedNames.push_back(name); };
  host.out = &out;
  host.err = &err;
  kvpPlayedNames.clear();
  return RunKvp(words, host);
}

// libFuzzer's entries, for the fuzzer fuzz_<name> its executable is named for.
static const FuzzEntry* fuzzer = nullptr;
extern "C" int LLVMFuzzerInitialize(int*, char*** argv) {
  leaveOutLargeExports = true;
  fuzzer = &FuzzEntries().at(fs::path((*argv)[0]).filename().string().substr(5));  // after "fuzz_"
  return 0;
}
extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
  (*fuzzer)(Bytes(data, data + size));
  return 0;
}

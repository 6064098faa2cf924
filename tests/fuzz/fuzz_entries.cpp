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
#include <random>
#include <regex>
#include <set>

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
  std::abort();
}
// The message is only built when the check breaks.
#define FUZZ_CHECK(condition, message) ((condition) ? void() : Fail(message))

Bytes ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
void WriteAll(const fs::path& path, const Bytes& b) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
}
bool Exists(const fs::path& path) {
  std::error_code error;
  return fs::exists(path, error);
}
std::string NameOf(const fs::path& path) { return path.filename().string(); }
Bytes Join(Bytes a, const Bytes& b) { return a.insert(a.end(), b.begin(), b.end()), a; }

// The scratch folders: Korvel Player (the program's), Documents, and Input (the
// files picked from outside), under one root a process, removed at exit.
void RemoveScratch();
const fs::path& Root() {
  static const fs::path root = fs::temp_directory_path() / ("korvel-fuzz-" + std::to_string(std::random_device()()));
  static const bool removedAtExit = std::atexit(RemoveScratch) == 0;  // runs before root is destroyed
  return (void)removedAtExit, root;
}
void RemoveScratch() {
  appState.containerFile.reset();  // an open file cannot be removed on Windows
  std::error_code error;
  fs::remove_all(Root(), error);
}
fs::path Input(const std::string& name) { return Root() / "Input" / name; }
fs::path Exported(const std::string& name) { return Root() / "Korvel Player" / "Export" / name; }

// Empties the folders and starts the program afresh, as at its start-up.
void ResetProgram(const std::string& entry) {
  currentEntry = entry;
  IoFailAt(0);
  RemoveScratch();
  for (const char* folder : {"Korvel Player/Export/Conversions", "Documents", "Input"}) fs::create_directories(Root() / folder);
  HeadlessReset((Root() / "Korvel Player" / "Korvel_Player.exe").string(), (Root() / "Documents").string());
  InitializeAppState();
  SetUpProgramPaths();
  FUZZ_CHECK(CreateProgramWindows(), "the program's windows could not be created");
  HeadlessClearCalls();
}

// A command of the main window; a dialog it opens answers with answer.
void Command(int id, unsigned notification = 0, const fs::path& answer = {}) {
  if (!answer.empty()) HeadlessQueueDialogAnswer(answer.string());
  MainWindowProc(appState.hwndMain, MESSAGE_COMMAND, static_cast<std::uintptr_t>(id) | (notification << 16), 0);
}

// Everything the program wrote lies where it may write (its working files,
// its exports, the name log, its Documents folders); no scratch file is left.
void CheckFolders() {
  const std::string exports = "|KVF[SM]_Wav[0-9]+\\.(au|aiff|voc|wav|caf|paf|pvf|sph|htk)";
  std::string working = NameOf(appState.tempWavPath) + "|" + NameOf(appState.decodedWavPath);
  for (const FormatRow& row : Formats()) working += "|" + NameOf(appState.*row.output);
  const std::pair<const char*, std::string> rules[] = {
      {"", "Korvel Player|Documents|Input"}, {"Korvel Player", "Export|CrcLog\\.dat"},
      {"Korvel Player/Export", "Conversions" + exports}, {"Documents", "KVP_Wavs|Export_KVF"},
      {"Korvel Player/Export/Conversions", std::regex_replace(working, std::regex("\\."), "\\.")},
      {"Documents/KVP_Wavs", "ext_wav.*" + exports}};
  for (const auto& [folder, allowed] : rules) {
    const std::regex pattern(allowed);
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(Root() / folder, error)) {
      FUZZ_CHECK(std::regex_match(NameOf(entry.path()), pattern), "stray or leftover file " + entry.path().string());
    }
  }
}

constexpr double SENTINEL_SECONDS = 7.25;
constexpr std::uint32_t SENTINEL_MS = 7000;

// A written output is a wave of the three header families whose sizes the
// input bounds: samples are copied in whole units of at most 6 bytes.
void CheckConvertedWave(const Bytes& out, std::size_t inSize) {
  const WaveInfo w = ParseWave(out);
  const std::string sizes = " (payload " + std::to_string(out.size() - std::min(out.size(), w.dataOffset)) + ", data " +
                            std::to_string(w.dataSize) + ", RIFF " + std::to_string(w.riffSize) + ")";
  FUZZ_CHECK(w.ok, "the output is not a wave of the three header families");
  FUZZ_CHECK(!w.ok || (out.size() - w.dataOffset <= inSize + 6 && w.dataSize <= inSize + 2 && w.riffSize <= inSize + 90),
             "the output's sizes exceed what an input of " + std::to_string(inSize) + " bytes gives" + sizes);
}

// The stored converter (temp_wav.wav to decoded.wav) or the importer on the
// bytes, the durations set to a sentinel beforehand.
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
  if (!stored) s.*format.source = source;
  stored ? format.convertStored() : format.import();
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
    std::string text = FormatDuration(s.durationSeconds);
    if (std::string(format.name) == "aiff") text = text.size() < 2 ? "unknown" : text.substr(0, 6);  // six in the status line
    FUZZ_CHECK(!stored || (s.durationText == text && s.replayDurationMs == s.durationMs),
               "duration text " + s.durationText + " or replay duration differs from the duration " + text);
  }
}

// The bytes of record k, or nothing when the program must judge it damaged.
std::optional<Bytes> StoredEntry(const Bytes& kvf, std::int64_t k) {
  if (k < 1 || k > MAX_ENTRIES || static_cast<std::size_t>(16 * k + 16) > kvf.size()) return std::nullopt;
  const unsigned char* record = &kvf[static_cast<std::size_t>(16 * k)];
  const std::uint64_t start = ReadU32Le(record + 8), end = start + ReadU32Le(record + 4);
  if (end != ReadU32Le(record + 12) || end > kvf.size()) return std::nullopt;
  return Bytes(kvf.begin() + std::ptrdiff_t(start), kvf.begin() + std::ptrdiff_t(end));
}
std::uint32_t EntryCountOf(const Bytes& kvf) { return kvf.size() >= 16 ? ReadU32Le(&kvf[12]) : 0; }

// A valid container of entries named entry<n>.wav, and its name list.
Bytes NamedKvf(const std::vector<Bytes>& entries, Bytes& dat) {
  std::vector<std::uint32_t> keys;
  for (std::size_t i = 1; i <= entries.size(); ++i) {
    const std::string name = "entry" + std::to_string(i) + ".wav";
    keys.push_back(NameKeyOf(~ComputeNameCrc(name)));
    dat = Join(dat, BytesOf(NameListPair(~ComputeNameCrc(name), name)));
  }
  return KvfFile(entries, keys);
}

std::set<std::string> Exports(const std::string& prefix) {
  std::set<std::string> names;
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(Exported(""), error)) {
    if (NameOf(entry.path()).rfind(prefix, 0) == 0) names.insert(NameOf(entry.path()));
  }
  return names;
}

// Export of the entry played (1200): what it adds to before.
std::vector<Bytes> ExportCurrent() {
  const std::set<std::string> before = Exports("KVFS_Wav");
  Command(CMD_EXPORT_CURRENT);
  std::vector<Bytes> added;
  for (const std::string& name : Exports("KVFS_Wav")) {
    if (before.count(name) == 0) added.push_back(ReadAll(Exported(name)));
  }
  return added;
}

// The current entry was just played: it was extracted whole, or refused.
void CheckStoredPlay(const Bytes& kvf) {
  const AppState& s = appState;
  FUZZ_CHECK(s.wavTypeKnown == 0 || s.wavTypeKnown == 1, "wavTypeKnown holds " + std::to_string(s.wavTypeKnown));
  const std::optional<Bytes> stored = StoredEntry(kvf, s.currentIndex);
  if (!stored || s.currentIndex > s.entryCount) return FUZZ_CHECK(s.wavTypeKnown == 0, "a damaged or missing record was played");
  FUZZ_CHECK(ReadAll(s.tempWavPath) == *stored, "temp_wav.wav does not hold the entry's bytes");
  FUZZ_CHECK(s.wavTypeKnown == 0 || (Exists(s.playWavPath) && std::isfinite(s.durationSeconds)),
             "the file played does not exist or has no finite duration: " + s.playWavPath);
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
    FUZZ_CHECK((found != names.end()) == stored.has_value(), "entry " + std::to_string(n) + " exported or not, wrongly");
    if (found == names.end()) continue;
    FUZZ_CHECK(!stored || ReadAll(Exported(*found)) == *stored, "exported entry " + std::to_string(n) + " differs from its bytes");
    names.erase(found);
  }
  FUZZ_CHECK(names.empty(), "exports beyond the entry count: " + (names.empty() ? "" : *names.begin()));
  FUZZ_CHECK(!anyDamaged || s.exportsFailed == 1, "damaged records, yet the export reported success");
}

// Loads Input/box.kvf (with box.dat when dat is given) through the dialog of 200.
void LoadContainer(const Bytes& kvf, const Bytes* dat) {
  WriteAll(Input("box.kvf"), kvf);
  if (dat != nullptr) WriteAll(Input("box.dat"), *dat);
  Command(CMD_LOAD_KVF, 0, Input("box.kvf"));
  FUZZ_CHECK(appState.entryCount == std::int32_t(EntryCountOf(kvf)), "entry count differs from offset 12");
  FUZZ_CHECK(appState.loadedContainerPath == Input("box.kvf").string(), "the container was not loaded");
}

// u16 LE n, n bytes of ".dat" (none written when n is 0), then the ".kvf".
// Loaded, at most eight entries played (list selection, then "-->") and
// each exported, then all exported.
void FuzzContainer(const Bytes& in) {
  if (in.size() < 2) return;
  const auto datEnd = in.begin() + 2 + std::min<std::ptrdiff_t>(ReadU16Le(in.data()), std::ptrdiff_t(in.size()) - 2);
  const Bytes dat(in.begin() + 2, datEnd), kvf(datEnd, in.end());
  LoadContainer(kvf, dat.empty() ? nullptr : &dat);
  AppState& s = appState;
  for (int plays = 0; plays < 8; ++plays) {
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
    for (const Bytes& file : ExportCurrent()) {
      FUZZ_CHECK(file == ReadAll(s.tempWavPath) || file == ReadAll(s.decodedWavPath), "a single export is no copy of the entry played");
    }
  }
  Command(CMD_EXPORT_ALL);
  CheckExportAll(kvf);
  s.containerFile.reset();
  FUZZ_CHECK(ReadAll(Input("box.kvf")) == kvf, "loading, playing or exporting changed the .kvf");
  FUZZ_CHECK(dat.empty() ? !Exists(Input("box.dat")) : ReadAll(Input("box.dat")) == dat, "the .dat was changed or made");
  FUZZ_CHECK(!Exists(s.crcLogPath), "CrcLog.dat was written without an add");
}

// The bytes the IMA ADPCM decoder writes for an entry of size bytes, counted
// from the block layout alone: after the 60-byte header, blocks of a 4-byte
// header a channel and 1024 data bytes a channel (stereo interleaves 4-byte
// groups; one channel is decoded), each block however short giving its
// header's sample and two samples a data byte, at most 2048 samples.
std::uint64_t ImaDecodedBytes(std::size_t size, std::size_t channels) {
  std::uint64_t total = 2;  // the first header's sample
  for (std::size_t at = std::min(size, 60 + 4 * channels), got = 0; at < size; at = std::min(size, at + got + 4 * channels)) {
    got = std::min(1024 * channels, size - at);
    const std::size_t available = channels == 1 ? got : got / 8 * 4 + std::min<std::size_t>(got % 8, 4);
    total += 2 * std::min<std::size_t>(2047, 2 * available) + 2;
  }
  return total;
}

// One entry of a valid container holds the bytes (the first four made "RIFF"): played, then exported.
void FuzzStoredWave(const Bytes& in) {
  Bytes entry = in, dat, f(36);
  if (entry.size() >= 4) WriteTag(&entry[0], "RIFF");
  const Bytes kvf = NamedKvf({entry}, dat);
  LoadContainer(kvf, &dat);
  AppState& s = appState;
  Command(IDC_NEXT);
  CheckStoredPlay(kvf);
  std::copy(entry.begin(), entry.begin() + std::min<std::ptrdiff_t>(36, std::ptrdiff_t(entry.size())), f.begin());
  const std::uint16_t blockAlign = ReadU16Le(&f[32]), channels = ReadU16Le(&f[22]);
  if (entry.size() >= 4 && ReadU32Le(&f[16]) == 20 && (blockAlign == 1028 || blockAlign == 2056)) {
    // With no rate there is no duration to show: such an entry is refused too.
    const std::uint32_t estimate = (20u * (std::uint32_t(ReadI16Le(&f[22])) * ReadU32Le(&f[24]))) >> 3;
    const bool decodable = entry.size() >= 28 && (channels == 1 || channels == 2) && estimate != 0;
    const Bytes out = ReadAll(s.decodedWavPath);
    const WaveInfo w = ParseWave(out);
    const std::uint64_t expected = decodable ? 44 + ImaDecodedBytes(entry.size(), channels) : 0;
    FUZZ_CHECK(s.wavTypeKnown == decodable && Exists(s.decodedWavPath) == decodable &&
                   (!decodable || (s.playWavPath == s.decodedWavPath && out.size() == expected)),
               "an IMA ADPCM entry gave decoded.wav of " + std::to_string(out.size()) + " bytes, not " + std::to_string(expected));
    FUZZ_CHECK(!decodable || (w.ok && w.dataOffset == 44 && w.dataSize == expected - 44 && w.riffSize == expected - 8 &&
                              w.channels == 1 && w.bitsPerSample == 16 && w.sampleRate == ReadU32Le(&f[24])),
               "decoded.wav's header is wrong");
  } else if (entry.size() >= 4) {
    FUZZ_CHECK(s.wavTypeKnown == 0 || s.playWavPath == s.tempWavPath, "a plain stored wave was not played where it was extracted");
  }
  if (s.wavTypeKnown == 1) {
    const std::vector<std::string> played = HeadlessCallsOf("sound-file");
    FUZZ_CHECK(!played.empty() && played.back() == s.playWavPath, "the prepared wave was not handed to the sound service");
    const Bytes playedBytes = ReadAll(s.playWavPath);
    const std::vector<Bytes> exported = ExportCurrent();
    FUZZ_CHECK(exported.size() == 1 && exported[0] == playedBytes, "the export is not the wave that was played");
  }
  s.containerFile.reset();
  FUZZ_CHECK(ReadAll(Input("box.kvf")) == kvf, "playing changed the .kvf");
}

// The extension the first byte of an external_any input picks (byte % 32).
const char* const EXTENSIONS[] = {"htk", "HTK", "voc", "VOC", "au",  "AU",  "snd",  "SND",  "aiff", "AIFF", "aif",
                                  "AIF", "caf", "CAF", "paf", "PAF", "pvf", "PVF",  "sph",  "SPH",  "wve",  "WVE",
                                  "iff", "IFF", "8svx", "8SVX", "mpc", "MPC", "wav", "WAV", "Wav", "txt"};

void PlayExternal(const std::string& extension, const Bytes& file) {
  const fs::path path = Input("picked." + extension);
  WriteAll(path, file);
  std::string x = extension;
  std::transform(x.begin(), x.end(), x.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  const bool wave = extension == "wav" || extension == "WAV";
  // A ".wav" that starts "NIS" is converted as a SPHERE file.
  const FormatRow* format = FormatNamed(wave && file.size() >= 3 && ReadTag(file.data(), "NIS") ? "sph"
                                        : x == "snd" ? "au" : x == "aif" ? "aiff" : x == "8svx" ? "iff" : x);
  AppState& s = appState;
  Command(CMD_PLAY_EXTERNAL, 0, path);
  const bool played = s.externalWavReady == 1;
  FUZZ_CHECK(s.conversionFailed == 0 || s.conversionFailed == 1, "conversionFailed holds " + std::to_string(s.conversionFailed));
  FUZZ_CHECK(ReadAll(path) == file, "Play_Wav changed the file it played");
  FUZZ_CHECK(!played || (s.conversionFailed == 0 && Exists(s.externalWavPath)), "a failed or missing file was played");
  if (format != nullptr) {
    const std::string output = s.*format->output;
    FUZZ_CHECK(s.conversionFailed == 1 ? !played && (format->mayWriteAndFail || !Exists(output)) : played && s.externalWavPath == output,
               "a failed conversion was played or wrote its output, or a converted file was not played");
    if (Exists(output)) CheckConvertedWave(ReadAll(output), file.size());
  } else {
    FUZZ_CHECK(!played || (wave && s.externalWavPath == path.string()), "a wave played from elsewhere, or of an unknown extension");
  }
  const Bytes playedBytes = played ? ReadAll(s.externalWavPath) : Bytes();
  Command(CMD_EXPORT_EXTERNAL);
  const fs::path exported = Root() / "Documents" / "KVP_Wavs" / "ext_wav1.wav";
  FUZZ_CHECK(played ? ReadAll(exported) == playedBytes : !Exists(exported), "the external export is not the wave played");
}

// Add_Wav (100) of a small wave to a container whose ".kvf" is the bytes.
void FuzzAddToContainer(const Bytes& kvf) {
  const Bytes dat = BytesOf(NameListPair(~ComputeNameCrc("first.wav"), "first.wav")), added = PcmWave(1, 8000, 16, 64);
  LoadContainer(kvf, &dat);
  WriteAll(Input("add.wav"), added);
  Command(CMD_ADD_WAV, 0, Input("add.wav"));
  AppState& s = appState;
  s.containerFile.reset();
  const std::uint32_t count = EntryCountOf(kvf), crc = ~ComputeNameCrc("add.wav");
  const bool acceptable = kvf.size() >= std::size_t(DATA_AREA_START) && count < MAX_ENTRIES;
  FUZZ_CHECK(s.entryAppended == acceptable, acceptable ? "an acceptable container refused the file" : "a container that must refuse took it");
  // A refused add leaves both files as they were; a taken one adds exactly the entry and its name.
  Bytes kvfAfter = kvf, datAfter = dat;
  if (s.entryAppended == 1) {
    kvfAfter = Join(kvf, added);
    WriteU32Le(&kvfAfter[12], count + 1);
    const std::uint32_t record[] = {NameKeyOf(crc), std::uint32_t(added.size()), std::uint32_t(kvf.size()),
                                    std::uint32_t(kvf.size() + added.size())};
    for (int i = 0; i < 4; ++i) WriteU32Le(&kvfAfter[16 * (count + 1) + 4 * i], record[i]);
    datAfter = Join(dat, BytesOf(NameListPair(crc, "add.wav")));
    FUZZ_CHECK(s.entryCount == std::int32_t(count + 1), "the entry count was not updated");
  }
  FUZZ_CHECK(ReadAll(Input("box.kvf")) == kvfAfter, "the .kvf is neither as it was nor exactly plus the new entry");
  FUZZ_CHECK(ReadAll(Input("box.dat")) == datAfter, "the .dat is neither as it was nor exactly plus the new name");
  FUZZ_CHECK(ReadAll(Input("add.wav")) == added, "adding changed the file added");
  FUZZ_CHECK(!Exists(s.crcLogPath), "a name went to CrcLog.dat though the container has its .dat");
}

// More shapes of some formats than the registry's samples (until it has them).
std::vector<Bytes> ExtraSamples(const std::string& f) {
  const Bytes p = PatternBytes(100, 5);
  const std::string sph = "NIST_1A\n   1024\nchannel_count -i 2\nsample_rate -i 8000\nsample_n_bytes -i 1\nsample_coding -s4 ";
  const std::map<std::string, std::vector<Bytes>> extras = {
      {"aiff", {AiffFile(1, 8, 0x400BFA00, p), AifcFile(2, 0x400DAC44, "ulaw", p), AifcFile(1, 0x400BFA00, "sowt", p)}},
      {"au", {AuFile(2, 8000, 1, p), AuFile(3, 22050, 2, p), AuFile(5, 48000, 1, p), AuFile(6, 44100, 2, p), AuFile(27, 11025, 2, p)}},
      {"caf", {CafFile(4200, {0x40, 0xBF, "ulaw", 1, 8, "data"}), CafFile(4200, {0x40, 0xF7, "lpcm", 2, 32, "data"})}},
      {"paf", {PafFile(3001, {{0, 0, 0x56, 0x22}, 2, 1}), PafFile(2118, {{0, 0, 0x30, 0x39}, 1, 2})}},
      {"pvf", {PvfFile("1 8000 8", p), PvfFile("2 8000 24", p), PvfFile("1 11025 32", p)}},
      {"sph", {SphereFile(sph + "ulaw\nend_head\n", p), SphereFile(sph + "alaw\nend_head\n", p)}},
      {"voc", {NewFormatVoc(200, 22050, 16, 2, 4), NewFormatVoc(200, 8000, 8, 1, 0), NewFormatVoc(200, 8000, 8, 1, 6),
               NewFormatVoc(200, 8000, 8, 2, 7), TimeConstantVoc(200, 62634), TimeConstantVoc(200, 77)}}};
  return extras.count(f) ? extras.at(f) : std::vector<Bytes>();
}

// A container fuzzer's input: the name list's size, the name list, the ".kvf".
Bytes ContainerInput(const std::vector<Bytes>& entries) {
  Bytes dat, size(2);
  const Bytes kvf = NamedKvf(entries, dat);
  WriteU16Le(size.data(), std::uint16_t(dat.size()));
  return Join(Join(size, dat), kvf);
}

std::vector<FuzzEntry> MakeEntries() {
  std::vector<FuzzEntry> entries;
  auto add = [&](const std::string& name, std::function<void(const Bytes&)> run, std::vector<Bytes> seeds) {
    entries.push_back({name, [name, run](const Bytes& in) { ResetProgram(name), run(in), CheckFolders(); }, std::move(seeds)});
  };
  std::vector<Bytes> waves = {PcmWave(1, 8000, 16, 100), PcmWave(2, 44100, 16, 64), PcmWave(1, 22050, 8, 51), PcmWave(1, 48000, 32, 64),
                              ImaWave(1, 22050, 2, 100), ImaWave(2, 8000, 1), ImaWave(2, 11025, 2, 13)};
  WriteU16Le(&waves[3][20], 3);  // IEEE float
  std::vector<Bytes> anySeeds = {Join({28}, waves[0])}, storable = {waves[4]}, wavSeeds = waves;
  Bytes dat;
  for (const FormatRow& row : Formats()) {
    std::vector<Bytes> seeds = ExtraSamples(row.name);
    for (const FormatSample& sample : row.samples) seeds.insert(seeds.begin(), sample.bytes);
    const auto pick = std::find(std::begin(EXTENSIONS), std::end(EXTENSIONS), std::string(row.name)) - std::begin(EXTENSIONS);
    anySeeds.push_back(Join({static_cast<unsigned char>(pick)}, seeds[0]));
    add(std::string("import_") + row.name, [&row](const Bytes& in) { RunConverter(row, false, in); }, seeds);
    if (row.convertStored == nullptr) continue;
    storable.push_back(seeds[0]);
    // The faces may differ on purpose (VOC's stored G.711 blocks, CAF's rates): each meets the checks alone.
    add(std::string("stored_") + row.name, [&row](const Bytes& in) { RunConverter(row, true, in), RunConverter(row, false, in); }, seeds);
  }
  wavSeeds.push_back(FormatNamed("sph")->samples[0].bytes);  // a ".wav" holding a SPHERE file
  add("container", FuzzContainer, {ContainerInput({}), ContainerInput({waves[0]}), ContainerInput(waves), ContainerInput(storable)});
  add("stored_wave", FuzzStoredWave, waves);
  add("external_wav", [](const Bytes& in) { PlayExternal("wav", in); }, wavSeeds);
  add("external_any", [](const Bytes& in) { in.empty() ? void() : PlayExternal(EXTENSIONS[in[0] % 32], Tail(in, 1)); }, anySeeds);
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
  const auto found = std::find_if(FuzzEntries().begin(), FuzzEntries().end(), [&](const FuzzEntry& e) { return e.name == name; });
  return found == FuzzEntries().end() ? nullptr : &*found;
}

// The program as its user drives it: every command through the window procedure, on a scratch installation.
// Expected values are worked out by hand from the rules each command follows, never with the program's own
// routines. The Windows driver's session checks the plain successes (texts, rows, copies), the regression replay
// the copies and refusals of damaged or odd inputs; these suites keep the other refusals, limits and tables.
#include <algorithm>
#include <filesystem>
#include <fstream>

#include "io/byte_order.h"
#include "io/file_io.h"
#include "library/container.h"
#include "platform/headless.h"
#include "shell/main_window.h"
#include "state/app_state.h"
#include "state/commands.h"
#include "state/play_timer.h"
#include "tests/test_support.h"

namespace {

namespace fs = std::filesystem;
const std::string FAILED = "status Oops.  It seems something went wrong and file creation has failed . . .";
const std::string ABORTED = "status Operation aborted . . .";
const std::string UNIDENTIFIED = "Unidentified wav_type. Play may have failed . . .";
const std::string SPHERE = "NIST_1A\n   1024\nchannel_count -i 1\nsample_rate -i 16000\nend_head\n";
const Strings BEEP = {"beep"};

// A wave of total bytes whose header says what a row needs.
Bytes WaveWith(std::uint32_t fmtSize, std::uint16_t tag, std::uint16_t channels, std::uint32_t rate,
               std::uint16_t blockAlign, std::uint16_t bits, std::size_t total) {
  Bytes b = PcmWave(channels, rate, 16, total - 44);
  WriteU32Le(&b[16], fmtSize);
  WriteU16Le(&b[20], tag);
  WriteU16Le(&b[32], blockAlign);
  WriteU16Le(&b[34], bits);
  return b;
}

Strings Plus(Strings head, const Strings& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

class CommandTest : public ProgramTest {
 protected:
  void AddWaves(int count) {
    for (int i = 1; i <= count; ++i) AddFile("e" + std::to_string(i) + ".wav", PcmWave(1, 8000, 16, 100 * i));
  }
  Strings Play(const std::string& name, const Bytes& bytes) {  // an external file, from idle
    WriteWholeFile(ScratchFile(name), bytes);
    if (appState.animRunning == 1) Command(IDC_STOP);
    return RunWithDialog(CMD_PLAY_EXTERNAL, ScratchFile(name));
  }
};
struct PlayTest : CommandTest {
  void SetUp() override {
    CommandTest::SetUp();
    kvf = CreateAndLoad("Player");
  }
  std::string kvf;
};
using ExternalTest = CommandTest;

TEST_F(CommandTest, StartUpAndTheDocumentsFolder) {
  const std::string odd = ScratchFile("Programme d\xe9j\xe0 vu");  // blanks and accents are used as they are
  fs::create_directories(odd + "/Export/Conversions");
  StartProgram(odd, documentsFolder);
  CreateAndLoad("Caf\xe9");
  AddFile("a.wav", PcmWave(1, 8000, 16, 100));
  Command(IDC_NEXT);
  EXPECT_EQ(ReadWholeFile(appState.tempWavPath), PcmWave(1, 8000, 16, 100));
  // KVP_Wavs is made only when missing; a plain file of that name is left alone.
  EXPECT_TRUE(fs::is_directory(appState.documentsWavDir));
  EXPECT_FALSE(FileExists(documentsFolder + "/Export_KVF"));  // by Share
  for (int round = 0; round < 2; ++round) {
    StartProgram(programFolder, documentsFolder);
    EXPECT_TRUE(HeadlessCallsOf("folder-create").empty());
    fs::remove_all(appState.documentsWavDir);
    WriteWholeFile(appState.documentsWavDir, BytesOf("not a folder"));
  }
  EXPECT_TRUE(fs::is_regular_file(appState.documentsWavDir));
  StartProgram(programFolder, "");  // without a Documents folder nothing is written there
  EXPECT_TRUE(HeadlessCallsOf("folder-create").empty());
  CreateAndLoad("Box");
  AddFile("a.wav", PcmWave(1, 8000, 16, 100));
  Command(IDC_NEXT);
  Command(CMD_EXPORT_CURRENT);  // the program's own Export folder still takes it
  EXPECT_TRUE(FileExists(ProgramFile("Export/KVFS_Wav1.wav")));
  CommandWithDialog(CMD_PLAY_EXTERNAL, ScratchFile("a.wav"));
  Command(CMD_SAVE_IN_DOCUMENTS);
  for (int command : {CMD_EXPORT_CURRENT, CMD_EXPORT_ALL, CMD_SHARE_CURRENT, CMD_EXPORT_EXTERNAL}) {
    const Strings feedback = Run(command);
    ASSERT_GE(feedback.size(), 2u) << command;
    EXPECT_EQ(Strings(feedback.end() - 2, feedback.end()), (Strings{"beep", FAILED})) << command;
    EXPECT_TRUE(HeadlessCallsOf("copy").empty()) << command;
    EXPECT_TRUE(HeadlessCallsOf("folder-create").empty()) << command;
  }
}

TEST_F(CommandTest, ShutdownClosesStopsReleasesAndQuits) {
  CreateAndLoad("Open");
  StartPlayAnimation();
  std::uintptr_t fake = 101;
  for (BitmapHandle* bitmap : {&appState.bmpMenuLoad, &appState.bmpMenuWav, &appState.bmpMenuKvf,
                               &appState.bmpMenuExportCurrent, &appState.bmpMenuExportAll, &appState.bmpMenuOption})
    *bitmap = reinterpret_cast<BitmapHandle>(fake++);
  HeadlessClearCalls();
  MainWindowProc(appState.hwndQuickStart, MESSAGE_DESTROY, 0, 0);  // any of the three windows
  EXPECT_FALSE(appState.containerFile);
  Strings order;
  Strings expected = {"timer-stop 1", "picture 2300"};
  for (const PlatformCall& call : HeadlessCalls()) order.push_back(call.role + " " + call.detail);
  for (int n = 101; n <= 106; ++n) expected.push_back("bitmap-release " + std::to_string(n));
  EXPECT_EQ(order, Plus(expected, {"quit 0"}));
}

TEST_F(CommandTest, OptionsHelpAndUnknownCommands) {
  const struct {
    int command;
    const std::int32_t& option;
    std::int32_t value;
    std::string text;
  } cases[] = {{CMD_SAVE_AS_PCM, appState.exportAsPcm, 1, "Option set:  Export single wavs as pcm . . ."},
               {CMD_SAVE_AS_ORG, appState.exportAsPcm, 0, "Option set:  Export single wavs in original format . . ."},
               {CMD_SAVE_IN_DOCUMENTS, appState.saveInDocuments, 1,
                "Option Set: stored wav files will export to Documents\\KVP_Wavs"},
               {CMD_SAVE_IN_DEFAULT, appState.saveInDocuments, 0,
                "Option Set: stored wav files will export to default "
                "directory, Korvel_Player\\Export"}};
  for (const auto& c : cases) {
    EXPECT_EQ(Run(c.command), Strings({"asterisk", "status " + c.text})) << c.text;
    EXPECT_EQ(c.option, c.value) << c.text;
  }
  EXPECT_EQ(Run(CMD_HELP_FILES), (Strings{"box Error - Korvel_Player: Help file could not be opened..."}));
  WriteWholeFile(appState.helpFilePath, BytesOf("help"));
  EXPECT_TRUE(Run(CMD_HELP_FILES).empty());
  EXPECT_EQ(HeadlessCallsOf("shell-open"), Strings{appState.helpFilePath});
  for (int id : {7777, IDC_STATUS}) {
    EXPECT_TRUE(Run(id).empty()) << id;
    EXPECT_TRUE(HeadlessCalls().empty()) << id;
  }
}

TEST_F(CommandTest, PlayClockFramesAndStop) {
  auto ticksUntilStop = [](std::uint32_t limitMs) {
    appState.durationMs = limitMs;
    StartPlayAnimation();
    int ticks = 0;
    for (; appState.animRunning == 1 && ticks < 1000; ++ticks) OnPlayTimerTick();
    return ticks;
  };
  HeadlessClearCalls();  // the clock starts at 140 and stops once past the limit
  EXPECT_EQ(std::vector<int>({ticksUntilStop(2000), ticksUntilStop(1000), ticksUntilStop(0)}), std::vector({14, 7, 1}));
  Strings frames = {"2500", "2600", "2300"};  // round two starts at 2; then idle
  Strings pictures = HeadlessCallsOf("picture");
  for (int f = 12; f >= 1; --f) frames.insert(frames.begin(), std::to_string(2300 + 100 * f));
  pictures.resize(frames.size());
  EXPECT_EQ(pictures, frames);
  EXPECT_EQ(HeadlessCallsOf("timer-start").back(), "1 140");
  appState.replayMode = 1;  // Replay: its own limit, whatever the last play set
  appState.replayDurationMs = 1000;
  EXPECT_EQ(ticksUntilStop(60000), 7);
  StartPlayAnimation();
  EXPECT_EQ(Run(IDC_STOP), (Strings{"timer off", "start"}));
  EXPECT_EQ(Run(IDC_STOP), BEEP);  // nothing plays
}

TEST_F(CommandTest, NewContainerNames) {
  WriteWholeFile(ProgramFile("orphan.dat"), BytesOf(" 1 \"x\"\r\n"));
  const std::string exists = "status Export error - kvf filename already exists. . .";
  const std::string invalid = "status Export error - kvf filename is not valid. . .";
  const struct {
    const char* typed;
    std::string outcome;
  } cases[] = {                                        // the status, or the file made
               {nullptr, "Type_in_desired_name.kvf"},  // the box's initial text
               {"Type_in_desired_name", exists},
               {"orphan", exists},
               {"", "status You must enter a name before a KorvelFile (.kvf)export can occur"},
               {"a/b", invalid},
               {"a\\b", invalid},
               {"what?", invalid},
               {"x:y", invalid},
               {"star*", invalid},
               {"\"q\"", invalid},
               {"<", invalid},
               {"pipe|", invalid},
               {"tab\there", invalid},
               {".", invalid},
               {"..", invalid},
               {"CON", invalid},
               {"nul", invalid},
               {"com1", invalid},
               {"LPT9.txt", invalid},
               {"aux.kvf", invalid},
               {"console", "console.kvf"},
               {"a.kvf", "a.kvf.kvf"}};
  for (const auto& c : cases) {
    if (c.typed != nullptr) PlatformSetControlText(appState.hwndExportWindow, IDC_EXPORT_NAME, c.typed);
    const Strings feedback = Run(IDC_EXPORT_BUTTON);
    const bool refused = c.outcome.compare(0, 7, "status ") == 0;
    const std::string made = "New KorvelFile ( " + c.outcome + " ) has been exported to this program's directory . . .";
    EXPECT_EQ(feedback, (refused ? Strings{"beep", c.outcome} : Strings{"finish", "status " + made}));
    // The box is emptied after a made file (whose bytes FaultTest checks) or a bad name.
    const std::string box = PlatformGetControlText(appState.hwndExportWindow, IDC_EXPORT_NAME);
    if (refused) {
      EXPECT_TRUE(c.outcome != invalid || box.empty());
    } else {
      EXPECT_TRUE(box.empty());
      EXPECT_TRUE(FileExists(ProgramFile(c.outcome)));
      EXPECT_EQ(HeadlessCallsOf("window-hide").size(), 1u);
    }
  }
  EXPECT_EQ(ReadWholeFile(ProgramFile("orphan.dat")), BytesOf(" 1 \"x\"\r\n"));
  fs::remove_all(programFolder);  // nowhere to write
  PlatformSetControlText(appState.hwndExportWindow, IDC_EXPORT_NAME, "lost");
  EXPECT_EQ(Run(IDC_EXPORT_BUTTON), (Strings{"beep", FAILED}));
}

TEST_F(CommandTest, LoadShowsTheCountAndThePlaylist) {
  EXPECT_EQ(RunWithDialog(CMD_LOAD_KVF, ""), (Strings{"start", "finish", ABORTED}));  // the menus: the Windows driver
  const std::string kvf = CreateAndLoad("Names");
  AddFile("one.wav", PcmWave(1, 8000, 16, 10));
  AddFile("two words.au", Bytes(30, 1));
  std::ofstream(CompanionDatPath(kvf), std::ios::binary | std::ios::app) << " 12345678 \"x\"";  // half a pair: a row
  CommandWithDialog(CMD_LOAD_KVF, kvf);
  EXPECT_EQ(HeadlessListRows(appState.hwndEntryList), (Strings{" \"one.wav\"", " \"two words.au\"", " \"x\""}));
  EXPECT_EQ(PlatformGetControlText(appState.hwndMain, IDC_ENTRY_NUMBER), "0");
  fs::remove(CompanionDatPath(kvf));
  CommandWithDialog(CMD_LOAD_KVF, kvf);
  EXPECT_EQ(HeadlessListRows(appState.hwndEntryList), (Strings{"No playlist was found for selected .kvf file . . ."}));
  for (std::int64_t size : {LARGE_CONTAINER_BYTES, LARGE_CONTAINER_BYTES + 1}) {
    ASSERT_TRUE(TruncateFile(kvf, size));
    CommandWithDialog(CMD_LOAD_KVF, kvf);
    const std::string tooLarge = size > LARGE_CONTAINER_BYTES ? appState.msgFileTooLarge : "";
    EXPECT_EQ(Status(), "There are 0 to 2 valid entries within .kvf file" + tooLarge);
  }
  for (const std::string& unusable : {ProgramFile("vanished.kvf"), ProgramFile("Export")}) {  // a folder too
    EXPECT_EQ(RunWithDialog(CMD_LOAD_KVF, unusable),
              (Strings{"start", "box Kor_Vel_Player: Could not find, or open selected file. ..", "finish", ABORTED}));
    EXPECT_EQ(appState.entryCount, 0);
    EXPECT_EQ(Plus(Run(CMD_EXPORT_ALL), Run(IDC_NEXT)), Strings({"beep", "beep"}));
  }
}

TEST_F(CommandTest, AddingFiles) {
  EXPECT_EQ(Run(CMD_ADD_WAV),
            (Strings{"beep", "status You must select (load) a KorvelFile (.kvf) before adding a wave file . . ."}));
  const std::string kvf = CreateAndLoad("Adds");
  AddFile("123456789", PcmWave(2, 44100, 16, 100));
  AddFile("empty", Bytes());  // zlib's crc32 of "empty" is 68c73dc4
  EXPECT_EQ(ReadWholeFile(kvf), KvfFile({PcmWave(2, 44100, 16, 100), Bytes()}, {0xCBF43900u, 0x68C73D00u}));
  const std::string pair = " cbf43926 \"123456789\"\r\n cbf43900 \"123456789\"\r\n";
  EXPECT_EQ(ReadWholeFile(CompanionDatPath(kvf)), BytesOf(pair + " 68c73dc4 \"empty\"\r\n 68c73d00 \"empty\"\r\n"));
  fs::remove(CompanionDatPath(kvf));  // without a name list beside it, the names go to CrcLog.dat
  AddFile("123456789", Bytes(3, 1));
  EXPECT_EQ(ReadWholeFile(appState.crcLogPath), BytesOf(pair));
  const Bytes before = ReadWholeFile(kvf);
  EXPECT_EQ(RunWithDialog(CMD_ADD_WAV, ""), (Strings{"start", "finish", ABORTED}));
  EXPECT_EQ(RunWithDialog(CMD_ADD_WAV, ScratchFile("gone.wav")).back(), FAILED);  // vanished after the dialog
  EXPECT_EQ(ReadWholeFile(kvf), before);
  Bytes bytes = ReadWholeFile(kvf);
  WriteU32Le(&bytes[12], 498);  // 498 entries: one more fits, then no more
  WriteWholeFile(kvf, bytes);
  CommandWithDialog(CMD_LOAD_KVF, kvf);
  AddFile("last.wav", PcmWave(1, 8000, 8, 4));
  EXPECT_EQ(appState.entryCount, 499);
  const Bytes full = ReadWholeFile(kvf);
  EXPECT_EQ(RunWithDialog(CMD_ADD_WAV, ScratchFile("last.wav")),
            (Strings{"beep",
                     "status The selected KVF has reached its entry limits. No further wave files can be "
                     "added . . ."}));
  EXPECT_EQ(ReadWholeFile(kvf), full);
}

TEST_F(CommandTest, ExportAllNamesEachEntryByItsFirstBytes) {
  EXPECT_EQ(Run(CMD_EXPORT_ALL), BEEP);
  const std::string kvf = CreateAndLoad("All");
  const std::string starts[] = {"FORM", ".snd", "Cre", "RIFF", "caff", " paf", "PVF1", "NIST", std::string(4, '\0'),
                                "Xsnd", "????"};
  const char* extensions[] = {".aiff", ".au", ".voc", ".wav", ".caf", ".paf", ".pvf", ".sph", ".htk", ".htk", ".htk"};
  for (std::size_t n = 0; n < std::size(starts); ++n)  // 40 + n bytes, filled with n
    AddFile("e" + std::to_string(n), BytesOf(starts[n] + std::string(40 + n - starts[n].size(), char(n))));
  const Strings done = {"finish", "status Completed. All wav files exported to program's directory"};
  EXPECT_EQ(Run(CMD_EXPORT_ALL), done);
  for (std::size_t n = 0; n < std::size(starts); ++n) {
    EXPECT_EQ(ReadWholeFile(appState.massExportPrefix + std::to_string(n + 1) + extensions[n]),
              ReadWholeFile(ScratchFile("e" + std::to_string(n))))
        << extensions[n];
  }
  Command(CMD_SAVE_IN_DOCUMENTS);
  EXPECT_EQ(Run(CMD_EXPORT_ALL).back(), "status Completed. All wav files exported to Documents\\KVP_Wavs");
  EXPECT_TRUE(FileExists(appState.documentsWavDir + PATH_SEPARATOR + "KVFM_Wav11.htk"));
  Command(CMD_SAVE_IN_DEFAULT);  // damaged records: the container regressions' replay
  for (std::int64_t size : {std::int64_t{500000}, std::int64_t{500001}}) {  // a progress text above half a megabyte
    const std::string big = CreateAndLoad("Progress" + std::to_string(size));
    ASSERT_TRUE(TruncateFile(big, size));
    CommandWithDialog(CMD_LOAD_KVF, big);
    EXPECT_EQ(Run(CMD_EXPORT_ALL), size > 500000 ? Plus({"finish", "status Exports in progress . . ."}, done) : done);
  }
}

TEST_F(CommandTest, ShareReplacesEarlierCopiesAndNeedsBothFiles) {
  const std::string kvf = CreateAndLoad("Shared");
  AddFile("a.wav", PcmWave(1, 8000, 16, 10));
  Command(CMD_SHARE_CURRENT);
  WriteWholeFile(appState.shareKvfPrefix + "Shared.kvf", BytesOf("an earlier share"));
  Command(CMD_SHARE_CURRENT);
  EXPECT_EQ(ReadWholeFile(appState.shareKvfPrefix + "Shared.kvf"), ReadWholeFile(kvf));
  fs::remove(CompanionDatPath(kvf));
  EXPECT_EQ(Run(CMD_SHARE_CURRENT), (Strings{"start", "finish", "beep", FAILED}));
}

// Durations of stored and external waves, worked out by hand from the rule: r = rate, doubled for a format tag above
// 1 (signed), a third for fmt 40; bps = fmt length x channels x r / 8; stored d = length / bps (halved for 32 bits;
// 2 x length / (r x channels) for fmt 18); external d = (RIFF size / bps) in whole seconds, the same corrections
// after. Text "": the stored entry is not played; external -1: the file is not played.
TEST_F(PlayTest, WaveDurationsFollowTheFmtLength) {
  const struct {
    const char* what;
    Bytes wave;
    double stored;
    const char* text;
    double external;
  } cases[] = {{"16-bit stereo", WaveWith(16, 1, 2, 44100, 4, 16, 176444), 176444 / 176400.0, "1.0002", 1},
               {"8-bit, timed as 16", WaveWith(16, 1, 1, 22050, 1, 8, 22050), 0.5, "0.5", 0},
               {"one-character text", WaveWith(16, 1, 1, 8000, 2, 16, 16000), 1, "unknown", 0},
               {"32-bit halves", WaveWith(16, 1, 1, 8000, 4, 32, 64000), 2, "unknown", 1.5},
               {"fmt 18 float", WaveWith(18, 3, 1, 8000, 4, 32, 32000), 4, "unknown", 3},
               {"fmt 30, tag 0x55 doubles", WaveWith(30, 0x55, 2, 22050, 1, 0, 661500), 2, "unknown", 1},
               {"fmt 40, tag 0xFFFE is negative", WaveWith(40, 0xFFFE, 2, 48000, 6, 24, 480000), 3, "unknown", 2},
               {"fmt 50 MS ADPCM", WaveWith(50, 2, 1, 22050, 256, 4, 551250), 2, "unknown", 1},
               {"fmt 20, IMA block 1024 plays as it is", WaveWith(20, 0x11, 1, 8000, 1024, 4, 80000), 2, "unknown", 1},
               {"fmt 24 is unknown", WaveWith(24, 1, 1, 8000, 2, 16, 8000), 0, "", -1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    AddFile("w.wav", c.wave);
    Command(IDC_NEXT);
    EXPECT_EQ(Status() == UNIDENTIFIED, *c.text == '\0');
    if (*c.text != '\0') {
      EXPECT_DOUBLE_EQ(appState.durationSeconds, c.stored);
      EXPECT_EQ(appState.durationText, c.text);
      EXPECT_EQ(appState.replayDurationMs, std::uint32_t(c.stored) * 1000u);
    }
    Play("w.wav", c.wave);
    if (c.external < 0) {
      EXPECT_EQ(appState.externalWavReady, 0);
    } else {
      EXPECT_EQ(appState.externalWavReady, 1);
      EXPECT_EQ(appState.durationSeconds, c.external);
      EXPECT_EQ(appState.durationMs, std::uint32_t(c.external) * 1000u);
    }
    Command(IDC_STOP);
  }
}

TEST_F(PlayTest, StoredEntriesAreRecognisedByTheirFirstBytes) {
  const struct {
    std::string start;
    const std::int32_t* flag;
  } cases[] = {// no flag: nothing, still extracted
               {"FORM", &appState.isAiff},
               {".snd", &appState.isAu},
               {"Xsnd", &appState.isAu},
               {"Crea", &appState.isVoc},
               {"caff", &appState.isCaf},
               {"RIFF", &appState.isRiff},
               {" paf", &appState.isPaf},
               {"PVF1", &appState.isPvf},
               {"NIST", &appState.isSph},
               {std::string("\0\0", 2), &appState.isHtk},
               {std::string("\0\1", 2), &appState.isHtk},
               {std::string("\0\2zz", 4), nullptr},
               {"zzzz", nullptr},
               {"RIxF", nullptr}};
  for (const auto& c : cases) {
    Bytes bytes = BytesOf(c.start);
    if (c.flag != nullptr) bytes.resize(64, 0xEE);
    AddFile("entry", bytes);
    Command(IDC_NEXT);
    const std::int32_t flags[] = {appState.isAiff, appState.isAu,  appState.isVoc, appState.isCaf, appState.isRiff,
                                  appState.isPaf,  appState.isPvf, appState.isSph, appState.isHtk};
    EXPECT_EQ(std::count(std::begin(flags), std::end(flags), 1), c.flag != nullptr ? 1 : 0) << c.start;
    EXPECT_TRUE(c.flag != nullptr ? *c.flag == 1 : Status() == UNIDENTIFIED) << c.start;
    if (c.flag == nullptr) {
      EXPECT_EQ(ReadWholeFile(appState.tempWavPath), bytes);
    }
  }
}

TEST_F(PlayTest, NamesAreFoundByEitherLineOfTheirPair) {
  AddFile("123456789", PcmWave(1, 8000, 16, 100));  // an eight-digit CRC: its key matches line 2
  Command(IDC_NEXT);
  EXPECT_EQ(appState.nowPlayingText.substr(0, 32), "Now playing stored  \"123456789\" ");
  fs::remove(CompanionDatPath(kvf));  // names logged in CrcLog.dat are found there
  CommandWithDialog(CMD_LOAD_KVF, kvf);
  AddFile("logged.wav", PcmWave(1, 8000, 16, 100));
  Command(IDC_NEXT);
  Command(IDC_NEXT);
  EXPECT_EQ(Status().substr(0, 33), "Now playing stored  \"logged.wav\" ");
  WriteWholeFile(appState.crcLogPath, BytesOf(" 00000000 \"other\"\r\n"));
  Command(IDC_PREVIOUS);
  EXPECT_EQ(Status().substr(0, 38), "Now playing stored (unidentified name)");
  WriteWholeFile(appState.crcLogPath, Bytes());  // an empty list: no name text at all
  Command(IDC_NEXT);
  EXPECT_EQ(Status().substr(0, 11), " Duration: ");
}

TEST_F(PlayTest, SetIdListAndReplay) {
  AddWaves(5);
  for (const char* typed : {"5", "6", "0", "", "x"}) {  // the last entry cannot be pinned either
    EXPECT_EQ(PinEntry(typed), (Strings{"beep",
                                        "status The index number you have entered is out of range, or is set "
                                        "to last entry (not allowed)"}))
        << typed;
  }
  EXPECT_EQ(Run(IDC_REPLAY), BEEP);        // nothing chosen since the load
  EXPECT_TRUE(PinEntry(" 3abc").empty());  // leading digits
  for (int expected : {3, 4}) {
    Command(IDC_NEXT);
    EXPECT_EQ(appState.currentIndex, expected);
  }
  Command(IDC_PREVIOUS);
  EXPECT_EQ(ReadWholeFile(appState.tempWavPath), PcmWave(1, 8000, 16, 300));
  EXPECT_EQ(Run(IDC_REPLAY), (Strings{"timer off", "timer on", "play " + appState.tempWavPath}));
  PinEntry("1");
  EXPECT_EQ(Run(IDC_PREVIOUS), BEEP);  // it needs an entry above 1; the pin stays
  EXPECT_EQ(appState.indexPinned, 1);
  HeadlessSelectRow(appState.hwndEntryList, 1);
  EXPECT_TRUE(Run(IDC_ENTRY_LIST, 2).empty());  // another notification: nothing happens
  Command(IDC_ENTRY_LIST, LIST_SELECTION_CHANGED);
  EXPECT_EQ(HeadlessCallsOf("control-text").front(), std::to_string(IDC_ENTRY_NUMBER) + " 2");  // before the play
  EXPECT_EQ(ReadWholeFile(appState.tempWavPath), PcmWave(1, 8000, 16, 200));
}

TEST_F(PlayTest, ARefusedPlayUsesUpThePinAndLeavesNothingToExport) {
  AddWaves(3);
  Command(IDC_NEXT);  // entry 1 played: it could be exported
  Bytes bytes = ReadWholeFile(kvf);
  WriteU32Le(&bytes[32 + 4], 1000000);  // entry 2: past the end
  WriteU32Le(&bytes[32 + 12], 8016 + 100 + 1000000);
  WriteWholeFile(kvf, bytes);
  PinEntry("2");
  fs::remove(appState.tempWavPath);
  Command(IDC_NEXT);
  EXPECT_EQ(Status(), UNIDENTIFIED);
  EXPECT_FALSE(FileExists(appState.tempWavPath));  // a damaged record is never extracted
  EXPECT_EQ(Run(CMD_EXPORT_CURRENT), BEEP);        // not entry 1 under entry 2's name
  Command(IDC_NEXT);                               // the pin is gone: the step moves on
  EXPECT_EQ(appState.currentIndex, 3);
  EXPECT_EQ(Run(IDC_NEXT), BEEP);  // the last entry: no further step
  Command(CMD_EXPORT_CURRENT);
  EXPECT_EQ(ReadWholeFile(ProgramFile("Export/KVFS_Wav1.wav")), PcmWave(1, 8000, 16, 300));
  PinEntry("2");  // a load, even a failed one, ends the pin
  CommandWithDialog(CMD_LOAD_KVF, ProgramFile("Missing.kvf"));
  EXPECT_EQ(appState.indexPinned, 0);
  PinEntry("2");
  CreateAndLoad("Other");
  AddFile("b1.wav", PcmWave(1, 8000, 16, 100));
  Command(IDC_NEXT);
  EXPECT_EQ(appState.currentIndex, 1);
  EXPECT_EQ(appState.wavTypeKnown, 1);
}

TEST_F(PlayTest, ImaEntriesDecodeToOneChannelAtTheirOwnRate) {
  // The decoded sizes and headers, short last blocks too: the stored_wave seeds of the regression replay.
  const struct {
    std::uint16_t channels;
    std::uint32_t rate;
    std::size_t blocks;
    const char* text;
  } cases[] = {{1, 44100, 3, "0.1711"}, {2, 22050, 2, "0.2270"}};
  for (const auto& c : cases) {
    AddFile("ima.wav", ImaWave(c.channels, c.rate, c.blocks));
    Command(IDC_NEXT);
    ASSERT_EQ(appState.wavTypeKnown, 1) << c.text;
    ASSERT_EQ(appState.playWavPath, appState.decodedWavPath) << c.text;
    const Bytes out = ReadWholeFile(appState.decodedWavPath);
    EXPECT_EQ(std::make_tuple(ParseWave(out).byteRate, ReadI16Le(&out[44]), appState.durationText),
              std::make_tuple(2 * c.rate, std::int16_t{100}, std::string(c.text)));  // the first (left) header sample
  }
  Bytes three = ImaWave(1, 8000, 1);
  WriteU16Le(&three[22], 3);  // three channels: not decoded, not played
  AddFile("three.wav", three);
  Run(IDC_NEXT);
  EXPECT_EQ(Status(), UNIDENTIFIED);
  EXPECT_TRUE(HeadlessCallsOf("sound-file").empty());
}

// Which file "Wav (Current)" copies: the decoded wave for a decoded IMA entry,
// and under Save as Pcm for a converted one; otherwise the stored bytes.
TEST_F(PlayTest, ExportCurrentCopiesWhatTheLastPlayLeft) {
  EXPECT_EQ(Run(CMD_EXPORT_CURRENT), BEEP);  // nothing played yet in this run
  AddFile("a.au", AuFile(1, 8000, 1, PatternBytes(1000)));
  AddFile("b.wav", PcmWave(1, 8000, 16, 100));
  AddFile("c.wav", ImaWave(1, 8000, 1));
  const std::string program = "Completed. Wav file exported to program's directory";
  const std::string docs = appState.documentsWavDir + PATH_SEPARATOR;
  const struct {
    int row;
    int pcm;
    int documents;
    bool decoded;
    const char* name;
    std::string text;
  } cases[] = {{0, 0, 0, false, "KVFS_Wav1.au", program},
               {0, 1, 0, true, "KVFS_Wav2.wav", program + " (Export Folder)"},
               {1, 1, 0, false, "KVFS_Wav3.wav", program},
               {2, 0, 0, true, "KVFS_Wav4.wav", program + " (Export Folder)"},
               {0, 1, 1, true, "KVFS_Wav5.wav", "Completed. Wave file exported to Documents\\KVP_Wavs"},
               {0, 0, 1, false, "KVFS_Wav6.au", "Completed. Wav file exported to Documents\\KVP_Wavs"}};
  for (const auto& c : cases) {
    Command(c.pcm == 1 ? CMD_SAVE_AS_PCM : CMD_SAVE_AS_ORG);
    Command(c.documents == 1 ? CMD_SAVE_IN_DOCUMENTS : CMD_SAVE_IN_DEFAULT);
    Select(c.row);  // a converted or IMA entry plays its decoded wave
    EXPECT_EQ(HeadlessCallsOf("sound-file").back(), c.row == 1 ? appState.tempWavPath : appState.decodedWavPath);
    Command(CMD_EXPORT_CURRENT);
    EXPECT_EQ(Status(), c.text) << c.name;
    EXPECT_EQ(ReadWholeFile((c.documents == 1 ? docs : ProgramFile("Export/")) + c.name),
              ReadWholeFile(c.decoded ? appState.decodedWavPath : appState.tempWavPath))
        << c.name;
  }
  PinEntry("1");  // choosing another entry without playing it changes nothing
  Command(CMD_EXPORT_CURRENT);
  EXPECT_EQ(ReadWholeFile(docs + "KVFS_Wav7.au"), AuFile(1, 8000, 1, PatternBytes(1000)));
  AddFile("bad.au", AuFile(4, 8000, 1, PatternBytes(100)));  // an encoding no path takes: the conversion fails
  Command(CMD_SAVE_AS_PCM);
  Select(3);
  EXPECT_EQ(Run(CMD_EXPORT_CURRENT).back(), FAILED);  // never an earlier entry's conversion
  EXPECT_TRUE(HeadlessCallsOf("copy").empty());
  fs::remove_all(appState.documentsWavDir);
  WriteWholeFile(appState.documentsWavDir, BytesOf("a file where the folder should be"));
  Command(CMD_SAVE_AS_ORG);
  EXPECT_EQ(Run(CMD_EXPORT_CURRENT), (Strings{"finish", "beep", FAILED}));
}

TEST_F(ExternalTest, WaveFilesPlayAsTheyAreOrAreRefused) {
  Play("short.WAV", PcmWave(2, 44100, 16, 176399 - 36));  // RIFF size 176399: under a second
  EXPECT_EQ(appState.durationSeconds, 0.0);
  Bytes unplayable = PcmWave(1, 8000, 16, 100);
  WriteU16Le(&unplayable[20], 0x1234);  // a format tag no codec of the sound output takes
  const struct {
    const char* name;
    Bytes bytes;
  } refused[] = {{"mixed.Wav", PcmWave(1, 8000, 16, 100)},
                 {"noext", PcmWave(1, 8000, 16, 100)},
                 {"ima.wav", WaveWith(20, 0x11, 1, 8000, 1028, 4, 200)},
                 {"norate.wav", PcmWave(1, 0, 16, 100)},
                 {"tiny.wav", Bytes(10, 0)},
                 {"unplayable.wav", unplayable}};
  for (const auto& c : refused) {
    EXPECT_EQ(Play(c.name, c.bytes), Strings({"start", "beep"})) << c.name;
    EXPECT_EQ(appState.externalWavReady, 0) << c.name;
  }
  EXPECT_EQ(Run(CMD_EXPORT_EXTERNAL), BEEP);  // nothing of the refused file is exported
  HeadlessSetSoundOutput(false);              // with no sound output to ask, the file is handed over as before
  EXPECT_EQ(Play("unplayable.wav", unplayable),
            Strings({"start", "play " + ScratchFile("unplayable.wav"), "timer on"}));
  Command(CMD_EXPORT_EXTERNAL);
  EXPECT_EQ(Run(CMD_EXPORT_EXTERNAL), (Strings{"beep", FAILED}));  // once per play
  EXPECT_EQ(appState.externalExportCounter, 2);
}

TEST_F(ExternalTest, ForeignAndWorkingFiles) {
  const Strings loading = {"start", "status ", "status Loading external wav . . . please, wait . . ."};
  EXPECT_EQ(Play("phone.snd", AuFile(1, 8000, 1, PatternBytes(8000))),
            Plus(loading, {"play " + appState.auWavPath, "status  ", "timer on"}));
  EXPECT_TRUE(appState.auSourcePath.empty());  // every source field is emptied afterwards
  EXPECT_EQ(Play("bad.au", AuFile(4, 8000, 1, PatternBytes(100))), Plus(loading, {"beep", "status  "}));
  Play("sphere.wav", SphereFile(SPHERE, PatternBytes(800)));
  EXPECT_EQ(appState.externalWavPath, appState.sphWavPath);  // a SPHERE file named .wav
  Command(IDC_STOP);
  const struct {
    const std::string& path;
    Bytes bytes;
    Strings more;
  } cases[] = {                                                                     // working files: never played
               {appState.aiffWavPath, PcmWave(1, 8000, 16, 16000), {}},             // durations still read
               {appState.tempWavPath, ImaWave(1, 8000, 1), BEEP},                   // IMA block sizes still beep
               {appState.tempWavPath, SphereFile(SPHERE, PatternBytes(800)), {}}};  // still converted
  for (const auto& c : cases) {
    WriteWholeFile(c.path, c.bytes);
    fs::remove(appState.sphWavPath);
    const Strings busy = {"start", "status ", "status " + appState.msgSharedAccess, "beep"};
    EXPECT_EQ(RunWithDialog(CMD_PLAY_EXTERNAL, c.path), Plus(busy, c.more)) << c.path;
    EXPECT_EQ(appState.externalWavReady, 0);
    EXPECT_EQ(Status(), appState.msgSharedAccess);
  }
  EXPECT_EQ(ParseWave(ReadWholeFile(appState.sphWavPath)).sampleRate, 16000u);
  WriteWholeFile(appState.aiffWavPath, PcmWave(1, 8000, 16, 16000));
  CommandWithDialog(CMD_PLAY_EXTERNAL, appState.aiffWavPath);
  EXPECT_EQ(appState.durationMs, 1000u);
}

}  // namespace

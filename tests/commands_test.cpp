// The program as its user drives it: every command through the window
// procedure, on a scratch installation. Expected values are worked out by hand
// from the rules each command follows, never with the program's own routines.
#include <algorithm>
#include <filesystem>

#include "library/byte_order.h"
#include "library/container.h"
#include "library/file_io.h"
#include "platform/headless.h"
#include "shell/app_state.h"
#include "shell/commands.h"
#include "shell/main_window.h"
#include "shell/options.h"
#include "shell/play_timer.h"
#include "tests/test_support.h"

namespace {

namespace fs = std::filesystem;
const std::string FAILED = "status Oops.  It seems something went wrong and file creation has failed . . .";

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

// Points entry n's record past the end of the container.
void DamageRecord(const std::string& kvf, int n) {
  Bytes bytes = ReadWholeFile(kvf);
  WriteU32Le(&bytes[16 * n + 4], 1000000);
  WriteU32Le(&bytes[16 * n + 12], ReadU32Le(&bytes[16 * n + 8]) + 1000000);
  WriteWholeFile(kvf, bytes);
}

using CommandTest = ProgramTest;

// --- Start-up, shutdown, options, the play clock ----------------------------------

TEST_F(CommandTest, StartUpAndTheDocumentsFolder) {
  // A program folder with blanks and accents is used as it is.
  const std::string odd = ScratchFile("Programme d\xe9j\xe0 vu");
  fs::create_directories(odd + "/Export/Conversions");
  StartProgram(odd, documentsFolder);
  CreateAndLoad("Caf\xe9");  // really used: a container made, filled and played there
  AddFile("a.wav", PcmWave(1, 8000, 16, 100));
  Command(IDC_NEXT);
  EXPECT_EQ(ReadWholeFile(appState.tempWavPath), PcmWave(1, 8000, 16, 100));

  // KVP_Wavs is made only when missing; a plain file of that name is left alone.
  EXPECT_TRUE(fs::is_directory(appState.documentsWavDir));
  EXPECT_FALSE(FileExists(documentsFolder + "/Export_KVF"));  // made on demand by Share
  StartProgram(programFolder, documentsFolder);
  EXPECT_TRUE(HeadlessCallsOf("folder-create").empty());
  fs::remove_all(appState.documentsWavDir);
  WriteWholeFile(appState.documentsWavDir, BytesOf("not a folder"));
  StartProgram(programFolder, documentsFolder);
  EXPECT_TRUE(HeadlessCallsOf("folder-create").empty());
  EXPECT_TRUE(fs::is_regular_file(appState.documentsWavDir));
}

TEST_F(CommandTest, WithoutADocumentsFolderNothingIsWrittenThere) {
  StartProgram(programFolder, "");
  EXPECT_TRUE(HeadlessCallsOf("folder-create").empty());
  CreateAndLoad("Box");
  AddFile("a.wav", PcmWave(1, 8000, 16, 100));
  Command(IDC_NEXT);
  Command(CMD_EXPORT_CURRENT);  // the program's own Export folder still takes it
  EXPECT_TRUE(FileExists(ProgramFile("Export/KVFS_Wav1.wav")));
  CommandWithDialog(CMD_PLAY_EXTERNAL, ScratchFile("a.wav"));
  Command(CMD_SAVE_IN_DOCUMENTS);
  for (int command : {CMD_EXPORT_CURRENT, CMD_EXPORT_ALL, CMD_SHARE_CURRENT, CMD_EXPORT_EXTERNAL}) {
    ClearCalls();
    Command(command);
    const Strings feedback = Feedback();
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
                               &appState.bmpMenuExportCurrent, &appState.bmpMenuExportAll, &appState.bmpMenuOption}) {
    *bitmap = reinterpret_cast<BitmapHandle>(fake++);
  }
  HeadlessClearCalls();
  MainWindowProc(appState.hwndQuickStart, MESSAGE_DESTROY, 0, 0);  // any of the three windows
  EXPECT_FALSE(appState.containerFile);
  Strings order;
  for (const PlatformCall& call : HeadlessCalls()) order.push_back(call.role + " " + call.detail);
  EXPECT_EQ(order, (Strings{"timer-stop 1", "picture 2300", "bitmap-release 101", "bitmap-release 102", "bitmap-release 103",
                            "bitmap-release 104", "bitmap-release 105", "bitmap-release 106", "quit 0"}));
}

TEST_F(CommandTest, OptionsBeepAndNameTheNewSetting) {
  const struct {
    int command;
    const std::int32_t& option;
    std::int32_t value;
    const char* text;
  } cases[] = {
      {CMD_SAVE_AS_PCM, appState.exportAsPcm, 1, "Option set:  Export single wavs as pcm . . ."},
      {CMD_SAVE_AS_ORG, appState.exportAsPcm, 0, "Option set:  Export single wavs in original format . . ."},
      {CMD_SAVE_IN_DOCUMENTS, appState.saveInDocuments, 1,
       "Option Set: stored wav files will export to Documents\\KVP_Wavs"},
      {CMD_SAVE_IN_DEFAULT, appState.saveInDocuments, 0,
       "Option Set: stored wav files will export to default directory, Korvel_Player\\Export"},
  };
  for (const auto& c : cases) {
    ClearCalls();
    Command(c.command);
    EXPECT_EQ(c.option, c.value) << c.text;
    EXPECT_EQ(Feedback(), (Strings{"asterisk", std::string("status ") + c.text}));
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
  ClearCalls();
  EXPECT_EQ(ticksUntilStop(2000), 14);  // the clock starts at 140 and stops once past the limit
  EXPECT_EQ(ticksUntilStop(1000), 7);
  EXPECT_EQ(ticksUntilStop(0), 1);
  Strings frames;
  for (int f = 1; f <= 12; ++f) frames.push_back(std::to_string(2300 + 100 * f));
  frames.insert(frames.end(), {"2500", "2600", "2300"});  // round two starts at frame 2; then idle
  const Strings pictures = HeadlessCallsOf("picture");
  ASSERT_GE(pictures.size(), frames.size());
  EXPECT_EQ(Strings(pictures.begin(), pictures.begin() + 15), frames);
  EXPECT_EQ(HeadlessCallsOf("timer-start").back(), "1 140");
  appState.replayMode = 1;  // Replay runs to its own limit, whatever the last external play set
  appState.replayDurationMs = 1000;
  EXPECT_EQ(ticksUntilStop(60000), 7);

  StartPlayAnimation();
  ClearCalls();
  Command(IDC_STOP);
  EXPECT_EQ(Feedback(), (Strings{"timer off", "start"}));
  ClearCalls();
  Command(IDC_STOP);  // nothing plays
  EXPECT_EQ(Feedback(), (Strings{"beep"}));
}

TEST_F(CommandTest, HelpClearQuickStartAndUnknownCommands) {
  Command(CMD_HELP_FILES);
  EXPECT_EQ(Feedback(), (Strings{"box Error - Korvel_Player: Help file could not be opened..."}));
  WriteWholeFile(appState.helpFilePath, BytesOf("help"));
  ClearCalls();
  Command(CMD_HELP_FILES);
  EXPECT_EQ(HeadlessCallsOf("shell-open"), Strings{appState.helpFilePath});
  Command(IDC_CLEAR_STATUS);
  EXPECT_EQ(Status(), " ");
  for (int id : {CMD_QUICK_START, IDC_QUICK_START_CLOSE, CMD_NEW_KVF, IDC_EXPORT_CANCEL, 7777, IDC_STATUS}) Command(id);
  EXPECT_EQ(HeadlessCallsOf("window-show").size(), 2u);
  EXPECT_EQ(HeadlessCallsOf("window-hide").size(), 2u);
  EXPECT_EQ(Feedback(), (Strings{"status  "}));
}

// --- New container, load, add -------------------------------------------------------

TEST_F(CommandTest, NewContainerNames) {
  WriteWholeFile(ProgramFile("orphan.dat"), BytesOf(" 1 \"x\"\r\n"));
  const std::string exists = "status Export error - kvf filename already exists. . .";
  const std::string invalid = "status Export error - kvf filename is not valid. . .";
  const struct {
    const char* typed;
    std::string outcome;  // the status, or the files made
  } cases[] = {
      {nullptr, "Type_in_desired_name.kvf"},  // the box's initial text
      {"Type_in_desired_name", exists}, {"orphan", exists}, {"", "status You must enter a name before a KorvelFile (.kvf)export can occur"},
      {"a/b", invalid}, {"a\\b", invalid}, {"what?", invalid}, {"x:y", invalid}, {"star*", invalid}, {"\"q\"", invalid},
      {"<", invalid}, {"pipe|", invalid}, {"tab\there", invalid}, {".", invalid}, {"..", invalid}, {"CON", invalid},
      {"nul", invalid}, {"com1", invalid}, {"LPT9.txt", invalid}, {"aux.kvf", invalid},
      {"console", "console.kvf"}, {"a.kvf", "a.kvf.kvf"},
  };
  for (const auto& c : cases) {
    if (c.typed != nullptr) PlatformSetControlText(appState.hwndExportWindow, IDC_EXPORT_NAME, c.typed);
    ClearCalls();
    Command(IDC_EXPORT_BUTTON);
    if (c.outcome.compare(0, 7, "status ") == 0) {
      EXPECT_EQ(Feedback(), (Strings{"beep", c.outcome})) << c.typed;
      if (c.outcome == invalid) {
        EXPECT_EQ(PlatformGetControlText(appState.hwndExportWindow, IDC_EXPORT_NAME), "");
      }
      continue;
    }
    const std::string kvf = ProgramFile(c.outcome);
    EXPECT_EQ(Feedback(), (Strings{"finish", "status New KorvelFile ( " + c.outcome +
                                                 " ) has been exported to this program's directory . . ."}));
    EXPECT_EQ(ReadWholeFile(kvf), KvfFile({}));
    EXPECT_EQ(ReadWholeFile(CompanionDatPath(kvf)), Bytes());
    EXPECT_EQ(HeadlessCallsOf("window-hide").size(), 1u);
    EXPECT_EQ(PlatformGetControlText(appState.hwndExportWindow, IDC_EXPORT_NAME), "");
  }
  EXPECT_EQ(ReadWholeFile(ProgramFile("orphan.dat")), BytesOf(" 1 \"x\"\r\n"));
  fs::remove_all(programFolder);  // nowhere to write
  PlatformSetControlText(appState.hwndExportWindow, IDC_EXPORT_NAME, "lost");
  ClearCalls();
  Command(IDC_EXPORT_BUTTON);
  EXPECT_EQ(Feedback(), (Strings{"beep", FAILED}));
}

TEST_F(CommandTest, LoadShowsTheCountAndThePlaylist) {
  CommandWithDialog(CMD_LOAD_KVF, "");
  EXPECT_EQ(Feedback(), (Strings{"start", "finish", "status Operation aborted . . ."}));
  EXPECT_FALSE(HeadlessMenuItemEnabled(appState.menuExport, CMD_EXPORT_ALL));
  const std::string kvf = CreateAndLoad("Names");
  for (int item : {CMD_EXPORT_CURRENT, CMD_EXPORT_ALL}) EXPECT_TRUE(HeadlessMenuItemEnabled(appState.menuExport, item));
  EXPECT_TRUE(HeadlessMenuItemEnabled(appState.menuWavs, CMD_ADD_WAV));
  EXPECT_TRUE(HeadlessMenuItemEnabled(appState.menuShare, CMD_SHARE_CURRENT));
  AddFile("one.wav", PcmWave(1, 8000, 16, 10));
  AddFile("two words.au", Bytes(30, 1));
  Bytes names = ReadWholeFile(CompanionDatPath(kvf));  // half a pair still gives a row
  for (char c : std::string(" 12345678 \"x\"")) names.push_back(static_cast<unsigned char>(c));
  WriteWholeFile(CompanionDatPath(kvf), names);
  ClearCalls();
  CommandWithDialog(CMD_LOAD_KVF, kvf);
  EXPECT_EQ(Feedback(), (Strings{"start", "finish", "status There are 0 to 2 valid entries within .kvf file"}));
  EXPECT_EQ(ListRows(), (Strings{" \"one.wav\"", " \"two words.au\"", " \"x\""}));
  EXPECT_EQ(PlatformGetControlText(appState.hwndMain, IDC_ENTRY_NUMBER), "0");
  fs::remove(CompanionDatPath(kvf));
  CommandWithDialog(CMD_LOAD_KVF, kvf);
  EXPECT_EQ(ListRows(), (Strings{"No playlist was found for selected .kvf file . . ."}));
  for (std::int64_t size : {LARGE_CONTAINER_BYTES, LARGE_CONTAINER_BYTES + 1}) {
    ASSERT_TRUE(TruncateFile(kvf, size));
    CommandWithDialog(CMD_LOAD_KVF, kvf);
    EXPECT_EQ(Status(), "There are 0 to 2 valid entries within .kvf file" +
                            (size > LARGE_CONTAINER_BYTES ? appState.msgFileTooLarge : std::string()));
  }
  for (const std::string& unusable : {ProgramFile("vanished.kvf"), ProgramFile("Export")}) {  // a folder too
    ClearCalls();
    CommandWithDialog(CMD_LOAD_KVF, unusable);
    EXPECT_EQ(Feedback(), (Strings{"start", "box Kor_Vel_Player: Could not find, or open selected file. ..", "finish",
                                   "status Operation aborted . . ."}));
    EXPECT_EQ(appState.entryCount, 0);
    ClearCalls();
    Command(CMD_EXPORT_ALL);
    Command(IDC_NEXT);
    EXPECT_EQ(Feedback(), (Strings{"beep", "beep"}));
  }
}

TEST_F(CommandTest, AddingFiles) {
  Command(CMD_ADD_WAV);
  EXPECT_EQ(Feedback(), (Strings{"beep", "status You must select (load) a KorvelFile (.kvf) before adding a wave file . . ."}));
  const std::string kvf = CreateAndLoad("Adds");
  AddFile("123456789", PcmWave(2, 44100, 16, 100));
  EXPECT_EQ(Feedback(), (Strings{"start", "status ", "status Adding wav . . . please, wait . . .", "finish",
                                 "status The wav file labeled ' 123456789 ' has been added to slected kvf file . . "}));
  AddFile("empty", Bytes());
  EXPECT_EQ(ReadWholeFile(kvf), KvfFile({PcmWave(2, 44100, 16, 100), Bytes()}, {0xCBF43900u, 0x68C73D00u}));
  const Bytes pair = BytesOf(" cbf43926 \"123456789\"\r\n cbf43900 \"123456789\"\r\n");
  Bytes names = pair;  // zlib's crc32 of "empty" is 68c73dc4
  const Bytes emptyPair = BytesOf(" 68c73dc4 \"empty\"\r\n 68c73d00 \"empty\"\r\n");
  names.insert(names.end(), emptyPair.begin(), emptyPair.end());
  EXPECT_EQ(ReadWholeFile(CompanionDatPath(kvf)), names);
  fs::remove(CompanionDatPath(kvf));  // without a name list beside it, the names go to CrcLog.dat
  AddFile("123456789", Bytes(3, 1));
  EXPECT_EQ(ReadWholeFile(appState.crcLogPath), pair);
  ClearCalls();
  CommandWithDialog(CMD_ADD_WAV, "");
  EXPECT_EQ(Feedback(), (Strings{"start", "finish", "status Operation aborted . . ."}));
  const Bytes before = ReadWholeFile(kvf);
  ClearCalls();
  CommandWithDialog(CMD_ADD_WAV, ScratchFile("gone.wav"));  // vanished after the dialog
  EXPECT_EQ(Feedback().back(), FAILED);
  EXPECT_EQ(ReadWholeFile(kvf), before);

  Bytes full = before;  // 498 entries: one more fits, then no more
  WriteU32Le(&full[12], 498);
  WriteWholeFile(kvf, full);
  CommandWithDialog(CMD_LOAD_KVF, kvf);
  AddFile("last.wav", PcmWave(1, 8000, 8, 4));
  EXPECT_EQ(appState.entryCount, 499);
  full = ReadWholeFile(kvf);
  ClearCalls();
  CommandWithDialog(CMD_ADD_WAV, ScratchFile("last.wav"));
  EXPECT_EQ(Feedback(), (Strings{"beep", "status The selected KVF has reached its entry limits. No further wave files "
                                         "can be added . . ."}));
  EXPECT_EQ(ReadWholeFile(kvf), full);
}

// --- Export all, share ------------------------------------------------------------------

TEST_F(CommandTest, ExportAllNamesEachEntryByItsFirstBytes) {
  Command(CMD_EXPORT_ALL);
  EXPECT_EQ(Feedback(), (Strings{"beep"}));
  const std::string kvf = CreateAndLoad("All");
  const struct {
    std::string start;
    const char* extension;
  } entries[] = {{"FORM", ".aiff"}, {".snd", ".au"}, {"Cre", ".voc"}, {"RIFF", ".wav"}, {"caff", ".caf"},
                 {" paf", ".paf"},  {"PVF1", ".pvf"}, {"NIST", ".sph"}, {std::string(4, '\0'), ".htk"},
                 {"Xsnd", ".htk"},  {"????", ".htk"}};
  Bytes all;
  for (std::size_t n = 0; n < std::size(entries); ++n) {
    Bytes bytes = BytesOf(entries[n].start);
    bytes.resize(40 + n, static_cast<unsigned char>(n));
    AddFile("e" + std::to_string(n), bytes);
  }
  ClearCalls();
  Command(CMD_EXPORT_ALL);
  EXPECT_EQ(Feedback(), (Strings{"finish", "status Completed. All wav files exported to program's directory"}));
  for (std::size_t n = 0; n < std::size(entries); ++n) {
    EXPECT_EQ(ReadWholeFile(appState.massExportPrefix + std::to_string(n + 1) + entries[n].extension),
              ReadWholeFile(ScratchFile("e" + std::to_string(n))))
        << entries[n].extension;
  }
  Command(CMD_SAVE_IN_DOCUMENTS);
  Command(CMD_EXPORT_ALL);
  EXPECT_EQ(Status(), "Completed. All wav files exported to Documents\\KVP_Wavs");
  EXPECT_TRUE(FileExists(appState.documentsWavDir + PATH_SEPARATOR + "KVFM_Wav11.htk"));

  Bytes bytes = ReadWholeFile(kvf);  // entry 1 claims far more than the file holds: skipped, and said
  WriteU32Le(&bytes[16 + 4], 0x7FFFFFF0);
  WriteWholeFile(kvf, bytes);
  Command(CMD_SAVE_IN_DEFAULT);
  fs::remove(appState.massExportPrefix + "1.aiff");
  fs::remove(appState.massExportPrefix + "2.au");
  ClearCalls();
  Command(CMD_EXPORT_ALL);
  EXPECT_EQ(Feedback(), (Strings{"finish", "beep", FAILED}));
  EXPECT_FALSE(FileExists(appState.massExportPrefix + "1.aiff"));
  EXPECT_TRUE(FileExists(appState.massExportPrefix + "2.au"));

  for (std::int64_t size : {std::int64_t{500000}, std::int64_t{500001}}) {  // a progress text above half a megabyte
    const std::string big = CreateAndLoad("Progress" + std::to_string(size));
    ASSERT_TRUE(TruncateFile(big, size));
    CommandWithDialog(CMD_LOAD_KVF, big);
    ClearCalls();
    Command(CMD_EXPORT_ALL);
    Strings expected = {"finish", "status Completed. All wav files exported to program's directory"};
    if (size > 500000) expected.insert(expected.begin(), {"finish", "status Exports in progress . . ."});
    EXPECT_EQ(Feedback(), expected);
  }
}

TEST_F(CommandTest, ShareCopiesThePairToDocuments) {
  const std::string kvf = CreateAndLoad("Shared");
  AddFile("a.wav", PcmWave(1, 8000, 16, 10));
  for (int round = 0; round < 2; ++round) {  // the second share replaces the first copies
    ClearCalls();
    Command(CMD_SHARE_CURRENT);
    EXPECT_EQ(Feedback(), (Strings{"start", "finish",
                                   "status Currently loaded kvf/dat files exported to Documents/Export_Kvf Folder"}));
  }
  EXPECT_EQ(ReadWholeFile(appState.shareKvfPrefix + "Shared.kvf"), ReadWholeFile(kvf));
  fs::remove(CompanionDatPath(kvf));
  ClearCalls();
  Command(CMD_SHARE_CURRENT);
  EXPECT_EQ(Feedback(), (Strings{"start", "finish", "beep", FAILED}));
}

// --- Stored plays -------------------------------------------------------------------------

class PlayTest : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    kvf = CreateAndLoad("Player");
  }
  std::string kvf;
};

TEST_F(PlayTest, StepPlaysTheNextEntryWithNameAndDuration) {
  AddFile("one second.wav", PcmWave(2, 44100, 16, 176400));
  ClearCalls();
  Command(IDC_NEXT);
  EXPECT_EQ(Feedback(), (Strings{"finish", "status Loading wav . . . please, wait . . .",
                                 "status Now playing stored  \"one second.wav\" Duration: 1.0002",
                                 "play " + appState.tempWavPath, "timer on"}));
  EXPECT_EQ(PlatformGetControlText(appState.hwndMain, IDC_ENTRY_NUMBER), "1");
  AddFile("phone.au", AuFile(1, 8000, 1, PatternBytes(100000 - 24)));  // a foreign entry: converted, then played
  ClearCalls();
  Command(IDC_NEXT);
  EXPECT_EQ(Status(), "Now playing stored  \"phone.au\" Duration: 12.5");
  EXPECT_EQ(HeadlessCallsOf("sound-file"), Strings{appState.decodedWavPath});
  EXPECT_EQ(ParseWave(ReadWholeFile(appState.decodedWavPath)).formatTag, 7);
  ClearCalls();
  Command(IDC_NEXT);  // the last entry is playing: no further step
  EXPECT_EQ(Feedback(), (Strings{"beep"}));
}

// Durations of stored and external waves, worked out by hand from the rule:
// r = rate, doubled for a format tag above 1 (signed), a third for fmt 40;
// bps = fmt length x channels x r / 8; stored d = length / bps (halved for 32
// bits; 2 x length / (r x channels) for fmt 18); external d = (RIFF size /
// bps) in whole seconds, the same corrections after.
TEST_F(PlayTest, WaveDurationsFollowTheFmtLength) {
  const struct {
    const char* what;
    Bytes wave;
    double stored;
    const char* text;  // "" when the stored entry is not played
    double external;   // -1 when the file is not played
  } cases[] = {
      {"16-bit stereo", WaveWith(16, 1, 2, 44100, 4, 16, 176444), 176444 / 176400.0, "1.0002", 1},
      {"8-bit, timed as 16", WaveWith(16, 1, 1, 22050, 1, 8, 22050), 0.5, "0.5", 0},
      {"one-character text", WaveWith(16, 1, 1, 8000, 2, 16, 16000), 1, "unknown", 0},
      {"32-bit halves", WaveWith(16, 1, 1, 8000, 4, 32, 64000), 2, "unknown", 1.5},
      {"fmt 18 float", WaveWith(18, 3, 1, 8000, 4, 32, 32000), 4, "unknown", 3},
      {"fmt 30, tag 0x55 doubles", WaveWith(30, 0x55, 2, 22050, 1, 0, 661500), 2, "unknown", 1},
      {"fmt 40, tag 0xFFFE is negative", WaveWith(40, 0xFFFE, 2, 48000, 6, 24, 480000), 3, "unknown", 2},
      {"fmt 50 MS ADPCM", WaveWith(50, 2, 1, 22050, 256, 4, 551250), 2, "unknown", 1},
      {"fmt 20, IMA block 1024 plays as it is", WaveWith(20, 0x11, 1, 8000, 1024, 4, 80000), 2, "unknown", 1},
      {"fmt 24 is unknown", WaveWith(24, 1, 1, 8000, 2, 16, 8000), 0, "", -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    AddFile("w.wav", c.wave);
    Command(IDC_NEXT);
    if (*c.text == '\0') {
      EXPECT_EQ(Status(), "Unidentified wav_type. Play may have failed . . .");
    } else {
      EXPECT_DOUBLE_EQ(appState.durationSeconds, c.stored);
      EXPECT_EQ(appState.durationText, c.text);
      EXPECT_EQ(appState.replayDurationMs, static_cast<std::uint32_t>(c.stored) * 1000u);
    }
    Command(IDC_STOP);
    ClearCalls();
    CommandWithDialog(CMD_PLAY_EXTERNAL, ScratchFile("w.wav"));
    EXPECT_EQ(appState.externalWavReady, c.external >= 0 ? 1 : 0);
    if (c.external >= 0) {
      EXPECT_DOUBLE_EQ(appState.durationSeconds, c.external);
      EXPECT_EQ(appState.durationMs, static_cast<std::uint32_t>(c.external) * 1000u);
    }
    Command(IDC_STOP);
  }
}

TEST_F(PlayTest, StoredEntriesAreRecognisedByTheirFirstBytes) {
  const struct {
    std::string start;
    const std::int32_t& flag;
  } cases[] = {{"FORM", appState.isAiff}, {".snd", appState.isAu},  {"Xsnd", appState.isAu},
               {"Crea", appState.isVoc},  {"caff", appState.isCaf}, {"RIFF", appState.isRiff},
               {" paf", appState.isPaf},  {"PVF1", appState.isPvf}, {"NIST", appState.isSph},
               {std::string("\0\0", 2), appState.isHtk}, {std::string("\0\1", 2), appState.isHtk}};
  for (const auto& c : cases) {
    Bytes bytes = BytesOf(c.start);
    bytes.resize(64, 0xEE);
    AddFile("entry", bytes);
    Command(IDC_NEXT);
    const std::int32_t flags[] = {appState.isAiff, appState.isAu, appState.isVoc, appState.isCaf, appState.isRiff,
                                  appState.isPaf, appState.isPvf, appState.isSph, appState.isHtk};
    EXPECT_EQ(c.flag, 1) << c.start;
    EXPECT_EQ(std::count(std::begin(flags), std::end(flags), 1), 1) << c.start;
  }
  for (const char* unknown : {"\x00\x02zz", "zzzz", "RIxF"}) {  // and what is recognised as nothing
    AddFile("noise", BytesOf(std::string(unknown, 4)));
    Command(IDC_NEXT);
    EXPECT_EQ(Status(), "Unidentified wav_type. Play may have failed . . .");
    EXPECT_TRUE(ReadWholeFile(appState.tempWavPath) == BytesOf(std::string(unknown, 4)));  // still extracted
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
  for (int i = 1; i <= 5; ++i) AddFile("e" + std::to_string(i) + ".wav", PcmWave(1, 8000, 16, 100 * i));
  for (const char* typed : {"5", "6", "0", "", "x"}) {
    ClearCalls();
    PinEntry(typed);
    EXPECT_EQ(Feedback(), (Strings{"beep", "status The index number you have entered is out of range, or is set to "
                                           "last entry (not allowed)"}))
        << typed;
  }
  ClearCalls();
  Command(IDC_REPLAY);  // nothing chosen since the load
  EXPECT_EQ(Feedback(), (Strings{"beep"}));
  ClearCalls();
  PinEntry(" 3abc");
  EXPECT_TRUE(Feedback().empty());
  for (int expected : {3, 4}) {
    Command(IDC_NEXT);
    EXPECT_EQ(appState.currentIndex, expected);
  }
  Command(IDC_PREVIOUS);
  EXPECT_EQ(ReadWholeFile(appState.tempWavPath), PcmWave(1, 8000, 16, 300));
  ClearCalls();
  Command(IDC_REPLAY);
  EXPECT_EQ(Feedback(), (Strings{"timer off", "timer on", "play " + appState.tempWavPath}));
  PinEntry("1");
  ClearCalls();
  Command(IDC_PREVIOUS);  // the guard needs an entry above 1; the pin stays
  EXPECT_EQ(Feedback(), (Strings{"beep"}));
  EXPECT_EQ(appState.indexPinned, 1);

  HeadlessSelectRow(appState.hwndEntryList, 1);
  ClearCalls();
  Command(IDC_ENTRY_LIST, 2);  // another notification: nothing happens
  EXPECT_TRUE(Feedback().empty());
  Command(IDC_ENTRY_LIST, LIST_SELECTION_CHANGED);
  EXPECT_EQ(HeadlessCallsOf("control-text").front(), std::to_string(IDC_ENTRY_NUMBER) + " 2");  // before the play
  EXPECT_EQ(ReadWholeFile(appState.tempWavPath), PcmWave(1, 8000, 16, 200));
}

TEST_F(PlayTest, ARefusedPlayUsesUpThePinAndLeavesNothingToExport) {
  for (int i = 1; i <= 3; ++i) AddFile("e" + std::to_string(i) + ".wav", PcmWave(1, 8000, 16, 100 * i));
  Command(IDC_NEXT);  // entry 1 played: it could be exported
  DamageRecord(kvf, 2);
  PinEntry("2");
  fs::remove(appState.tempWavPath);
  Command(IDC_NEXT);
  EXPECT_EQ(Status(), "Unidentified wav_type. Play may have failed . . .");
  EXPECT_FALSE(FileExists(appState.tempWavPath));  // a damaged record is never extracted
  ClearCalls();
  Command(CMD_EXPORT_CURRENT);  // not entry 1 under entry 2's name
  EXPECT_EQ(Feedback(), (Strings{"beep"}));
  Command(IDC_NEXT);  // the pin is gone: the step moves on
  EXPECT_EQ(appState.currentIndex, 3);
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
  const struct {
    std::uint16_t channels;
    std::uint32_t rate;
    std::size_t blocks, lastBlockBytes, samples;
    const char* text;
  } cases[] = {
      {1, 44100, 3, 0, 1 + 3 * 2048, "0.1711"},
      {2, 22050, 2, 0, 1 + 2 * 2048, "0.2270"},
      {1, 8000, 2, 10, 1 + 2048 + 20 + 1, nullptr},     // a short last block: only its 20 nibbles
      {2, 8000, 2, 12, 1 + 2048 + 2 * 8 + 1, nullptr},  // 12 bytes: 4 left, 4 right, 4 left
  };
  for (const auto& c : cases) {
    AddFile("ima.wav", ImaWave(c.channels, c.rate, c.blocks, c.lastBlockBytes));
    Command(IDC_NEXT);
    ASSERT_EQ(appState.wavTypeKnown, 1) << c.channels << " " << c.rate;
    EXPECT_EQ(appState.playWavPath, appState.decodedWavPath);
    const Bytes out = ReadWholeFile(appState.decodedWavPath);
    const WaveInfo info = ParseWave(out);
    EXPECT_EQ(Strings({std::to_string(info.channels), std::to_string(info.sampleRate), std::to_string(info.byteRate),
                       std::to_string(info.dataSize), std::to_string(out.size())}),
              Strings({"1", std::to_string(c.rate), std::to_string(2 * c.rate), std::to_string(2 * c.samples),
                       std::to_string(44 + 2 * c.samples)}));
    EXPECT_EQ(ReadI16Le(&out[44]), 100);  // the first block's (left) header sample
    if (c.text != nullptr) {
      EXPECT_EQ(appState.durationText, c.text);
    }
  }
  Bytes three = ImaWave(1, 8000, 1);
  WriteU16Le(&three[22], 3);  // three channels: not decoded, not played
  AddFile("three.wav", three);
  ClearCalls();
  Command(IDC_NEXT);
  EXPECT_EQ(Status(), "Unidentified wav_type. Play may have failed . . .");
  EXPECT_TRUE(HeadlessCallsOf("sound-file").empty());
}

// Which file "Wav (Current)" copies, under which name and text: the decoded
// wave for a decoded IMA entry, and under Save as Pcm for a converted one;
// otherwise the stored bytes.
TEST_F(PlayTest, ExportCurrentCopiesWhatTheLastPlayLeft) {
  Command(CMD_EXPORT_CURRENT);  // nothing played yet in this run
  EXPECT_EQ(Feedback(), (Strings{"beep"}));
  AddFile("a.au", AuFile(1, 8000, 1, PatternBytes(1000)));
  AddFile("b.wav", PcmWave(1, 8000, 16, 100));
  AddFile("c.wav", ImaWave(1, 8000, 1));
  const std::string program = "Completed. Wav file exported to program's directory";
  const struct {
    int row, pcm, documents;
    bool decoded;
    const char* name;
    std::string text;
  } cases[] = {
      {0, 0, 0, false, "KVFS_Wav1.au", program},
      {0, 1, 0, true, "KVFS_Wav2.wav", program + " (Export Folder)"},
      {1, 1, 0, false, "KVFS_Wav3.wav", program},
      {2, 0, 0, true, "KVFS_Wav4.wav", program + " (Export Folder)"},
      {0, 1, 1, true, "KVFS_Wav5.wav", "Completed. Wave file exported to Documents\\KVP_Wavs"},
      {0, 0, 1, false, "KVFS_Wav6.au", "Completed. Wav file exported to Documents\\KVP_Wavs"},
  };
  for (const auto& c : cases) {
    Command(c.pcm == 1 ? CMD_SAVE_AS_PCM : CMD_SAVE_AS_ORG);
    Command(c.documents == 1 ? CMD_SAVE_IN_DOCUMENTS : CMD_SAVE_IN_DEFAULT);
    HeadlessSelectRow(appState.hwndEntryList, c.row);
    Command(IDC_ENTRY_LIST, LIST_SELECTION_CHANGED);
    Command(CMD_EXPORT_CURRENT);
    EXPECT_EQ(Status(), c.text) << c.name;
    const std::string folder = c.documents == 1 ? appState.documentsWavDir : programFolder + PATH_SEPARATOR + "Export";
    EXPECT_EQ(ReadWholeFile(folder + PATH_SEPARATOR + c.name),
              ReadWholeFile(c.decoded ? appState.decodedWavPath : appState.tempWavPath))
        << c.name;
  }
  PinEntry("1");  // choosing another entry without playing it changes nothing
  Command(CMD_EXPORT_CURRENT);
  EXPECT_EQ(ReadWholeFile(appState.documentsWavDir + PATH_SEPARATOR + "KVFS_Wav7.au"), AuFile(1, 8000, 1, PatternBytes(1000)));
  Bytes bad = AuFile(4, 8000, 1, PatternBytes(100));  // an encoding no path takes: the conversion fails
  AddFile("bad.au", bad);
  Command(CMD_SAVE_AS_PCM);
  HeadlessSelectRow(appState.hwndEntryList, 3);
  Command(IDC_ENTRY_LIST, LIST_SELECTION_CHANGED);
  ClearCalls();
  Command(CMD_EXPORT_CURRENT);  // never an earlier entry's conversion
  EXPECT_EQ(Feedback().back(), FAILED);
  EXPECT_TRUE(HeadlessCallsOf("copy").empty());
  fs::remove_all(appState.documentsWavDir);
  WriteWholeFile(appState.documentsWavDir, BytesOf("a file where the folder should be"));
  Command(CMD_SAVE_AS_ORG);
  ClearCalls();
  Command(CMD_EXPORT_CURRENT);
  EXPECT_EQ(Feedback(), (Strings{"finish", "beep", FAILED}));
}

// --- External files ----------------------------------------------------------------------

class ExternalTest : public ProgramTest {
 protected:
  void Play(const std::string& name, const Bytes& bytes) {
    WriteWholeFile(ScratchFile(name), bytes);
    if (appState.animRunning == 1) Command(IDC_STOP);  // each case starts idle
    ClearCalls();
    CommandWithDialog(CMD_PLAY_EXTERNAL, ScratchFile(name));
  }
};

TEST_F(ExternalTest, WaveFilesPlayAsTheyAreOrAreRefused) {
  Play("one.wav", PcmWave(2, 44100, 16, 176400));
  EXPECT_EQ(Feedback(), (Strings{"start", "play " + ScratchFile("one.wav"), "timer on"}));
  EXPECT_EQ(appState.externalWavPath, ScratchFile("one.wav"));
  Play("short.WAV", PcmWave(2, 44100, 16, 176399 - 36));  // RIFF size 176399: under a second
  EXPECT_EQ(appState.durationSeconds, 0.0);
  Bytes unplayable = PcmWave(1, 8000, 16, 100);
  WriteU16Le(&unplayable[20], 0x1234);  // a format tag no codec of the sound output takes
  const struct {
    const char* name;
    Bytes bytes;
  } refused[] = {{"mixed.Wav", PcmWave(1, 8000, 16, 100)}, {"noext", PcmWave(1, 8000, 16, 100)},
                 {"ima.wav", WaveWith(20, 0x11, 1, 8000, 1028, 4, 200)}, {"norate.wav", PcmWave(1, 0, 16, 100)},
                 {"tiny.wav", Bytes(10, 0)}, {"unplayable.wav", unplayable}};
  for (const auto& c : refused) {
    Play(c.name, c.bytes);
    EXPECT_EQ(Feedback(), (Strings{"start", "beep"})) << c.name;
    EXPECT_EQ(appState.externalWavReady, 0) << c.name;
  }
  ClearCalls();
  Command(CMD_EXPORT_EXTERNAL);  // nothing of the refused file is exported
  EXPECT_EQ(Feedback(), (Strings{"beep"}));
  HeadlessSetSoundOutput(false);  // with no sound output to ask, the file is handed over as before
  Play("unplayable.wav", unplayable);
  EXPECT_EQ(Feedback(), (Strings{"start", "play " + ScratchFile("unplayable.wav"), "timer on"}));
}

TEST_F(ExternalTest, ForeignFilesGoToTheirConverter) {
  Play("phone.snd", AuFile(1, 8000, 1, PatternBytes(8000)));
  EXPECT_EQ(Feedback(), (Strings{"start", "status ", "status Loading external wav . . . please, wait . . .",
                                 "play " + appState.auWavPath, "status  ", "timer on"}));
  EXPECT_TRUE(appState.auSourcePath.empty());  // every source field is emptied afterwards
  Play("bad.au", AuFile(4, 8000, 1, PatternBytes(100)));
  EXPECT_EQ(Feedback(), (Strings{"start", "status ", "status Loading external wav . . . please, wait . . .", "beep",
                                 "status  "}));
  Play("sphere.wav", SphereFile("NIST_1A\n   1024\nchannel_count -i 1\nsample_rate -i 16000\nend_head\n", PatternBytes(800)));
  EXPECT_EQ(appState.externalWavPath, appState.sphWavPath);  // a SPHERE file named .wav
}

TEST_F(ExternalTest, WorkingFilesAreExaminedButNeverPlayed) {
  const Strings busy = {"start", "status ", "status " + appState.msgSharedAccess, "beep"};
  const std::string sphere = "NIST_1A\n   1024\nchannel_count -i 1\nsample_rate -i 16000\nend_head\n";
  const struct {
    const std::string& path;
    Bytes bytes;
    int extraBeeps;
  } cases[] = {{appState.aiffWavPath, PcmWave(1, 8000, 16, 16000), 0},        // durations still read
               {appState.tempWavPath, ImaWave(1, 8000, 1), 1},                 // IMA block sizes still beep
               {appState.tempWavPath, SphereFile(sphere, PatternBytes(800)), 0}};  // still converted
  for (const auto& c : cases) {
    WriteWholeFile(c.path, c.bytes);
    fs::remove(appState.sphWavPath);
    ClearCalls();
    CommandWithDialog(CMD_PLAY_EXTERNAL, c.path);
    Strings expected = busy;
    if (c.extraBeeps == 1) expected.push_back("beep");
    EXPECT_EQ(Feedback(), expected) << c.path;
    EXPECT_EQ(appState.externalWavReady, 0);
    EXPECT_EQ(Status(), appState.msgSharedAccess);
  }
  EXPECT_EQ(ParseWave(ReadWholeFile(appState.sphWavPath)).sampleRate, 16000u);
  WriteWholeFile(appState.aiffWavPath, PcmWave(1, 8000, 16, 16000));
  CommandWithDialog(CMD_PLAY_EXTERNAL, appState.aiffWavPath);
  EXPECT_EQ(appState.durationMs, 1000u);
}

TEST_F(ExternalTest, ExportExternalOncePerPlay) {
  Play("one.wav", PcmWave(1, 8000, 16, 100));
  ClearCalls();
  Command(CMD_EXPORT_EXTERNAL);
  EXPECT_EQ(Feedback(), (Strings{"timer off", "finish",
                                 "status External wav file saved to Documents\\KVP_Wavs (Exported as PCM)"}));
  EXPECT_EQ(ReadWholeFile(appState.documentsWavDir + PATH_SEPARATOR + "ext_wav1.wav"), PcmWave(1, 8000, 16, 100));
  ClearCalls();
  Command(CMD_EXPORT_EXTERNAL);
  EXPECT_EQ(Feedback(), (Strings{"beep", FAILED}));
  EXPECT_EQ(appState.externalExportCounter, 2);
}

}  // namespace

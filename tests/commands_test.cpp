// The program as its user drives it: every command through the window procedure, on a scratch installation.
// Expected values are worked out by hand from the rules each command follows, or decoded by sox, never with the
// program's own routines. The Windows driver's session checks the plain successes, kvp's tests the name lists, the
// fault injection the exact bytes an add writes, the regression replay the copies and refusals of damaged or odd
// inputs; these suites keep the other refusals, limits and tables.
#include <filesystem>
#include <tuple>

#include "library/container.h"
#include "shell/main_window.h"
#include "state/play_timer.h"
#include "tests/test_support.h"

namespace fs = std::filesystem;
const std::string FAILED = "status Oops.  It seems something went wrong and file creation has failed . . .";
const std::string ABORTED = "status Operation aborted . . .";
const std::string UNIDENTIFIED = "Unidentified wav_type. Play may have failed . . .";
const Strings BEEP = {"beep"};

// A wave of total bytes whose header says what a row needs.
static Bytes WaveWith(std::uint32_t fmtSize, std::uint16_t tag, std::uint16_t channels, std::uint32_t rate,
                      std::uint16_t blockAlign, std::uint16_t bits, std::size_t total) {
  Bytes b = PcmWave(channels, rate, 16, total - 44);
  WriteU32Le(&b[16], fmtSize);
  WriteU16Le(&b[20], tag);
  WriteU16Le(&b[32], blockAlign);
  WriteU16Le(&b[34], bits);
  return b;
}

class CommandTest : public ProgramTest {
 protected:
  Strings Play(const std::string& name, const Bytes& bytes) {  // an external file, from idle
    WriteWholeFile(ScratchFile(name), bytes);
    if (appState.animRunning == 1) Command(IDC_STOP);
    return RunWithDialog(CMD_PLAY_EXTERNAL, ScratchFile(name));
  }
};

TEST_F(CommandTest, StartUpAndTheDocumentsFolder) {
  const std::string odd = ScratchFile("Programme d\xe9j\xe0 vu");  // blanks and accents are used as they are
  fs::create_directories(odd + "/Export/Conversions");
  StartProgram(odd, "");  // without a Documents folder nothing is written there
  EXPECT_TRUE(HeadlessCallsOf("folder-create").empty());
  CreateAndLoad("Caf\xe9");
  AddFile("a.wav", PcmWave(1, 8000, 16, 100));
  Command(IDC_NEXT);
  Command(CMD_EXPORT_CURRENT);  // the program's own Export folder still takes it
  EXPECT_EQ(ReadWholeFile(ProgramFile("Export/KVFS_Wav1.wav")), PcmWave(1, 8000, 16, 100));
  RunWithDialog(CMD_PLAY_EXTERNAL, ScratchFile("a.wav"));
  Command(CMD_SAVE_IN_DOCUMENTS);
  for (int command : {CMD_EXPORT_CURRENT, CMD_EXPORT_ALL, CMD_SHARE_CURRENT, CMD_EXPORT_EXTERNAL}) {
    EXPECT_EQ(Run(command).back(), FAILED) << command;
    EXPECT_EQ(HeadlessCallsOf("beep"), Strings{"default"}) << command;
    EXPECT_TRUE(HeadlessCallsOf("copy").empty()) << command;
    EXPECT_TRUE(HeadlessCallsOf("folder-create").empty()) << command;
  }
}

TEST_F(CommandTest, OptionsHelpAndTheStopHint) {
  const std::string pcm = "status Option set:  Export single wavs ";
  const std::string wavs = "status Option Set: stored wav files will export to ";
  EXPECT_EQ(Run(CMD_SAVE_AS_PCM), (Strings{"asterisk", pcm + "as pcm . . ."}));
  EXPECT_EQ(Run(CMD_SAVE_AS_ORG), (Strings{"asterisk", pcm + "in original format . . ."}));
  EXPECT_EQ(Run(CMD_SAVE_IN_DOCUMENTS), (Strings{"asterisk", wavs + "Documents\\KVP_Wavs"}));
  EXPECT_EQ(Run(CMD_SAVE_IN_DEFAULT), (Strings{"asterisk", wavs + "default directory, Korvel_Player\\Export"}));
  EXPECT_EQ(Run(CMD_HELP_FILES), (Strings{"box Error - Korvel_Player: Help file could not be opened..."}));
  WriteWholeFile(appState.helpFilePath, BytesOf("help"));
  EXPECT_TRUE(Run(CMD_HELP_FILES).empty());
  EXPECT_EQ(HeadlessCallsOf("shell-open"), Strings{appState.helpFilePath});
  for (int shown : {0, 1}) {  // the pointer away from the stop button hides a hint that is shown, only then
    appState.stopHintShown = shown;
    HeadlessClearCalls();
    MainWindowProc(appState.hwndMain, MESSAGE_MOUSE_MOVE, 0, 0);
    EXPECT_EQ(HeadlessCallsOf("window-hide").size(), std::size_t(shown));
    EXPECT_EQ(appState.stopHintShown, 0);
  }
}

TEST_F(CommandTest, PlayClockFramesStopAndShutdown) {
  Strings shutdown = {"timer-stop 1", "picture 2300"};
  for (const std::string& load : HeadlessCallsOf("bitmap-load"))  // "id handle": the menu pictures
    shutdown.push_back("bitmap-release " + load.substr(load.find(' ') + 1));
  auto ticksUntilStop = [](std::uint32_t limitMs) {
    appState.durationMs = limitMs;
    StartPlayAnimation();
    int ticks = 0;
    for (; appState.animRunning == 1 && ticks < 1000; ++ticks) OnPlayTimerTick();
    return ticks;
  };
  HeadlessClearCalls();  // the clock starts at 140 and stops once past the limit: 980 is not past it
  EXPECT_EQ(ticksUntilStop(2000), 14);
  const Strings frames = {"2400", "2500", "2600", "2700", "2800", "2900", "3000", "3100",
                          "3200", "3300", "3400", "3500", "2500", "2600", "2300"};  // round two starts at 2; then idle
  EXPECT_EQ(HeadlessCallsOf("picture"), frames);
  EXPECT_EQ(std::vector<int>({ticksUntilStop(980), ticksUntilStop(0)}), std::vector({7, 1}));
  EXPECT_EQ(HeadlessCallsOf("timer-start").back(), "1 140");
  appState.replayMode = 1;  // Replay: its own limit, whatever the last play set
  appState.replayDurationMs = 1000;
  EXPECT_EQ(ticksUntilStop(60000), 7);
  StartPlayAnimation();
  EXPECT_EQ(Run(IDC_STOP), (Strings{"timer off", "start"}));
  EXPECT_EQ(Run(IDC_STOP), BEEP);  // nothing plays
  CreateAndLoad("Open");
  StartPlayAnimation();
  HeadlessClearCalls();
  MainWindowProc(appState.hwndQuickStart, MESSAGE_DESTROY, 0, 0);  // any of the three windows
  EXPECT_FALSE(appState.containerFile);
  Strings order;
  for (const PlatformCall& call : HeadlessCalls()) order.push_back(call.role + " " + call.detail);
  EXPECT_EQ(order, Joined(shutdown, {"quit 0"}));
}

TEST_F(CommandTest, NewContainerNames) {
  WriteWholeFile(ProgramFile("orphan.dat"), BytesOf(" 1 \"x\"\r\n"));
  auto typed = [this](const std::string& name) {
    PlatformSetControlText(appState.hwndExportWindow, IDC_EXPORT_NAME, name);
    return Run(IDC_EXPORT_BUTTON);
  };
  const std::string made = "status New KorvelFile ( Type_in_desired_name.kvf ) has been exported to this program's";
  EXPECT_EQ(Run(IDC_EXPORT_BUTTON), (Strings{"finish", made + " directory . . ."}));  // the box's first text
  for (const std::string name : {"console", "a.kvf", "com0", "LPT"}) {                // no device names: made as typed
    typed(name);
    EXPECT_TRUE(FileExists(ProgramFile(name + ".kvf"))) << name;
  }
  for (const char* name : {"Type_in_desired_name", "orphan"})
    EXPECT_EQ(typed(name), (Strings{"beep", "status Export error - kvf filename already exists. . ."})) << name;
  EXPECT_EQ(typed(""), (Strings{"beep", "status You must enter a name before a KorvelFile (.kvf)export can occur"}));
  for (const char* name : {"a/b", "a\\b", "what?", "x:y", "star*", "\"q\"", "<", "pipe|", "tab\there", "\x1f", ".",
                           "..", "CON", "nul", "com1", "LPT9.txt", "aux.kvf"}) {
    EXPECT_EQ(typed(name), (Strings{"beep", "status Export error - kvf filename is not valid. . ."})) << name;
    EXPECT_EQ(PlatformGetControlText(appState.hwndExportWindow, IDC_EXPORT_NAME), "") << name;
  }
}

TEST_F(CommandTest, LoadAndAddLimitsAndRefusals) {
  EXPECT_EQ(RunWithDialog(CMD_LOAD_KVF, ""), (Strings{"start", "finish", ABORTED}));
  const std::string kvf = CreateAndLoad("Names");
  AddFile("one.wav", PcmWave(1, 8000, 16, 10));
  AddFile("two.au", Bytes(30, 1));
  fs::remove(CompanionDatPath(kvf));
  EXPECT_EQ(Run(CMD_SHARE_CURRENT), (Strings{"start", "finish", "beep", FAILED}));  // a pair, or nothing
  for (std::int64_t size :
       {std::int64_t{500000}, std::int64_t{500001}, LARGE_CONTAINER_BYTES, LARGE_CONTAINER_BYTES + 1}) {
    ASSERT_TRUE(TruncateFile(kvf, size));
    RunWithDialog(CMD_LOAD_KVF, kvf);
    const std::string tooLarge = size > LARGE_CONTAINER_BYTES ? appState.msgFileTooLarge : "";
    EXPECT_EQ(Status(), "There are 0 to 2 valid entries within .kvf file" + tooLarge);
    EXPECT_EQ(Run(CMD_EXPORT_ALL)[1] == "status Exports in progress . . .", size > 500000) << size;  // half a MB
  }
  for (const std::string& unusable : {ProgramFile("vanished.kvf"), ProgramFile("Export")}) {  // a folder too
    EXPECT_EQ(RunWithDialog(CMD_LOAD_KVF, unusable),
              (Strings{"start", "box Kor_Vel_Player: Could not find, or open selected file. ..", "finish", ABORTED}));
    EXPECT_EQ(appState.entryCount, 0);
    EXPECT_EQ(Joined(Run(CMD_EXPORT_ALL), Run(IDC_NEXT)), Strings({"beep", "beep"}));
  }
  EXPECT_EQ(Run(CMD_ADD_WAV),
            (Strings{"beep", "status You must select (load) a KorvelFile (.kvf) before adding a wave file . . ."}));
  const std::string adds = CreateAndLoad("Adds");
  AddFile("first.wav", PcmWave(1, 8000, 16, 100));
  EXPECT_EQ(RunWithDialog(CMD_ADD_WAV, ""), (Strings{"start", "finish", ABORTED}));
  EXPECT_EQ(RunWithDialog(CMD_ADD_WAV, ScratchFile("gone.wav")).back(), FAILED);  // vanished after the dialog
  WriteWholeFile(adds, WithBytesAt(ReadWholeFile(adds), 12, {0xF2, 0x01}));       // 498 entries: one more fits, no more
  RunWithDialog(CMD_LOAD_KVF, adds);
  AddFile("last.wav", PcmWave(1, 8000, 8, 4));
  const Bytes full = ReadWholeFile(adds);
  EXPECT_EQ(Run(CMD_ADD_WAV).back(),  // refused before its dialog
            "status The selected KVF has reached its entry limits. No further wave files can be added . . .");
  appState.entryCount = 498;  // a count the command believes: the container itself refuses a 500th entry
  EXPECT_EQ(RunWithDialog(CMD_ADD_WAV, ScratchFile("last.wav")).back(), FAILED);
  EXPECT_EQ(appState.entryCount, 499);  // read back from the file after every add
  EXPECT_EQ(ReadWholeFile(adds), full);
  const std::string box = CreateAndLoad("Box");
  ASSERT_TRUE(TruncateFile(box, MAX_CONTAINER_BYTES - 100));  // sparse, just below the size limit
  AddFile("x.wav", PatternBytes(101));
  EXPECT_EQ(Status(), MSG_CREATION_FAILED);
  EXPECT_EQ(MeasureFile(box), MAX_CONTAINER_BYTES - 100);
  AddFile("x.wav", PatternBytes(100));  // exactly up to it
  EXPECT_EQ(MeasureFile(box), MAX_CONTAINER_BYTES);
}

// Each stored entry's first bytes: the kind it plays as (its flag) and the extension Wav (En_Mass) gives it.
TEST_F(CommandTest, EntriesArePlayedAndExportedByTheirFirstBytes) {
  CreateAndLoad("Player");
  // The first bytes, the flag an entry so starting sets (null: not recognised, still extracted), its extension.
  const std::tuple<std::string, const std::int32_t*, const char*> cases[] = {
      {"FORM", &appState.isAiff, ".aiff"},
      {".snd", &appState.isAu, ".au"},
      {"Xsnd", &appState.isAu, ".htk"},
      {"Crea", &appState.isVoc, ".voc"},
      {"Cx", nullptr, ".htk"},
      {"caff", &appState.isCaf, ".caf"},
      {"RIFF", &appState.isRiff, ".wav"},
      {"RIxF", nullptr, ".wav"},
      {" paf", &appState.isPaf, ".paf"},
      {"PVF1", &appState.isPvf, ".pvf"},
      {"NIST", &appState.isSph, ".sph"},
      {std::string("\0\0", 2), &appState.isHtk, ".htk"},
      {std::string("\0\1", 2), &appState.isHtk, ".htk"},
      {std::string("\0\2zz", 4), nullptr, ".htk"}};
  std::vector<Bytes> entries;
  for (const auto& [start, flag, extension] : cases) {
    entries.push_back(BytesOf(start + std::string(40 + entries.size() - start.size(), char(entries.size()))));
    AddFile("entry", entries.back());
    Command(IDC_NEXT);
    const std::int32_t flags = appState.isAiff + appState.isAu + appState.isVoc + appState.isCaf + appState.isRiff +
                               appState.isPaf + appState.isPvf + appState.isSph + appState.isHtk;
    EXPECT_EQ(flags, flag != nullptr ? 1 : 0) << start;
    EXPECT_TRUE(flag != nullptr ? *flag == 1 : Status() == UNIDENTIFIED) << start;
  }
  EXPECT_EQ(Run(CMD_EXPORT_ALL),
            (Strings{"finish", "status Completed. All wav files exported to program's directory"}));
  for (std::size_t n = 0; n < entries.size(); ++n) {
    const std::string exported = appState.massExportPrefix + std::to_string(n + 1) + std::get<2>(cases[n]);
    EXPECT_EQ(ReadWholeFile(exported), entries[n]) << exported;
  }
}

// Durations of stored and external waves, worked out by hand from the rule: r = rate, doubled for a format tag above
// 1 (signed), a third for fmt 40; bps = fmt length x channels x r / 8; stored d = length / bps (halved for 32 bits;
// 2 x length / (r x channels) for fmt 18); external d = (RIFF size / bps) in whole seconds, the same corrections
// after, also for a file that is not played. Text "": the stored entry is not played (IMA blocks of 1028 and 2056
// bytes are decoded only when stored, and a fmt 20 wave plays outside only in blocks of 512, 1024 or 2048).
TEST_F(CommandTest, WaveDurationsFollowTheFmtLength) {
  CreateAndLoad("Player");
  const std::tuple<const char*, Bytes, double, const char*, double, bool> cases[] = {
      {"RIFF size a second", WaveWith(16, 1, 2, 44100, 4, 16, 176408), 176408 / 176400.0, "1.0000", 1, true},
      {"RIFF size under a second", WaveWith(16, 1, 2, 44100, 4, 16, 176407), 176407 / 176400.0, "1.0000", 0, true},
      {"8-bit, timed as 16", WaveWith(16, 1, 1, 22050, 1, 8, 22050), 0.5, "0.5", 0, true},
      {"one-character text", WaveWith(16, 1, 1, 8000, 2, 16, 16000), 1, "unknown", 0, true},
      {"32-bit halves", WaveWith(16, 1, 1, 8000, 4, 32, 64000), 2, "unknown", 1.5, true},
      {"fmt 18 float", WaveWith(18, 3, 1, 8000, 4, 32, 32000), 4, "unknown", 3, true},
      {"fmt 30, tag 0x55 doubles", WaveWith(30, 0x55, 2, 22050, 1, 0, 661500), 2, "unknown", 1, true},
      {"fmt 40, tag 0xFFFE is negative", WaveWith(40, 0xFFFE, 2, 48000, 6, 24, 480000), 3, "unknown", 2, true},
      {"fmt 50 MS ADPCM", WaveWith(50, 2, 1, 22050, 256, 4, 551250), 2, "unknown", 1, true},
      {"fmt 20, IMA block 512", WaveWith(20, 0x11, 1, 8000, 512, 4, 80000), 2, "unknown", 1, true},
      {"fmt 20, IMA block 1024", WaveWith(20, 0x11, 1, 8000, 1024, 4, 80000), 2, "unknown", 1, true},
      {"fmt 20, IMA block 2048", WaveWith(20, 0x11, 1, 8000, 2048, 4, 80000), 2, "unknown", 1, true},
      {"fmt 20, block 1000", WaveWith(20, 0x11, 1, 8000, 1000, 4, 80000), 2, "unknown", 1, false},
      {"fmt 24 is unknown", WaveWith(24, 1, 1, 8000, 2, 16, 8000), 0, "", 0, false}};
  for (const auto& [what, wave, stored, text, external, played] : cases) {
    SCOPED_TRACE(what);
    Play("w.WAV", wave);
    EXPECT_EQ(appState.externalWavReady, played ? 1 : 0);
    EXPECT_EQ(appState.durationSeconds, external);
    AddFile("w.wav", wave);
    Command(IDC_NEXT);
    EXPECT_EQ(Status() == UNIDENTIFIED, *text == '\0');
    if (*text == '\0') continue;
    EXPECT_DOUBLE_EQ(appState.durationSeconds, stored);
    EXPECT_EQ(appState.durationText, text);
  }
  // A stored IMA ADPCM entry (blocks of 1028 or 2056 bytes) plays decoded to one channel, 16 bits at its own rate,
  // and is timed by length x 6 / bps: the text and the limits change, the seconds stay. (The decoded wave's size: the
  // fuzz invariants; its samples: the converter suite, against sox.)
  for (const auto& [channels, text] : {std::pair{1, "4.9824"}, std::pair{2, "4.9807"}}) {
    AddFile("ima.wav", ImaWave(channels, 44100, 89));
    const double secondsBefore = appState.durationSeconds;
    Command(IDC_NEXT);
    EXPECT_EQ(appState.durationText, text);
    EXPECT_EQ(appState.durationSeconds, secondsBefore) << text;
    EXPECT_EQ(ParseWave(ReadWholeFile(appState.decodedWavPath)).byteRate, 2u * 44100) << text;
  }
}

// "Set ID#" pins 1 ... count - 1; the next step either way plays the pinned entry and uses the pin up.
TEST_F(CommandTest, PinsStepsListAndReplay) {
  const std::string kvf = CreateAndLoad("Player");
  for (int i = 1; i <= 5; ++i) AddFile("e" + std::to_string(i) + ".wav", PcmWave(1, 8000, 16, 100 * i));
  const auto pinEntry = [this](const std::string& typed) {  // into the entry number box, then "Set ID#"
    PlatformSetControlText(appState.hwndMain, IDC_ENTRY_NUMBER, typed);
    return Run(IDC_SET_ID);
  };
  const std::string outOfRange = "status The index number you have entered is out of range, or is set to last entry";
  for (const char* typed : {"5", "6", "0", "", "x"})  // the last entry cannot be pinned either
    EXPECT_EQ(pinEntry(typed), (Strings{"beep", outOfRange + " (not allowed)"})) << typed;
  EXPECT_EQ(Run(IDC_REPLAY), BEEP);                                            // nothing chosen since the load
  auto stepWithPin = [this, &pinEntry](const std::string& pin, int command) {  // the entry played
    EXPECT_TRUE(pin.empty() || pinEntry(pin).empty()) << pin;
    Command(command);
    return appState.currentIndex;
  };
  EXPECT_EQ(stepWithPin(" 3abc", IDC_NEXT), 3);  // leading digits; a step plays the pinned entry
  EXPECT_EQ(stepWithPin("", IDC_NEXT), 4);
  EXPECT_EQ(stepWithPin("2", IDC_PREVIOUS), 2);  // so does <--
  EXPECT_EQ(stepWithPin("", IDC_NEXT), 3);       // and the pin is used up
  EXPECT_EQ(stepWithPin("1", IDC_NEXT), 1);
  EXPECT_EQ(stepWithPin("", IDC_NEXT), 2);
  EXPECT_EQ(stepWithPin("", IDC_PREVIOUS), 1);
  EXPECT_EQ(Run(IDC_PREVIOUS), BEEP);  // it needs an entry above 1
  HeadlessSelectRow(appState.hwndEntryList, 4);
  EXPECT_TRUE(Run(IDC_ENTRY_LIST, 2).empty());  // another notification: nothing happens
  Command(IDC_ENTRY_LIST, LIST_SELECTION_CHANGED);
  EXPECT_EQ(ReadWholeFile(appState.tempWavPath), PcmWave(1, 8000, 16, 500));
  EXPECT_EQ(Run(IDC_NEXT), BEEP);  // the last entry: no further step
  EXPECT_EQ(Run(IDC_REPLAY), (Strings{"timer off", "timer on", "play " + appState.tempWavPath}));
  EXPECT_EQ(appState.replayMode, 1);
  for (const std::string& path : {kvf, ProgramFile("Missing.kvf")}) {  // a load, even a failed one, ends the pin
    pinEntry("2");
    RunWithDialog(CMD_LOAD_KVF, path);
    EXPECT_EQ(appState.indexPinned, 0);
  }
}

// Which file "Wav (Current)" copies: the decoded wave for a decoded IMA entry, and under Save as Pcm for a converted
// one; otherwise the stored bytes. The stored AIFF and its conversion in the program's folder: the Windows driver.
TEST_F(CommandTest, ExportCurrentCopiesWhatTheLastPlayLeft) {
  CreateAndLoad("Player");
  EXPECT_EQ(Run(CMD_EXPORT_CURRENT), BEEP);  // nothing played yet in this run
  AddFile("a.au", AuFile(1, 8000, 1, PatternBytes(1000)));
  AddFile("b.wav", PcmWave(1, 8000, 16, 100));
  AddFile("c.wav", ImaWave(1, 8000, 1));
  const std::string program = "Completed. Wav file exported to program's directory";
  const std::string docs = appState.documentsWavDir + PATH_SEPARATOR;
  // The row chosen under Save as Pcm (1) or Org and Save in Documents (1) or Default; whether the decoded wave is
  // copied, to which name, and the status.
  const std::tuple<int, int, int, bool, const char*, std::string> cases[] = {
      {1, 1, 0, false, "KVFS_Wav1.wav", program},  // a plain wave is never converted
      {2, 0, 0, true, "KVFS_Wav2.wav", program + " (Export Folder)"},
      {0, 1, 1, true, "KVFS_Wav3.wav", "Completed. Wave file exported to Documents\\KVP_Wavs"},
      {0, 0, 1, false, "KVFS_Wav4.au", "Completed. Wav file exported to Documents\\KVP_Wavs"}};
  for (const auto& [row, pcm, documents, decoded, name, text] : cases) {
    Command(pcm == 1 ? CMD_SAVE_AS_PCM : CMD_SAVE_AS_ORG);
    Command(documents == 1 ? CMD_SAVE_IN_DOCUMENTS : CMD_SAVE_IN_DEFAULT);
    Select(row);  // a converted or IMA entry plays its decoded wave
    EXPECT_EQ(HeadlessCallsOf("sound-file").back(), row == 1 ? appState.tempWavPath : appState.decodedWavPath);
    Command(CMD_EXPORT_CURRENT);
    EXPECT_EQ(Status(), text) << name;
    EXPECT_EQ(ReadWholeFile((documents == 1 ? docs : ProgramFile("Export/")) + name),
              ReadWholeFile(decoded ? appState.decodedWavPath : appState.tempWavPath))
        << name;
  }
  AddFile("bad.au", AuFile(4, 8000, 1, PatternBytes(100)));  // an encoding no path takes: the conversion fails
  Command(CMD_SAVE_AS_PCM);
  Select(3);
  EXPECT_EQ(Run(CMD_EXPORT_CURRENT), (Strings{"finish", "beep", FAILED}));  // never an earlier one
  EXPECT_TRUE(HeadlessCallsOf("copy").empty());
}

TEST_F(CommandTest, PlayWavPlaysWavesAsTheyAreAndConvertsTheRest) {
  Play("endless.wav", WithBytesAt(PcmWave(1, 1, 16, 100), 4, {0xFF, 0xFF, 0xFF, 0xFF}));  // 2^31 s: the clock holds
  EXPECT_EQ(appState.durationMs, 4294967000u);
  const Bytes unplayable = WithBytesAt(PcmWave(1, 8000, 16, 100), 20, {0x34, 0x12});  // a tag no codec takes
  const std::pair<const char*, Bytes> refused[] = {{"mixed.Wav", PcmWave(1, 8000, 16, 100)},
                                                   {"ima.wav", WaveWith(20, 0x11, 1, 8000, 1028, 4, 200)},
                                                   {"norate.wav", PcmWave(1, 0, 16, 100)},
                                                   {"tiny.wav", Bytes(10, 0)},
                                                   {"unplayable.wav", unplayable}};
  for (const auto& [name, bytes] : refused) EXPECT_EQ(Play(name, bytes), Strings({"start", "beep"})) << name;
  EXPECT_EQ(Run(CMD_EXPORT_EXTERNAL), BEEP);  // nothing of the refused file is exported
  HeadlessSetSoundOutput(false);              // with no sound output to ask, the file is handed over as before
  EXPECT_EQ(Play("unplayable.wav", unplayable),
            Strings({"start", "play " + ScratchFile("unplayable.wav"), "timer on"}));
  EXPECT_EQ(
      Run(CMD_EXPORT_EXTERNAL),
      (Strings{"timer off", "finish", "status External wav file saved to Documents\\KVP_Wavs (Exported as PCM)"}));
  EXPECT_EQ(Run(CMD_EXPORT_EXTERNAL), (Strings{"beep", FAILED}));  // once per play
  EXPECT_EQ(appState.externalExportCounter, 2);
  // Converted files, and the program's working files
  const std::string sphere = "NIST_1A\n   1024\nchannel_count -i 1\nsample_rate -i 16000\nend_head\n";
  const Strings loading = {"start", "status ", "status Loading external wav . . . please, wait . . ."};
  EXPECT_EQ(Play("phone.snd", AuFile(1, 8000, 1, PatternBytes(8000))),
            Joined(loading, {"play " + appState.auWavPath, "status  ", "timer on"}));
  EXPECT_EQ(Play("bad.au", AuFile(4, 8000, 1, PatternBytes(100))), Joined(loading, {"beep", "status  "}));
  // Working files, never played: the file, its bytes, what follows the refusal
  const std::tuple<std::string, Bytes, Strings> cases[] = {
      {appState.tempWavPath, ImaWave(1, 8000, 1), BEEP},                  // IMA block sizes still beep
      {appState.tempWavPath, SphereFile(sphere, PatternBytes(800)), {}},  // still converted
      {appState.decodedWavPath, PcmWave(1, 8000, 16, 100), {}},
      {appState.aiffWavPath, PcmWave(1, 8000, 16, 16000), {}}};  // durations still read
  fs::remove(appState.sphWavPath);
  const Strings busy = {"start", "status ", "status " + appState.msgSharedAccess, "beep"};
  for (const auto& [path, bytes, more] : cases) {
    WriteWholeFile(path, bytes);
    EXPECT_EQ(RunWithDialog(CMD_PLAY_EXTERNAL, path), Joined(busy, more)) << path;
  }
  EXPECT_EQ(ParseWave(ReadWholeFile(appState.sphWavPath)).sampleRate, 16000u);
  EXPECT_EQ(appState.durationMs, 1000u);
}

// Playing: stepping through stored entries, the list, Set ID#, Replay, the
// stored-entry measurement and IMA ADPCM decoding, external files, and the
// single exports that copy what a play left behind.
#include <filesystem>

#include "convert/frame.h"
#include "library/byte_order.h"
#include "library/container.h"
#include "library/ima_adpcm.h"
#include "platform/headless.h"
#include "shell/app_state.h"
#include "shell/commands.h"
#include "shell/main_window.h"
#include "tests/command_support.h"
#include "tests/wave_support.h"

namespace {

using Strings = std::vector<std::string>;

// An AU file: 8-bit µ-law mono at 8000 Hz.
Bytes AuMuLaw(std::size_t samples) {
  Bytes b = PatternBytes(24 + samples, 9);
  WriteTag(&b[0], ".snd");
  for (std::size_t i = 4; i < 24; ++i) b[i] = 0;
  b[15] = 1;      // encoding 1
  b[18] = 0x1F;   // 8000 Hz, big-endian
  b[19] = 0x40;
  b[23] = 1;      // one channel
  return b;
}


class PlayTest : public CommandTest {
 protected:
  void SetUp() override {
    CommandTest::SetUp();
    kvf = CreateAndLoad("Player");
  }
  std::string kvf;
};

// --- Stored plays ---------------------------------------------------------------

TEST_F(PlayTest, StepPlaysTheNextEntryWithNameAndDuration) {
  AddFile("one second.wav", PcmWave(2, 44100, 16, 176400));  // stored length 176444
  ClearCalls();
  Command(IDC_NEXT);
  EXPECT_EQ(Feedback(), (Strings{"finish", "status Loading wav . . . please, wait . . .",
                                 "status Now playing stored  \"one second.wav\" Duration: 1.0002",
                                 "play " + appState.tempWavPath, "timer on"}));
  EXPECT_EQ(appState.durationMs, 1000u);
  EXPECT_EQ(appState.replayDurationMs, 1000u);
  EXPECT_EQ(appState.animRunning, 1);
  EXPECT_EQ(PlatformGetControlText(appState.hwndMain, IDC_ENTRY_NUMBER), "1");
  EXPECT_EQ(ReadWholeFile(appState.tempWavPath), PcmWave(2, 44100, 16, 176400));

  ClearCalls();
  Command(IDC_NEXT);  // the last entry is playing: no further step
  EXPECT_EQ(Feedback(), (Strings{"beep"}));
}

TEST_F(PlayTest, StoredWaveDurationsFollowTheFmtLength) {
  struct Case {
    const char* what;
    Bytes wave;
    double seconds;
    const char* text;
  } cases[] = {
      // An 8-bit wave is timed as if its samples had 16 bits.
      {"8-bit mono", PcmWave(1, 22050, 8, 22050 - 44), 0.5, "0.5"},
      // A one-character text reads "unknown", as the display always had it.
      {"16-bit mono", PcmWave(1, 8000, 16, 16000 - 44), 1.0, "unknown"},
  };
  Bytes tag18 = PcmWave(1, 8000, 16, 8000);
  WriteU32Le(&tag18[16], 18);
  WriteU16Le(&tag18[20], 3);
  for (Case& c : cases) AddFile(std::string(c.what) + ".wav", c.wave);
  AddFile("float.wav", tag18);
  for (const Case& c : cases) {
    Command(IDC_NEXT);
    EXPECT_DOUBLE_EQ(appState.durationSeconds, c.seconds) << c.what;
    EXPECT_EQ(appState.durationText, c.text) << c.what;
  }
  Command(IDC_NEXT);  // fmt length 18, format 3: r = 16000, d = 2 * length / 16000
  EXPECT_DOUBLE_EQ(appState.durationSeconds, 2.0 * 8044 / 16000);
}

TEST_F(PlayTest, UnknownAndDamagedEntriesAreNotPlayed) {
  AddFile("noise.bin", Bytes(100, 'z'));
  Bytes odd = PcmWave(1, 8000, 16, 100);
  WriteU32Le(&odd[16], 24);  // an fmt length the measurement does not know
  AddFile("odd.wav", odd);
  AddFile("fine.wav", PcmWave(1, 8000, 16, 100));
  for (int entry = 1; entry <= 2; ++entry) {
    ClearCalls();
    Command(IDC_NEXT);
    Strings feedback = Feedback();
    EXPECT_EQ(Strings(feedback.end() - 2, feedback.end()),
              (Strings{"beep", "status Unidentified wav_type. Play may have failed . . ."}))
        << entry;
    EXPECT_TRUE(HeadlessCallsOf("sound-file").empty());
  }
  // A record that points past the end of the file is never extracted.
  Bytes bytes = ReadWholeFile(kvf);
  WriteU32Le(&bytes[48 + 4], 1000000);
  WriteU32Le(&bytes[48 + 12], ReadU32Le(&bytes[48 + 8]) + 1000000);
  WriteWholeFile(kvf, bytes);
  std::filesystem::remove(appState.tempWavPath);
  ClearCalls();
  Command(IDC_NEXT);
  EXPECT_EQ(Status(), "Unidentified wav_type. Play may have failed . . .");
  EXPECT_FALSE(FileExists(appState.tempWavPath));
}

// Points entry n's record past the end of the container.
void DamageRecord(const std::string& kvf, int n) {
  Bytes bytes = ReadWholeFile(kvf);
  WriteU32Le(&bytes[16 * n + 4], 1000000);
  WriteU32Le(&bytes[16 * n + 12], ReadU32Le(&bytes[16 * n + 8]) + 1000000);
  WriteWholeFile(kvf, bytes);
}

void PinEntry(const char* typed) {
  PlatformSetControlText(appState.hwndMain, IDC_ENTRY_NUMBER, typed);
  MainWindowProc(appState.hwndMain, MESSAGE_COMMAND, IDC_SET_ID, 0);
}

TEST_F(PlayTest, ARefusedPlayUsesUpThePinAndLeavesNothingToExport) {
  for (int i = 1; i <= 3; ++i) AddFile("e" + std::to_string(i) + ".wav", PcmWave(1, 8000, 16, 100 * i));
  Command(IDC_NEXT);  // entry 1 played: it could be exported
  DamageRecord(kvf, 2);
  PinEntry("2");
  Command(IDC_NEXT);
  EXPECT_EQ(Status(), "Unidentified wav_type. Play may have failed . . .");
  ClearCalls();
  Command(CMD_EXPORT_CURRENT);  // not entry 1 under entry 2's name
  EXPECT_EQ(Feedback(), (Strings{"beep"}));
  EXPECT_TRUE(HeadlessCallsOf("copy").empty());
  Command(IDC_NEXT);  // the pin is gone: the step moves on
  EXPECT_EQ(appState.currentIndex, 3);
  Command(CMD_EXPORT_CURRENT);
  EXPECT_EQ(ReadWholeFile(ProgramFile("Export/KVFS_Wav1.wav")), PcmWave(1, 8000, 16, 300));
}

TEST_F(PlayTest, SaveAsPcmNeverExportsAnEarlierEntrysConversion) {
  AddFile("good.au", AuMuLaw(100));
  Bytes bad = AuMuLaw(100);
  bad[15] = 4;  // an encoding no path takes: the conversion fails
  AddFile("bad.au", bad);
  Command(CMD_SAVE_AS_PCM);
  Command(IDC_NEXT);
  Command(IDC_NEXT);
  ClearCalls();
  Command(CMD_EXPORT_CURRENT);
  EXPECT_EQ(Status(), MSG_CREATION_FAILED);
  EXPECT_TRUE(HeadlessCallsOf("copy").empty());
  Command(CMD_SAVE_AS_ORG);  // the stored bytes are still this entry's
  Command(CMD_EXPORT_CURRENT);
  EXPECT_EQ(ReadWholeFile(ProgramFile("Export/KVFS_Wav2.au")), bad);
}

TEST_F(PlayTest, LoadingAContainerClearsThePin) {
  for (int i = 1; i <= 3; ++i) AddFile("a" + std::to_string(i) + ".wav", PcmWave(1, 8000, 16, 100 * i));
  PinEntry("2");
  CommandWithDialog(CMD_LOAD_KVF, ProgramFile("Missing.kvf"));  // a failed load clears it too
  EXPECT_EQ(appState.indexPinned, 0);
  PinEntry("2");
  CreateAndLoad("Other");
  AddFile("b1.wav", PcmWave(1, 8000, 16, 100));
  Command(IDC_NEXT);
  EXPECT_EQ(appState.currentIndex, 1);
  EXPECT_EQ(appState.wavTypeKnown, 1);
}

TEST_F(PlayTest, ForeignEntriesPlayThroughTheirConverter) {
  AddFile("phone.au", AuMuLaw(100000 - 24));
  Command(IDC_NEXT);
  EXPECT_EQ(appState.isAu, 1);
  EXPECT_EQ(appState.playWavPath, appState.decodedWavPath);
  EXPECT_EQ(Status(), "Now playing stored  \"phone.au\" Duration: 12.5");
  EXPECT_EQ(appState.durationMs, 12000u);
  WaveInfo info = ParseWave(ReadWholeFile(appState.decodedWavPath));
  EXPECT_EQ(info.formatTag, 7);
  EXPECT_EQ(info.sampleRate, 8000u);
}

TEST_F(PlayTest, NamesAreFoundByEitherLineOfTheirPair) {
  // "123456789" has an eight-digit CRC: its key matches line 2 of the pair.
  AddFile("123456789", PcmWave(1, 8000, 16, 100));
  Command(IDC_NEXT);
  EXPECT_EQ(appState.nowPlayingText.substr(0, 32), "Now playing stored  \"123456789\" ");
  // Names logged in CrcLog.dat are found there when the container has no ".dat".
  std::filesystem::remove(CompanionDatPath(kvf));
  CommandWithDialog(CMD_LOAD_KVF, kvf);
  AddFile("logged.wav", PcmWave(1, 8000, 16, 100));
  Command(IDC_NEXT);
  Command(IDC_NEXT);
  EXPECT_EQ(Status().substr(0, 33), "Now playing stored  \"logged.wav\" ");
  // A key that no line carries.
  WriteWholeFile(appState.crcLogPath, BytesOf(" 00000000 \"other\"\r\n"));
  Command(IDC_PREVIOUS);
  EXPECT_EQ(Status().substr(0, 38), "Now playing stored (unidentified name)");
  // An empty name list gives no name text at all.
  WriteWholeFile(appState.crcLogPath, Bytes());
  Command(IDC_NEXT);
  EXPECT_EQ(Status().substr(0, 11), " Duration: ");
}

TEST_F(PlayTest, SetIdPinsTheNextStepAndReplayRepeatsTheLastPlay) {
  for (int i = 1; i <= 5; ++i) AddFile("e" + std::to_string(i) + ".wav", PcmWave(1, 8000, 16, 100 * i));
  for (const char* typed : {"5", "6", "0", "", "x"}) {
    ClearCalls();
    PlatformSetControlText(appState.hwndMain, IDC_ENTRY_NUMBER, typed);
    Command(IDC_SET_ID);
    EXPECT_EQ(Feedback(), (Strings{"beep", "status The index number you have entered is out of range, or is set to "
                                           "last entry (not allowed)"}))
        << typed;
  }
  ClearCalls();
  Command(IDC_REPLAY);  // nothing chosen since the load
  EXPECT_EQ(Feedback(), (Strings{"beep"}));

  PlatformSetControlText(appState.hwndMain, IDC_ENTRY_NUMBER, " 3abc");
  ClearCalls();
  Command(IDC_SET_ID);
  EXPECT_TRUE(Feedback().empty());
  Command(IDC_NEXT);
  EXPECT_EQ(appState.currentIndex, 3);
  Command(IDC_NEXT);
  EXPECT_EQ(appState.currentIndex, 4);
  Command(IDC_PREVIOUS);
  EXPECT_EQ(appState.currentIndex, 3);
  EXPECT_EQ(ReadWholeFile(appState.tempWavPath), PcmWave(1, 8000, 16, 300));

  ClearCalls();
  Command(IDC_REPLAY);
  EXPECT_EQ(Feedback(), (Strings{"timer off", "timer on", "play " + appState.tempWavPath}));
  EXPECT_EQ(appState.replayMode, 1);

  PlatformSetControlText(appState.hwndMain, IDC_ENTRY_NUMBER, "1");
  Command(IDC_SET_ID);
  ClearCalls();
  Command(IDC_PREVIOUS);  // the guard needs an entry above 1
  EXPECT_EQ(Feedback(), (Strings{"beep"}));
  EXPECT_EQ(appState.indexPinned, 1);
}

TEST_F(PlayTest, ListClickPlaysThatRow) {
  AddFile("a.wav", PcmWave(1, 8000, 16, 100));
  AddFile("b.wav", PcmWave(1, 8000, 16, 200));
  HeadlessSelectRow(appState.hwndEntryList, 1);
  ClearCalls();
  Command(IDC_ENTRY_LIST, 2);  // another notification: nothing happens
  EXPECT_TRUE(Feedback().empty());
  Command(IDC_ENTRY_LIST, LIST_SELECTION_CHANGED);
  EXPECT_EQ(appState.currentIndex, 2);
  Strings texts = HeadlessCallsOf("control-text");
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts.front(), std::to_string(IDC_ENTRY_NUMBER) + " 2");  // the box shows 2 before the play
  EXPECT_EQ(ReadWholeFile(appState.tempWavPath), PcmWave(1, 8000, 16, 200));
}

// --- IMA ADPCM ------------------------------------------------------------------

TEST(ImaAdpcm, NibbleStepsAndLimits) {
  ImaDecoderState state;
  EXPECT_EQ(DecodeImaNibble(state, 7), 11);  // step 7: 7/8 + 7 + 7/2 + 7/4
  EXPECT_EQ(state.stepIndex, 8);
  EXPECT_EQ(DecodeImaNibble(state, 8), 9);   // step 16: minus 16/8
  EXPECT_EQ(state.stepIndex, 7);
  state.predictor = 32760;
  state.stepIndex = 88;
  EXPECT_EQ(DecodeImaNibble(state, 7), 32767);
  EXPECT_EQ(state.stepIndex, 88);
  state.stepIndex = 200;  // a damaged header: held at the table's end
  EXPECT_EQ(DecodeImaNibble(state, 0), 32767);
  EXPECT_EQ(state.stepIndex, 87);
}

TEST_F(PlayTest, ImaEntriesDecodeToOneChannelAtTheirOwnRate) {
  struct Case {
    std::uint16_t channels;
    std::uint32_t rate;
    std::size_t blocks, lastBlockBytes, samples;
  } cases[] = {
      {1, 44100, 3, 0, 1 + 3 * 2048},
      {2, 22050, 2, 0, 1 + 2 * 2048},
      {1, 8000, 2, 10, 1 + 2048 + 20 + 1},     // a short last block: only the 20 nibbles read
      {2, 8000, 2, 12, 1 + 2048 + 2 * 8 + 1},  // 12 bytes: 4 left, 4 right, 4 left
  };
  for (const Case& c : cases) {
    const Bytes ima = ImaWave(c.channels, c.rate, c.blocks, c.lastBlockBytes);
    AddFile("ima.wav", ima);
    Command(IDC_NEXT);
    ASSERT_EQ(appState.wavTypeKnown, 1) << c.channels << " " << c.rate;
    EXPECT_EQ(appState.playWavPath, appState.decodedWavPath);
    EXPECT_EQ(appState.specialDecodeDone, 1);
    Bytes out = ReadWholeFile(appState.decodedWavPath);
    WaveInfo info = ParseWave(out);
    EXPECT_EQ(info.channels, 1);
    EXPECT_EQ(info.sampleRate, c.rate);
    EXPECT_EQ(info.byteRate, 2 * c.rate);
    EXPECT_EQ(info.dataSize, 2 * c.samples);
    EXPECT_EQ(info.riffSize, out.size() - 8);
    EXPECT_EQ(out.size(), 44 + 2 * c.samples);
    EXPECT_EQ(ReadI16Le(&out[44]), 100);  // the first block's (left) header sample
    // Duration from the stored length: length * 6 / ((20 * channels * rate) >> 3).
    std::string text = FormatDuration(static_cast<double>(ima.size()) * 6.0 / ((20u * c.channels * c.rate) >> 3));
    EXPECT_EQ(appState.durationText, text.substr(0, 6));
  }
}

TEST_F(PlayTest, ImaWithAnotherChannelCountIsUnknown) {
  Bytes ima = ImaWave(1, 8000, 1);
  WriteU16Le(&ima[22], 3);
  WriteWholeFile(appState.decodedWavPath, BytesOf("an older decoded wave"));
  AddFile("three.wav", ima);
  Command(IDC_NEXT);
  EXPECT_EQ(appState.wavTypeKnown, 0);
  EXPECT_EQ(Status(), "Unidentified wav_type. Play may have failed . . .");
  EXPECT_TRUE(HeadlessCallsOf("sound-file").empty());
}

// --- Single exports -----------------------------------------------------------------

TEST_F(PlayTest, ExportCurrentCopiesWhatTheLastPlayLeft) {
  Command(CMD_EXPORT_CURRENT);  // nothing played yet in this run
  EXPECT_EQ(Feedback(), (Strings{"beep"}));
  WriteWholeFile(appState.tempWavPath, BytesOf("left by an earlier run"));
  AddFile("phone.au", AuMuLaw(1000));
  PlatformSetControlText(appState.hwndMain, IDC_ENTRY_NUMBER, "1");
  CommandWithDialog(CMD_LOAD_KVF, kvf);
  appState.currentIndex = 1;
  ClearCalls();
  Command(CMD_EXPORT_CURRENT);
  EXPECT_EQ(Feedback(), (Strings{"beep"}));

  Command(IDC_ENTRY_LIST, LIST_SELECTION_CHANGED);  // nothing selected
  HeadlessSelectRow(appState.hwndEntryList, 0);
  Command(IDC_ENTRY_LIST, LIST_SELECTION_CHANGED);
  ClearCalls();
  Command(CMD_EXPORT_CURRENT);
  EXPECT_EQ(Feedback(), (Strings{"timer off", "finish", "status Completed. Wav file exported to program's directory"}));
  EXPECT_EQ(ReadWholeFile(appState.singleExportPrefix + "1.au"), AuMuLaw(1000));

  Command(CMD_SAVE_AS_PCM);
  Command(CMD_EXPORT_CURRENT);
  EXPECT_EQ(Status(), "Completed. Wav file exported to program's directory (Export Folder)");
  EXPECT_EQ(ReadWholeFile(appState.singleExportPrefix + "2.wav"), ReadWholeFile(appState.decodedWavPath));

  Command(CMD_SAVE_IN_DOCUMENTS);
  Command(CMD_EXPORT_CURRENT);
  EXPECT_EQ(Status(), "Completed. Wave file exported to Documents\\KVP_Wavs");
  EXPECT_TRUE(FileExists(appState.documentsWavDir + PATH_SEPARATOR + "KVFS_Wav3.wav"));
  Command(CMD_SAVE_AS_ORG);
  Command(CMD_EXPORT_CURRENT);
  EXPECT_EQ(Status(), "Completed. Wav file exported to Documents\\KVP_Wavs");
  EXPECT_TRUE(FileExists(appState.documentsWavDir + PATH_SEPARATOR + "KVFS_Wav4.au"));

  std::filesystem::remove_all(appState.documentsWavDir);
  WriteWholeFile(appState.documentsWavDir, BytesOf("a file where the folder should be"));
  ClearCalls();
  Command(CMD_EXPORT_CURRENT);
  EXPECT_EQ(Feedback(), (Strings{"finish", "beep", "status Oops.  It seems something went wrong and file creation "
                                                   "has failed . . ."}));
}

// --- External files -------------------------------------------------------------------

class ExternalTest : public CommandTest {
 protected:
  void Play(const std::string& name, const Bytes& bytes) {
    std::string path = ScratchFile(name);
    WriteWholeFile(path, bytes);
    if (appState.animRunning == 1) Command(IDC_STOP);  // each case starts idle
    ClearCalls();
    CommandWithDialog(CMD_PLAY_EXTERNAL, path);
  }
};

TEST_F(ExternalTest, WaveFilesPlayAsTheyAreTimedInWholeSeconds) {
  Play("one.wav", PcmWave(2, 44100, 16, 176400));  // riff size 176436
  EXPECT_EQ(Feedback(), (Strings{"start", "play " + ScratchFile("one.wav"), "timer on"}));
  EXPECT_EQ(appState.durationSeconds, 1.0);
  EXPECT_EQ(appState.durationMs, 1000u);
  EXPECT_EQ(appState.externalWavPath, ScratchFile("one.wav"));
  EXPECT_EQ(appState.externalWavReady, 1);

  Play("short.WAV", PcmWave(2, 44100, 16, 176399 - 36));  // riff size 176399: under a second
  EXPECT_EQ(appState.durationSeconds, 0.0);

  // Unknown spellings, unplayable headers and IMA block sizes: a beep, no play, no clock.
  Bytes ima = PcmWave(1, 8000, 16, 100);
  WriteU32Le(&ima[16], 20);
  WriteU16Le(&ima[32], 1028);
  Bytes noRate = PcmWave(1, 0, 16, 100);
  Bytes oddFmt = PcmWave(1, 8000, 16, 100);
  WriteU32Le(&oddFmt[16], 24);
  struct Case {
    const char* name;
    Bytes bytes;
  } refused[] = {{"mixed.Wav", PcmWave(1, 8000, 16, 100)}, {"noext", PcmWave(1, 8000, 16, 100)},
                 {"ima.wav", ima}, {"norate.wav", noRate}, {"odd.wav", oddFmt}, {"tiny.wav", Bytes(10, 0)}};
  for (const Case& c : refused) {
    Play(c.name, c.bytes);
    EXPECT_EQ(Feedback(), (Strings{"start", "beep"})) << c.name;
    EXPECT_EQ(appState.externalWavReady, 0) << c.name;
  }
}

TEST_F(ExternalTest, ForeignFilesGoToTheirConverter) {
  Play("phone.snd", AuMuLaw(8000 - 24));
  EXPECT_EQ(Feedback(), (Strings{"start", "status ", "status Loading external wav . . . please, wait . . .",
                                 "play " + appState.auWavPath, "status  ", "timer on"}));
  EXPECT_EQ(appState.externalWavPath, appState.auWavPath);
  EXPECT_TRUE(appState.auSourcePath.empty());  // every source field is emptied afterwards

  Bytes bad = AuMuLaw(100);
  bad[15] = 4;  // an encoding no path takes
  Play("bad.au", bad);
  EXPECT_EQ(Feedback(), (Strings{"start", "status ", "status Loading external wav . . . please, wait . . .", "beep",
                                 "status  "}));
}

TEST_F(ExternalTest, WorkingFilesAreExaminedButNeverPlayed) {
  const Strings busy = {"start", "status ", "status " + appState.msgSharedAccess, "beep"};
  auto choose = [&](const std::string& path, const Bytes& bytes) {
    WriteWholeFile(path, bytes);
    ClearCalls();
    CommandWithDialog(CMD_PLAY_EXTERNAL, path);
    EXPECT_EQ(appState.externalWavReady, 0) << path;
    EXPECT_TRUE(HeadlessCallsOf("sound-file").empty()) << path;
    EXPECT_EQ(Status(), appState.msgSharedAccess) << path;
  };
  choose(appState.aiffWavPath, PcmWave(1, 8000, 16, 16000));  // its durations are still read
  EXPECT_EQ(Feedback(), busy);
  EXPECT_EQ(appState.durationMs, 1000u);
  choose(appState.tempWavPath, ImaWave(1, 8000, 1));  // IMA block sizes still get their beep
  Strings twoBeeps = busy;
  twoBeeps.push_back("beep");
  EXPECT_EQ(Feedback(), twoBeeps);
  // A stored SPHERE entry in temp_wav.wav is still converted.
  Bytes sphere = BytesOf("NIST_1A\n   1024\nchannel_count -i 1\nsample_rate -i 16000\nend_head\n");
  sphere.resize(1024, ' ');
  sphere.resize(1024 + 800, 7);
  choose(appState.tempWavPath, sphere);
  EXPECT_EQ(Feedback(), busy);
  EXPECT_EQ(ParseWave(ReadWholeFile(appState.sphWavPath)).sampleRate, 16000u);
}

TEST_F(ExternalTest, WavesTheSoundOutputCannotPlayAreRefused) {
  Bytes odd = PcmWave(1, 8000, 16, 100);
  WriteU16Le(&odd[20], 0x1234);  // a format tag no codec takes
  Play("odd.wav", odd);
  EXPECT_EQ(Feedback(), (Strings{"start", "beep"}));
  ClearCalls();
  Command(CMD_EXPORT_EXTERNAL);
  EXPECT_EQ(Feedback(), (Strings{"beep"}));
  HeadlessSetSoundOutput(false);  // with no output to ask, it is handed over as before
  Play("odd.wav", odd);
  EXPECT_EQ(Feedback(), (Strings{"start", "play " + ScratchFile("odd.wav"), "timer on"}));
}

TEST_F(ExternalTest, ExportExternalOncePerPlay) {
  Command(CMD_EXPORT_EXTERNAL);
  EXPECT_EQ(Feedback(), (Strings{"beep"}));
  Play("one.wav", PcmWave(1, 8000, 16, 100));
  ClearCalls();
  Command(CMD_EXPORT_EXTERNAL);
  EXPECT_EQ(Feedback(), (Strings{"timer off", "finish",
                                 "status External wav file saved to Documents\\KVP_Wavs (Exported as PCM)"}));
  EXPECT_EQ(ReadWholeFile(appState.documentsWavDir + PATH_SEPARATOR + "ext_wav1.wav"), PcmWave(1, 8000, 16, 100));
  ClearCalls();
  Command(CMD_EXPORT_EXTERNAL);
  EXPECT_EQ(Feedback(), (Strings{"beep", "status Oops.  It seems something went wrong and file creation has failed . . ."}));
  EXPECT_EQ(appState.externalExportCounter, 2);
}

// --- The rest of the window procedure ---------------------------------------------------

TEST_F(CommandTest, HelpClearQuickStartAndShutdown) {
  Command(CMD_HELP_FILES);
  EXPECT_EQ(Feedback(), (Strings{"box Error - Korvel_Player: Help file could not be opened..."}));
  WriteWholeFile(appState.helpFilePath, BytesOf("help"));
  ClearCalls();
  Command(CMD_HELP_FILES);
  EXPECT_TRUE(Feedback().empty());
  EXPECT_EQ(HeadlessCallsOf("shell-open"), Strings{appState.helpFilePath});

  Command(IDC_CLEAR_STATUS);
  EXPECT_EQ(Status(), " ");
  Command(CMD_QUICK_START);
  Command(IDC_QUICK_START_CLOSE);
  Command(CMD_NEW_KVF);
  Command(IDC_EXPORT_CANCEL);
  EXPECT_EQ(HeadlessCallsOf("window-show").size(), 2u);
  EXPECT_EQ(HeadlessCallsOf("window-hide").size(), 2u);
  Command(7777);  // an unknown number does nothing
  Command(IDC_STATUS);

  MainWindowProc(appState.hwndQuickStart, MESSAGE_DESTROY, 0, 0);
  EXPECT_EQ(HeadlessCallsOf("quit"), Strings{"0"});
}

}  // namespace

// Container commands through the window procedure: new container, load,
// add, export all, share.
#include <filesystem>

#include "library/byte_order.h"
#include "library/container.h"
#include "library/file_io.h"
#include "platform/headless.h"
#include "shell/app_state.h"
#include "shell/commands.h"
#include "shell/program_windows.h"
#include "tests/command_support.h"

namespace {

using Strings = std::vector<std::string>;

// --- New container ------------------------------------------------------------

TEST_F(CommandTest, NewContainerFromTheTypedName) {
  Command(IDC_EXPORT_BUTTON);  // the box still holds its initial text
  EXPECT_EQ(ReadWholeFile(ProgramFile("Type_in_desired_name.kvf")).size(), 8016u);
  EXPECT_TRUE(FileExists(ProgramFile("Type_in_desired_name.dat")));
  EXPECT_EQ(Feedback(), (Strings{"finish", "status New KorvelFile ( Type_in_desired_name.kvf ) has been exported to "
                                           "this program's directory . . ."}));
  EXPECT_EQ(HeadlessCallsOf("window-hide").size(), 1u);
  EXPECT_EQ(PlatformGetControlText(appState.hwndExportWindow, IDC_EXPORT_NAME), "");

  // The same name again, and a name list left without its data file.
  for (const char* name : {"Type_in_desired_name", "orphan"}) {
    if (std::string(name) == "orphan") WriteWholeFile(ProgramFile("orphan.dat"), BytesOf(" 1 \"x\"\r\n"));
    ClearCalls();
    PlatformSetControlText(appState.hwndExportWindow, IDC_EXPORT_NAME, name);
    Command(IDC_EXPORT_BUTTON);
    EXPECT_EQ(Feedback(), (Strings{"beep", "status Export error - kvf filename already exists. . ."})) << name;
  }
  EXPECT_EQ(ReadWholeFile(ProgramFile("orphan.dat")), BytesOf(" 1 \"x\"\r\n"));
  EXPECT_FALSE(FileExists(ProgramFile("orphan.kvf")));
}

TEST_F(CommandTest, NewContainerRefusesEmptyAndUnusableNames) {
  PlatformSetControlText(appState.hwndExportWindow, IDC_EXPORT_NAME, "");
  Command(IDC_EXPORT_BUTTON);
  EXPECT_EQ(Feedback(), (Strings{"beep", "status You must enter a name before a KorvelFile (.kvf)export can occur"}));
  for (const char* name : {"a/b", "a\\b", "what?", "x:y", "star*", "\"q\"", "<", "pipe|", "tab\there", ".", "..",
                           "CON", "nul", "com1", "LPT9.txt", "aux.kvf"}) {
    ClearCalls();
    PlatformSetControlText(appState.hwndExportWindow, IDC_EXPORT_NAME, name);
    Command(IDC_EXPORT_BUTTON);
    EXPECT_EQ(Feedback(), (Strings{"beep", "status Export error - kvf filename is not valid. . ."})) << name;
    EXPECT_EQ(PlatformGetControlText(appState.hwndExportWindow, IDC_EXPORT_NAME), "") << name;
  }
  // Names that merely look like device names are fine.
  PlatformSetControlText(appState.hwndExportWindow, IDC_EXPORT_NAME, "console");
  Command(IDC_EXPORT_BUTTON);
  EXPECT_TRUE(FileExists(ProgramFile("console.kvf")));
  PlatformSetControlText(appState.hwndExportWindow, IDC_EXPORT_NAME, "a.kvf");
  Command(IDC_EXPORT_BUTTON);
  EXPECT_TRUE(FileExists(ProgramFile("a.kvf.kvf")));
  EXPECT_TRUE(FileExists(ProgramFile("a.kvf.dat")));
}

TEST_F(CommandTest, NewContainerThatCannotBeWrittenSaysSo) {
  std::filesystem::remove_all(programFolder);  // the program folder itself is gone
  PlatformSetControlText(appState.hwndExportWindow, IDC_EXPORT_NAME, "lost");
  Command(IDC_EXPORT_BUTTON);
  EXPECT_EQ(Feedback(), (Strings{"beep", "status Oops.  It seems something went wrong and file creation has failed . . ."}));
  EXPECT_TRUE(HeadlessCallsOf("window-hide").empty());
}

// --- Load ------------------------------------------------------------------------

TEST_F(CommandTest, LoadingAnEmptyContainer) {
  PlatformSetControlText(appState.hwndExportWindow, IDC_EXPORT_NAME, "Box");
  Command(IDC_EXPORT_BUTTON);
  ClearCalls();
  CommandWithDialog(CMD_LOAD_KVF, ProgramFile("Box.kvf"));
  EXPECT_EQ(Feedback(), (Strings{"start", "finish", "status There are 0 to 0 valid entries within .kvf file"}));
  EXPECT_TRUE(ListRows().empty());
  EXPECT_EQ(appState.nameSourceMode, 1);
  EXPECT_EQ(appState.containerTitle, "Box");
  EXPECT_EQ(PlatformGetControlText(appState.hwndMain, IDC_ENTRY_NUMBER), "0");
  for (int item : {CMD_ADD_WAV, CMD_EXPORT_CURRENT, CMD_EXPORT_ALL}) {
    EXPECT_TRUE(HeadlessMenuItemEnabled(item == CMD_ADD_WAV ? appState.menuWavs : appState.menuExport, item));
  }
  EXPECT_TRUE(HeadlessMenuItemEnabled(appState.menuShare, CMD_SHARE_CURRENT));
}

TEST_F(CommandTest, CancelledLoadAborts) {
  CommandWithDialog(CMD_LOAD_KVF, "");
  EXPECT_EQ(Feedback(), (Strings{"start", "finish", "status Operation aborted . . ."}));
  EXPECT_TRUE(HeadlessCallsOf("menu-enable").empty());
}

TEST_F(CommandTest, ContainerThatCannotBeOpenedLeavesNothingLoaded) {
  std::string kvf = CreateAndLoad("First");
  CommandWithDialog(CMD_LOAD_KVF, ProgramFile("vanished.kvf"));
  EXPECT_EQ(Feedback(), (Strings{"start", "box Kor_Vel_Player: Could not find, or open selected file. ..", "finish",
                                 "status Operation aborted . . ."}));
  EXPECT_TRUE(appState.loadedContainerPath.empty());
  EXPECT_FALSE(appState.containerFile);
  EXPECT_EQ(appState.entryCount, 0);
  ClearCalls();
  Command(CMD_EXPORT_ALL);
  Command(IDC_NEXT);
  EXPECT_EQ(Feedback(), (Strings{"beep", "beep"}));
  (void)kvf;
}

TEST_F(CommandTest, LargeContainerWarning) {
  for (std::int64_t size : {LARGE_CONTAINER_BYTES, LARGE_CONTAINER_BYTES + 1}) {
    std::string kvf = CreateAndLoad("Big" + std::to_string(size));
    ASSERT_TRUE(TruncateFile(kvf, size));
    CommandWithDialog(CMD_LOAD_KVF, kvf);
    std::string expected = "There are 0 to 0 valid entries within .kvf file";
    if (size > LARGE_CONTAINER_BYTES) expected += appState.msgFileTooLarge;
    EXPECT_EQ(Status(), expected);
  }
}

TEST_F(CommandTest, PlaylistRowsComeFromTheNameList) {
  std::string kvf = CreateAndLoad("Names");
  AddFile("one.wav", PcmWave(1, 8000, 16, 10));
  AddFile("two words.au", Bytes(30, 1));
  EXPECT_EQ(ListRows(), (Strings{" \"one.wav\"", " \"two words.au\""}));
  // Half a pair still gives a row; a container without a ".dat" says so.
  std::filesystem::path dat = CompanionDatPath(kvf);
  Bytes names = ReadWholeFile(dat.string());
  names.insert(names.end(), {' ', '1', '2', '3', '4', '5', '6', '7', '8', ' ', '"', 'x', '"'});
  WriteWholeFile(dat.string(), names);
  CommandWithDialog(CMD_LOAD_KVF, kvf);
  EXPECT_EQ(ListRows(), (Strings{" \"one.wav\"", " \"two words.au\"", " \"x\""}));
  std::filesystem::remove(dat);
  CommandWithDialog(CMD_LOAD_KVF, kvf);
  EXPECT_EQ(ListRows(), (Strings{"No playlist was found for selected .kvf file . . ."}));
  EXPECT_EQ(appState.nameSourceMode, 2);
}

// --- Add ----------------------------------------------------------------------------

TEST_F(CommandTest, AddingFiles) {
  Command(CMD_ADD_WAV);
  EXPECT_EQ(Feedback(), (Strings{"beep", "status You must select (load) a KorvelFile (.kvf) before adding a wave file . . ."}));

  CreateAndLoad("Adds");
  AddFile("song.wav", PcmWave(2, 44100, 16, 100));
  EXPECT_EQ(Feedback(), (Strings{"start", "status ", "status Adding wav . . . please, wait . . .", "finish",
                                 "status The wav file labeled ' song.wav ' has been added to slected kvf file . . "}));
  EXPECT_EQ(appState.entryCount, 1);
  EXPECT_TRUE(appState.addWavPickedPath.empty());

  ClearCalls();
  CommandWithDialog(CMD_ADD_WAV, "");
  EXPECT_EQ(Feedback(), (Strings{"start", "finish", "status Operation aborted . . ."}));

  // A source that vanished after the dialog: refused, the container unchanged.
  Bytes before = ReadWholeFile(appState.loadedContainerPath);
  ClearCalls();
  CommandWithDialog(CMD_ADD_WAV, ScratchFile("gone.wav"));
  Strings feedback = Feedback();
  ASSERT_GE(feedback.size(), 2u);
  EXPECT_EQ(Strings(feedback.end() - 2, feedback.end()),
            (Strings{"beep", "status Oops.  It seems something went wrong and file creation has failed . . ."}));
  EXPECT_EQ(ReadWholeFile(appState.loadedContainerPath), before);
  EXPECT_EQ(appState.entryCount, 1);
}

TEST_F(CommandTest, FourHundredNinetyNineEntriesAndNoMore) {
  std::string kvf = CreateAndLoad("Full");
  Bytes bytes = ReadWholeFile(kvf);
  WriteU32Le(&bytes[12], 498);
  WriteWholeFile(kvf, bytes);
  CommandWithDialog(CMD_LOAD_KVF, kvf);
  AddFile("last.wav", PcmWave(1, 8000, 8, 4));
  EXPECT_EQ(appState.entryCount, 499);
  ClearCalls();
  Bytes full = ReadWholeFile(kvf);
  CommandWithDialog(CMD_ADD_WAV, ScratchFile("last.wav"));
  EXPECT_EQ(Feedback(), (Strings{"beep", "status The selected KVF has reached its entry limits. No further wave "
                                         "files can be added . . ."}));
  EXPECT_EQ(ReadWholeFile(kvf), full);
}

// --- Export all ---------------------------------------------------------------------

TEST_F(CommandTest, ExportAllWritesEveryEntryWithItsExtension) {
  Command(CMD_EXPORT_ALL);
  EXPECT_EQ(Feedback(), (Strings{"beep"}));

  CreateAndLoad("All");
  struct Entry {
    const char* name;
    std::string start;
    const char* extension;
  } entries[] = {{"a.aiff", "FORM", ".aiff"}, {"b.au", ".snd", ".au"}, {"c.wav", "RIFF", ".wav"},
                 {"d.sph", "NIST", ".sph"},   {"e.voc", "Creative", ".voc"}, {"f.caf", "caff", ".caf"},
                 {"g.paf", " paf", ".paf"},   {"h.pvf", "PVF1", ".pvf"}, {"i.htk", std::string(4, '\0'), ".htk"},
                 {"j.xyz", "????", ".htk"}};
  int n = 0;
  for (const Entry& e : entries) {
    Bytes bytes = BytesOf(e.start);
    bytes.resize(40 + static_cast<std::size_t>(n), static_cast<unsigned char>(n));
    AddFile(e.name, bytes);
    ++n;
  }
  ClearCalls();
  Command(CMD_EXPORT_ALL);
  EXPECT_EQ(Feedback(), (Strings{"finish", "status Completed. All wav files exported to program's directory"}));
  n = 0;
  for (const Entry& e : entries) {
    std::string exported = appState.massExportPrefix + std::to_string(n + 1) + e.extension;
    Bytes expected = BytesOf(e.start);
    expected.resize(40 + static_cast<std::size_t>(n), static_cast<unsigned char>(n));
    EXPECT_EQ(ReadWholeFile(exported), expected) << e.name;
    ++n;
  }
  EXPECT_EQ(appState.currentIndex, 0);

  Command(CMD_SAVE_IN_DOCUMENTS);
  ClearCalls();
  Command(CMD_EXPORT_ALL);
  EXPECT_EQ(Status(), "Completed. All wav files exported to Documents\\KVP_Wavs");
  EXPECT_TRUE(FileExists(appState.documentsWavDir + PATH_SEPARATOR + "KVFM_Wav10.htk"));
}

TEST_F(CommandTest, ExportAllSkipsDamagedEntriesAndSaysSo) {
  std::string kvf = CreateAndLoad("Damaged");
  AddFile("a.wav", PcmWave(1, 8000, 16, 10));
  AddFile("b.wav", PcmWave(1, 8000, 16, 20));
  Bytes bytes = ReadWholeFile(kvf);
  WriteU32Le(&bytes[16 + 4], 0x7FFFFFF0);  // entry 1 claims far more than the file holds
  WriteWholeFile(kvf, bytes);
  ClearCalls();
  Command(CMD_EXPORT_ALL);
  EXPECT_EQ(Feedback(), (Strings{"finish", "beep", "status Oops.  It seems something went wrong and file creation "
                                                   "has failed . . ."}));
  EXPECT_FALSE(FileExists(appState.massExportPrefix + "1.wav"));
  EXPECT_EQ(ReadWholeFile(appState.massExportPrefix + "2.wav"), PcmWave(1, 8000, 16, 20));
}

TEST_F(CommandTest, ExportAllShowsProgressOnlyAboveHalfAMegabyte) {
  for (std::int64_t size : {std::int64_t{500000}, std::int64_t{500001}}) {
    std::string kvf = CreateAndLoad("Progress" + std::to_string(size));
    ASSERT_TRUE(TruncateFile(kvf, size));
    CommandWithDialog(CMD_LOAD_KVF, kvf);
    ClearCalls();
    Command(CMD_EXPORT_ALL);
    Strings expected;
    if (size > 500000) expected = {"finish", "status Exports in progress . . ."};
    expected.push_back("finish");
    expected.push_back("status Completed. All wav files exported to program's directory");
    EXPECT_EQ(Feedback(), expected) << size;
  }
}

// --- Share ----------------------------------------------------------------------------

TEST_F(CommandTest, ShareCopiesThePairToDocuments) {
  std::string kvf = CreateAndLoad("Shared");
  AddFile("a.wav", PcmWave(1, 8000, 16, 10));
  for (int round = 0; round < 2; ++round) {  // the second share replaces the first copies
    ClearCalls();
    Command(CMD_SHARE_CURRENT);
    EXPECT_EQ(Feedback(), (Strings{"start", "finish",
                                   "status Currently loaded kvf/dat files exported to Documents/Export_Kvf Folder"}));
  }
  std::string shared = documentsFolder + PATH_SEPARATOR + "Export_KVF" + PATH_SEPARATOR + "Shared";
  EXPECT_EQ(ReadWholeFile(shared + ".kvf"), ReadWholeFile(kvf));
  EXPECT_EQ(ReadWholeFile(shared + ".dat"), ReadWholeFile(CompanionDatPath(kvf)));

  std::filesystem::remove(CompanionDatPath(kvf));
  ClearCalls();
  Command(CMD_SHARE_CURRENT);
  EXPECT_EQ(Feedback(), (Strings{"start", "finish", "beep",
                                 "status Oops.  It seems something went wrong and file creation has failed . . ."}));
}

TEST_F(CommandTest, WithoutADocumentsFolderNothingIsWrittenThere) {
  HeadlessReset(ProgramFile("Korvel_Player.exe"), "");
  InitializeAppState();
  SetUpProgramPaths();
  CreateProgramWindows();
  EXPECT_TRUE(HeadlessCallsOf("folder-create").empty());
  CreateAndLoad("Box");
  AddFile("a.wav", PcmWave(1, 8000, 16, 100));
  Command(IDC_NEXT);
  Command(CMD_EXPORT_CURRENT);  // the program's own Export folder still takes it
  EXPECT_TRUE(FileExists(ProgramFile("Export/KVFS_Wav1.wav")));
  HeadlessQueueDialogAnswer(ScratchFile("a.wav"));
  Command(CMD_PLAY_EXTERNAL);
  Command(CMD_SAVE_IN_DOCUMENTS);
  for (int command : {CMD_EXPORT_CURRENT, CMD_EXPORT_ALL, CMD_SHARE_CURRENT, CMD_EXPORT_EXTERNAL}) {
    ClearCalls();
    Command(command);
    const std::vector<std::string> feedback = Feedback();
    ASSERT_GE(feedback.size(), 2u) << command;
    EXPECT_EQ(feedback[feedback.size() - 2], "beep") << command;
    EXPECT_EQ(Status(), MSG_CREATION_FAILED) << command;
    EXPECT_TRUE(HeadlessCallsOf("copy").empty()) << command;
    EXPECT_TRUE(HeadlessCallsOf("folder-create").empty()) << command;
  }
}

}  // namespace

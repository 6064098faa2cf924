// Start-up paths, the Documents folder check, and shutdown.
#include <filesystem>

#include "platform/headless.h"
#include "shell/app_state.h"
#include "shell/commands.h"
#include "tests/test_support.h"

namespace {

using StartUpTest = ProgramTest;

TEST_F(StartUpTest, PathsHangOffTheProgramFolderAndDocuments) {
  const std::string sep(1, PATH_SEPARATOR);
  const std::string dir = programFolder + sep;
  EXPECT_EQ(appState.programDir, dir);
  EXPECT_EQ(appState.singleExportPrefix, dir + "Export" + sep + "KVFS_Wav");
  EXPECT_EQ(appState.massExportPrefix, dir + "Export" + sep + "KVFM_Wav");
  EXPECT_EQ(appState.tempWavPath, dir + "Export" + sep + "Conversions" + sep + "temp_wav.wav");
  EXPECT_EQ(appState.decodedWavPath, dir + "Export" + sep + "Conversions" + sep + "decoded.wav");
  EXPECT_EQ(appState.crcLogPath, dir + "CrcLog.dat");
  EXPECT_EQ(appState.helpFilePath, dir + "Korvel_Player-help.chm");
  EXPECT_EQ(appState.htkWavPath, dir + "Export" + sep + "Conversions" + sep + "HTKws.wav");
  EXPECT_EQ(appState.rawSampleTempPath, dir + "Export" + sep + "Conversions" + sep + "AuSamp.raw");
  EXPECT_EQ(appState.shareDir, documentsFolder + sep + "Export_KVF");
  EXPECT_EQ(appState.shareKvfPrefix, appState.shareDir + sep);
  EXPECT_EQ(appState.shareDatPrefix, appState.shareDir + sep);
  EXPECT_EQ(appState.documentsWavDir, documentsFolder + sep + "KVP_Wavs");
  // The share folder is made on demand, not at start-up.
  EXPECT_FALSE(FileExists(appState.shareDir));
}

TEST_F(StartUpTest, KvpWavsIsCreatedOnlyWhenMissing) {
  // SetUp ran start-up once on an empty Documents folder.
  EXPECT_TRUE(std::filesystem::is_directory(appState.documentsWavDir));
  EXPECT_EQ(HeadlessCallsOf("folder-create").size(), 1u);

  std::filesystem::path kept = std::filesystem::path(appState.documentsWavDir) / "kept.wav";
  WriteWholeFile(kept.string(), BytesOf("x"));
  HeadlessReset(programFolder + PATH_SEPARATOR + "Korvel_Player.exe", documentsFolder);
  SetUpProgramPaths();
  EXPECT_TRUE(HeadlessCallsOf("folder-create").empty());
  EXPECT_TRUE(FileExists(kept.string()));

  // A plain file of that name is taken for the folder and left alone.
  std::filesystem::remove_all(appState.documentsWavDir);
  WriteWholeFile(appState.documentsWavDir, BytesOf("not a folder"));
  HeadlessReset(programFolder + PATH_SEPARATOR + "Korvel_Player.exe", documentsFolder);
  SetUpProgramPaths();
  EXPECT_TRUE(HeadlessCallsOf("folder-create").empty());
  EXPECT_TRUE(std::filesystem::is_regular_file(appState.documentsWavDir));
}

TEST_F(StartUpTest, ProgramFolderWithBlanksAndAccentsIsUsedAsItIs) {
  std::string odd = ScratchFile("Programme d\xe9j\xe0 vu");
  HeadlessReset(odd + PATH_SEPARATOR + "Korvel_Player.exe", documentsFolder);
  SetUpProgramPaths();
  EXPECT_EQ(appState.crcLogPath, odd + PATH_SEPARATOR + "CrcLog.dat");
}

TEST_F(StartUpTest, ShutdownClosesStopsReleasesAndQuits) {
  std::string kvf = ScratchFile("open.kvf");
  WriteWholeFile(kvf, Bytes(8016, 0));
  appState.containerFile = OpenStream(kvf, "rb");
  appState.animRunning = 1;
  appState.animClockMs = 980;
  appState.bmpMenuLoad = reinterpret_cast<BitmapHandle>(101);
  appState.bmpMenuOption = reinterpret_cast<BitmapHandle>(106);
  HeadlessReset(programFolder + PATH_SEPARATOR + "Korvel_Player.exe", documentsFolder);

  ShutDownProgram();

  EXPECT_FALSE(appState.containerFile);
  EXPECT_EQ(appState.animRunning, 0);
  EXPECT_EQ(appState.animClockMs, 140);
  EXPECT_EQ(appState.bmpMenuLoad, nullptr);
  std::vector<std::string> order;
  for (const PlatformCall& call : HeadlessCalls()) order.push_back(call.role + " " + call.detail);
  std::vector<std::string> expected = {"timer-stop 1", "picture 2300", "bitmap-release 101",
                                       "bitmap-release 106", "quit 0"};
  EXPECT_EQ(order, expected);
}

TEST_F(StartUpTest, ShutdownWhileIdleOnlyQuits) {
  HeadlessReset(programFolder + PATH_SEPARATOR + "Korvel_Player.exe", documentsFolder);
  ShutDownProgram();
  EXPECT_EQ(HeadlessCallsOf("timer-stop").size(), 0u);
  EXPECT_EQ(HeadlessCallsOf("quit"), std::vector<std::string>{"0"});
}

}  // namespace

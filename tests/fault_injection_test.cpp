// A full disk at every step: each writing command runs again and again, with its first, second, third ... write-side
// operation (open for writing, write, flush, seek, close, truncation) failing, until a run meets no failure. A run
// either does the whole work or gives the refusal beep and its failure text and hands no wave to the sound service;
// a failed add, new container or single export leaves every file as it was. A conversion's failures: the converter
// table (the frame writes every converter's output); a stored play's: the fuzz entry stored_wave, at a step each input
// picks.
#include <filesystem>
#include <functional>

#include "library/container.h"
#include "tests/test_support.h"

namespace fs = std::filesystem;
using Step = std::function<void()>;

class FaultTest : public ProgramTest {
 protected:
  // Runs prepare and then run with the n-th operation failing, for n = 1, 2, ... until a run meets no failure, every
  // run from the same files. A run that does not end on the failure text is checked by done, as the clean run is;
  // unchanged: a failed run leaves the files as prepare did.
  void ForEveryFailure(const Step& prepare, const Step& run, const std::string& failure, bool unchanged,
                       const Step& done) {
    const auto files = FilesUnder(root.string());
    const auto restore = [&] {
      for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file() && files.count(entry.path().string()) == 0) fs::remove(entry.path());
      for (const auto& [path, bytes] : files)
        if (ReadWholeFile(path) != bytes) WriteWholeFile(path, bytes);
    };
    for (long n = 1; !HasFatalFailure(); ++n) {
      SCOPED_TRACE("operation " + std::to_string(n));
      restore();
      prepare();
      const auto prepared = FilesUnder(root.string());
      HeadlessClearCalls();
      IoFailAt(n);
      run();
      const bool failed = IoOperationCount() >= n;
      IoFailAt(0);
      if (Status() != failure) {
        done();
      } else {
        ASSERT_TRUE(failed);
        EXPECT_EQ(HeadlessCallsOf("beep"), Strings{"default"});
        EXPECT_TRUE(HeadlessCallsOf("sound-file").empty());
        EXPECT_TRUE(!unchanged || FilesUnder(root.string()) == prepared) << "files changed";
      }
      EXPECT_TRUE(failed || n > 1) << "no write to fail";
      if (!failed) break;
    }
    restore();
  }
};

TEST_F(FaultTest, AddingKeepsTheContainerWholeOrAddsTheWholeEntry) {
  const std::string kvf = CreateAndLoad("Faults");
  const Bytes first = PcmWave(1, 8000, 16, 300);
  const Bytes added = PcmWave(2, 22050, 16, IO_BLOCK_BYTES + 99);
  AddFile("first.wav", first);
  WriteWholeFile(ScratchFile("second.wav"), added);
  const Bytes kvfAfter = KvfFile({first, added}, {0x28148700u, 0x41059E00u});  // zlib's crc32: 28148745, 41059ec2
  const Bytes names = BytesOf(" 41059ec2 \"second.wav\"\r\n 41059e00 \"second.wav\"\r\n");
  WriteWholeFile(CompanionDatPath(kvf), {});  // an empty list is cut back, not removed
  for (const std::string& list : {CompanionDatPath(kvf), appState.crcLogPath}) {  // the container's, or the log
    if (list == appState.crcLogPath) fs::remove(CompanionDatPath(kvf));
    ForEveryFailure([&] { RunWithDialog(CMD_LOAD_KVF, kvf); },
                    [&] { RunWithDialog(CMD_ADD_WAV, ScratchFile("second.wav")); }, MSG_CREATION_FAILED, true,
                    [&] {
                      EXPECT_EQ(ReadWholeFile(kvf), kvfAfter);
                      EXPECT_EQ(ReadWholeFile(list), names);
                    });
  }
}

TEST_F(FaultTest, NewContainerIsWrittenWholeOrNotAtAll) {
  ForEveryFailure([] { PlatformSetControlText(appState.hwndExportWindow, IDC_EXPORT_NAME, "Fresh"); },
                  [&] { Run(IDC_EXPORT_BUTTON); }, MSG_CREATION_FAILED, true,
                  [&] {
                    EXPECT_EQ(ReadWholeFile(ProgramFile("Fresh.kvf")), KvfFile({}));
                    EXPECT_TRUE(FileExists(ProgramFile("Fresh.dat")));
                  });
}

// Every export and the share, from one start: a stored entry and an external wave played.
TEST_F(FaultTest, ExportsAndShareReportEveryFailedCopy) {
  const std::string kvf = CreateAndLoad("Exports");
  const std::string external = ScratchFile("outside.wav");
  AddFile("a.au", AuFile(1, 8000, 1, PatternBytes(100)));
  AddFile("b.wav", PcmWave(1, 8000, 16, IO_BLOCK_BYTES + 7));
  WriteWholeFile(external, PcmWave(1, 8000, 16, 5000));
  const std::string all = appState.massExportPrefix;
  const struct {
    int command;
    Strings copies;  // each target, then the file it copies; a single copy goes again on a failure
  } cases[] = {
      {CMD_EXPORT_CURRENT, {appState.singleExportPrefix + "1.au", appState.tempWavPath}},
      {CMD_EXPORT_EXTERNAL, {appState.documentsWavDir + PATH_SEPARATOR + "ext_wav1.wav", external}},
      {CMD_EXPORT_ALL, {all + "1.au", ScratchFile("a.au"), all + "2.wav", ScratchFile("b.wav")}},
      {CMD_SHARE_CURRENT,
       {appState.shareKvfPrefix + "Exports.kvf", kvf, appState.shareDatPrefix + "Exports.dat", CompanionDatPath(kvf)}}};
  const auto prepare = [&] {
    StartProgram(programFolder, documentsFolder);
    RunWithDialog(CMD_LOAD_KVF, kvf);
    Select(0);
    RunWithDialog(CMD_PLAY_EXTERNAL, external);
  };
  for (const auto& c : cases) {
    ForEveryFailure(
        prepare, [&] { Run(c.command); }, MSG_CREATION_FAILED, c.copies.size() == 2,
        [&] {
          for (std::size_t i = 0; i < c.copies.size(); i += 2)
            EXPECT_EQ(ReadWholeFile(c.copies[i]), ReadWholeFile(c.copies[i + 1])) << c.copies[i];
        });
  }
}

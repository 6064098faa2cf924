// A full disk at every step: each writing command runs again and again, with its first, second, third ... write-side
// operation (open for writing, write, flush, seek, close, truncation) failing, until a run meets no failure. A failing
// run must report the failure, never success, and leave the container and its name list as before or holding the
// whole new entry. A conversion's failures: the converter table (the frame writes every converter's output).
#include <filesystem>
#include <functional>
#include <map>

#include "io/file_io.h"
#include "library/container.h"
#include "platform/headless.h"
#include "state/app_state.h"
#include "state/commands.h"
#include "tests/formats.h"
#include "tests/test_support.h"

namespace {

namespace fs = std::filesystem;
using Files = std::map<std::string, Bytes>;
using Step = std::function<void()>;

class FaultTest : public ProgramTest {
 protected:
  Files Snapshot() const {
    Files files;
    for (const auto& entry : fs::recursive_directory_iterator(root))
      if (entry.is_regular_file()) files[entry.path().string()] = ReadWholeFile(entry.path().string());
    return files;
  }
  void Restore(const Files& files) const {
    for (const auto& entry : fs::recursive_directory_iterator(root))
      if (entry.is_regular_file() && files.count(entry.path().string()) == 0) fs::remove(entry.path());
    for (const auto& [path, bytes] : files)
      if (!FileExists(path) || ReadWholeFile(path) != bytes) WriteWholeFile(path, bytes);
  }
  // Runs prepare and then run with the n-th operation failing, for n = 1, 2,
  // ... until a run meets no failure; every run starts from the same files.
  // verify sees the failed runs, then the clean run; ok tells them apart.
  void ForEveryFailure(const std::string& what, const Step& prepare, const Step& run, const std::function<bool()>& ok,
                       const Step& verifyFailed, const Step& verifyDone) {
    const Files files = Snapshot();
    for (long n = 1; n < 100000 && !HasFatalFailure(); ++n) {
      Restore(files);
      prepare();
      HeadlessClearCalls();
      IoFailAt(n);
      run();
      const bool failed = IoOperationCount() >= n;
      IoFailAt(0);
      SCOPED_TRACE(what + ", operation " + std::to_string(n));
      if (ok()) {
        verifyDone();
      } else {
        ASSERT_TRUE(failed);
        verifyFailed();
      }
      EXPECT_TRUE(failed || n > 1) << "no write to fail";
      if (!failed) break;
    }
    Restore(files);
  }
  void Load(const std::string& kvf) {
    CommandWithDialog(CMD_LOAD_KVF, kvf);
    ASSERT_FALSE(appState.loadedContainerPath.empty());
  }
  void ExpectFailureText() const {
    EXPECT_EQ(HeadlessCallsOf("beep"), Strings{"default"});
    EXPECT_EQ(Status(), MSG_CREATION_FAILED);
  }
};

TEST_F(FaultTest, AddingKeepsTheContainerWholeOrAddsTheWholeEntry) {
  const std::string kvf = CreateAndLoad("Faults");
  const Bytes first = PcmWave(1, 8000, 16, 300);
  const Bytes added = PcmWave(2, 22050, 16, IO_BLOCK_BYTES + 99);
  AddFile("first.wav", first);
  const std::string second = ScratchFile("second.wav");
  WriteWholeFile(second, added);
  const Bytes kvfBefore = ReadWholeFile(kvf);  // zlib's crc32 of the names: 28148745 and 41059ec2
  const Bytes kvfAfter = KvfFile({first, added}, {0x28148700u, 0x41059E00u});
  const std::string pair = " 41059ec2 \"second.wav\"\r\n 41059e00 \"second.wav\"\r\n";
  for (const std::string& names : {CompanionDatPath(kvf), appState.crcLogPath}) {  // the container's list, or the log
    if (names == appState.crcLogPath) fs::remove(CompanionDatPath(kvf));
    const Bytes namesBefore = ReadWholeFile(names);
    const Bytes namesAfter = BytesOf(std::string(namesBefore.begin(), namesBefore.end()) + pair);
    ForEveryFailure(
        "add, names in " + names, [&] { Load(kvf); }, [&] { CommandWithDialog(CMD_ADD_WAV, second); },
        [&] { return ReadWholeFile(kvf) != kvfBefore; },
        [&] {
          ExpectFailureText();
          EXPECT_EQ(ReadWholeFile(names), namesBefore);
        },
        [&] {
          EXPECT_EQ(Status(), "The wav file labeled ' second.wav ' has been added to slected kvf file . . ");
          EXPECT_EQ(ReadWholeFile(kvf), kvfAfter);
          EXPECT_EQ(ReadWholeFile(names), namesAfter);
        });
  }
}

TEST_F(FaultTest, NewContainerIsWrittenWholeOrNotAtAll) {
  const std::string kvf = ProgramFile("Fresh.kvf");
  const std::string dat = ProgramFile("Fresh.dat");
  ForEveryFailure(
      "new container", [] { PlatformSetControlText(appState.hwndExportWindow, IDC_EXPORT_NAME, "Fresh"); },
      [&] { Command(IDC_EXPORT_BUTTON); }, [&] { return FileExists(kvf); },
      [&] {
        EXPECT_FALSE(FileExists(dat));
        ExpectFailureText();
      },
      [&] {
        EXPECT_EQ(ReadWholeFile(kvf), KvfFile({}));
        EXPECT_TRUE(FileExists(dat));
        EXPECT_EQ(Status(), "New KorvelFile ( Fresh.kvf ) has been exported to this program's directory . . .");
      });
}

TEST_F(FaultTest, ExportsAndShareReportEveryFailedCopy) {
  const std::string kvf = CreateAndLoad("Exports");
  const std::string external = ScratchFile("outside.wav");
  AddFile("a.au", FormatNamed("au")->samples[0].bytes);
  AddFile("b.wav", PcmWave(1, 8000, 16, IO_BLOCK_BYTES + 7));
  WriteWholeFile(external, PcmWave(1, 8000, 16, 5000));
  const Step load = [&] { Load(kvf); };
  struct {
    const char* what;
    Step prepare;
    int command;
    std::string success;
    std::vector<std::pair<std::string, std::string>> copies;
  } cases[] = {// target, source once it succeeded
               {"export current",
                [&] {
                  Load(kvf);
                  Select(0);
                },
                CMD_EXPORT_CURRENT,
                "Completed. Wav file exported to program's directory",
                {{appState.singleExportPrefix + "1.au", appState.tempWavPath}}},
               {"export external",
                [&] { CommandWithDialog(CMD_PLAY_EXTERNAL, external); },
                CMD_EXPORT_EXTERNAL,
                "External wav file saved to Documents\\KVP_Wavs (Exported as PCM)",
                {{appState.documentsWavDir + PATH_SEPARATOR + "ext_wav1.wav", external}}},
               {"export all",
                load,
                CMD_EXPORT_ALL,
                "Completed. All wav files exported to program's directory",
                {{appState.massExportPrefix + "1.au", ScratchFile("a.au")},
                 {appState.massExportPrefix + "2.wav", ScratchFile("b.wav")}}},
               {"share",
                load,
                CMD_SHARE_CURRENT,
                "Currently loaded kvf/dat files exported to Documents/Export_Kvf Folder",
                {{appState.shareKvfPrefix + "Exports.kvf", kvf},
                 {appState.shareDatPrefix + "Exports.dat", CompanionDatPath(kvf)}}}};
  for (auto& c : cases) {
    ForEveryFailure(
        c.what,
        [&] {
          appState.exportCounter = 0;
          appState.externalExportCounter = 0;
          c.prepare();
        },
        [&] { Command(c.command); }, [&] { return Status() == c.success; }, [&] { ExpectFailureText(); },
        [&] {
          for (const auto& [to, from] : c.copies) EXPECT_EQ(ReadWholeFile(to), ReadWholeFile(from)) << to;
        });
  }
}

}  // namespace

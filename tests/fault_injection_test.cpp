// A full disk at every step: each writing command runs again and again, with
// its first, second, third ... write-side operation (open for writing,
// write, flush, seek, close, truncation) failing, until a run gets through
// without meeting the failure. After every failing run the command must have
// reported the failure (its text, or the conversion's failure), never
// success, and the container and its name list must be as before or hold
// the whole new entry.
#include <filesystem>
#include <functional>
#include <map>

#include "library/byte_order.h"
#include "library/container.h"
#include "library/file_io.h"
#include "platform/headless.h"
#include "shell/app_state.h"
#include "shell/commands.h"
#include "tests/test_support.h"
#include "tests/formats.h"

namespace {

namespace fs = std::filesystem;
using Files = std::map<std::string, Bytes>;

class FaultTest : public ProgramTest {
 protected:
  Files Snapshot() const {
    Files files;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
      if (entry.is_regular_file()) files[entry.path().string()] = ReadWholeFile(entry.path().string());
    }
    return files;
  }

  void Restore(const Files& files) const {
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
      if (entry.is_regular_file() && files.count(entry.path().string()) == 0) fs::remove(entry.path());
    }
    for (const auto& file : files) {
      if (!FileExists(file.first) || ReadWholeFile(file.first) != file.second) WriteWholeFile(file.first, file.second);
    }
  }

  // Runs prepare (without failures) and then run with the n-th operation
  // failing, for n = 1, 2, ... until a run meets no failure; verify is told
  // whether the failure was met. Every run starts from the same files.
  void ForEveryFailure(const std::string& what, const std::function<void()>& prepare,
                       const std::function<void()>& run, const std::function<void(bool)>& verify) {
    const Files files = Snapshot();
    long failures = 0;
    for (long n = 1; n < 100000; ++n) {
      Restore(files);
      prepare();
      ClearCalls();
      IoFailAt(n);
      run();
      const bool failed = IoOperationCount() >= n;
      IoFailAt(0);
      SCOPED_TRACE(what + ", operation " + std::to_string(n));
      verify(failed);
      if (HasFatalFailure()) return;
      if (!failed) break;
      ++failures;
    }
    EXPECT_GT(failures, 0) << what;
    Restore(files);
  }

  void LoadContainer(const std::string& kvf) {
    CommandWithDialog(CMD_LOAD_KVF, kvf);
    ASSERT_FALSE(appState.loadedContainerPath.empty());
  }

  void ExpectFailureText() const {
    EXPECT_TRUE(Beeped());
    EXPECT_EQ(Status(), MSG_CREATION_FAILED);
  }
};

TEST_F(FaultTest, AddingKeepsTheContainerWholeOrAddsTheWholeEntry) {
  const std::string kvf = CreateAndLoad("Faults");
  AddFile("first.wav", PcmWave(1, 8000, 16, 300));
  const std::string source = ScratchFile("second.wav");
  const Bytes added = PcmWave(2, 22050, 16, IO_BLOCK_BYTES + 99);
  WriteWholeFile(source, added);
  const Bytes kvfBefore = ReadWholeFile(kvf);
  const std::string pair = NameListPair(~ComputeNameCrc("second.wav"), "second.wav");
  for (const std::string& names : {CompanionDatPath(kvf), appState.crcLogPath}) {  // the container's list, or the log
    if (names == appState.crcLogPath) fs::remove(CompanionDatPath(kvf));
    const Bytes namesBefore = ReadWholeFile(names);
    ForEveryFailure(
        "add, names in " + names, [&] { LoadContainer(kvf); }, [&] { CommandWithDialog(CMD_ADD_WAV, source); },
        [&](bool failed) {
          const Bytes after = ReadWholeFile(kvf);
          if (after == kvfBefore) {
            ASSERT_TRUE(failed);
            ExpectFailureText();
            EXPECT_EQ(ReadWholeFile(names), namesBefore);
            return;
          }
          // The whole entry: count, record, data, and its two name lines.
          EXPECT_EQ(Status(), "The wav file labeled ' second.wav ' has been added to slected kvf file . . ");
          Bytes expected = kvfBefore;
          WriteU32Le(&expected[12], 2);
          WriteU32Le(&expected[32], NameKeyOf(~ComputeNameCrc("second.wav")));
          WriteU32Le(&expected[36], static_cast<std::uint32_t>(added.size()));
          WriteU32Le(&expected[40], static_cast<std::uint32_t>(kvfBefore.size()));
          WriteU32Le(&expected[44], static_cast<std::uint32_t>(kvfBefore.size() + added.size()));
          expected.insert(expected.end(), added.begin(), added.end());
          EXPECT_EQ(after, expected);
          Bytes namesAfter = namesBefore;
          namesAfter.insert(namesAfter.end(), pair.begin(), pair.end());
          EXPECT_EQ(ReadWholeFile(names), namesAfter);
        });
  }
}

TEST_F(FaultTest, NewContainerIsWrittenWholeOrNotAtAll) {
  const std::string kvf = ProgramFile("Fresh.kvf"), dat = ProgramFile("Fresh.dat");
  ForEveryFailure(
      "new container", [] {},
      [&] {
        PlatformSetControlText(appState.hwndExportWindow, IDC_EXPORT_NAME, "Fresh");
        Command(IDC_EXPORT_BUTTON);
      },
      [&](bool failed) {
        if (!FileExists(kvf)) {
          ASSERT_TRUE(failed);
          EXPECT_FALSE(FileExists(dat));
          ExpectFailureText();
          return;
        }
        EXPECT_EQ(ReadWholeFile(kvf).size(), 8016u);
        EXPECT_TRUE(FileExists(dat));
        EXPECT_EQ(Status(), "New KorvelFile ( Fresh.kvf ) has been exported to this program's directory . . .");
      });
}

TEST_F(FaultTest, ExportsAndShareReportEveryFailedCopy) {
  const std::string kvf = CreateAndLoad("Exports");
  AddFile("a.au", FormatNamed("au")->samples[0].bytes);
  AddFile("b.wav", PcmWave(1, 8000, 16, IO_BLOCK_BYTES + 7));
  const std::string external = ScratchFile("outside.wav");
  WriteWholeFile(external, PcmWave(1, 8000, 16, 5000));
  struct Case {
    const char* what;
    std::function<void()> prepare;
    int command;
    std::string success;
    std::vector<std::pair<std::string, std::string>> copies;  // target, source once it succeeded
  } cases[] = {
      {"export current",
       [&] {
         LoadContainer(kvf);
         HeadlessSelectRow(appState.hwndEntryList, 0);
         Command(IDC_ENTRY_LIST, LIST_SELECTION_CHANGED);
       },
       CMD_EXPORT_CURRENT, "Completed. Wav file exported to program's directory",
       {{appState.singleExportPrefix + "1.au", appState.tempWavPath}}},
      {"export external", [&] { CommandWithDialog(CMD_PLAY_EXTERNAL, external); }, CMD_EXPORT_EXTERNAL,
       "External wav file saved to Documents\\KVP_Wavs (Exported as PCM)",
       {{appState.documentsWavDir + PATH_SEPARATOR + "ext_wav1.wav", external}}},
      {"export all", [&] { LoadContainer(kvf); }, CMD_EXPORT_ALL,
       "Completed. All wav files exported to program's directory",
       {{appState.massExportPrefix + "1.au", ScratchFile("a.au")}, {appState.massExportPrefix + "2.wav", ScratchFile("b.wav")}}},
      {"share", [&] { LoadContainer(kvf); }, CMD_SHARE_CURRENT,
       "Currently loaded kvf/dat files exported to Documents/Export_Kvf Folder",
       {{appState.shareKvfPrefix + "Exports.kvf", kvf}, {appState.shareDatPrefix + "Exports.dat", CompanionDatPath(kvf)}}},
  };
  for (Case& c : cases) {
    ForEveryFailure(
        c.what,
        [&] {
          appState.exportCounter = 0;
          appState.externalExportCounter = 0;
          c.prepare();
        },
        [&] { Command(c.command); },
        [&](bool failed) {
          if (Status() != c.success) {
            ASSERT_TRUE(failed);
            ExpectFailureText();
            return;
          }
          for (const auto& copy : c.copies) EXPECT_EQ(ReadWholeFile(copy.first), ReadWholeFile(copy.second)) << copy.first;
        });
  }
}

TEST_F(FaultTest, ConversionsFailWithoutLeavingHalfAWave) {
  for (const FormatRow& format : Formats()) {
    const std::string name = std::string("a.") + format.name;
    const std::string source = ScratchFile(name);
    WriteWholeFile(source, format.samples[0].bytes);
    // The output of a run without failures is the reference.
    CommandWithDialog(CMD_PLAY_EXTERNAL, source);
    ASSERT_EQ(appState.externalWavReady, 1) << name;
    const std::string output = appState.externalWavPath;
    const Bytes reference = ReadWholeFile(output);
    ForEveryFailure(
        "external " + name, [&] { fs::remove(output); },
        [&] { CommandWithDialog(CMD_PLAY_EXTERNAL, source); },
        [&](bool failed) {
          if (appState.externalWavReady != 1) {
            ASSERT_TRUE(failed);
            EXPECT_TRUE(Beeped());
            EXPECT_EQ(appState.conversionFailed, 1);
            EXPECT_FALSE(FileExists(output));
            EXPECT_TRUE(HeadlessCallsOf("sound-file").empty());
            return;
          }
          EXPECT_EQ(ReadWholeFile(output), reference);
        });
  }

  const std::string kvf = CreateAndLoad("Stored");
  std::vector<std::string> storable;
  for (const FormatRow& format : Formats()) {
    if (format.convertStored == nullptr) continue;
    storable.push_back(std::string("a.") + format.name);
    AddFile(storable.back(), format.samples[0].bytes);
  }
  for (std::size_t row = 0; row < storable.size(); ++row) {
    auto play = [&] {
      HeadlessSelectRow(appState.hwndEntryList, static_cast<int>(row));
      Command(IDC_ENTRY_LIST, LIST_SELECTION_CHANGED);
    };
    LoadContainer(kvf);
    play();
    ASSERT_EQ(appState.wavTypeKnown, 1) << storable[row];
    const Bytes reference = ReadWholeFile(appState.decodedWavPath);
    ForEveryFailure(
        "stored " + storable[row],
        [&] {
          fs::remove(appState.decodedWavPath);
          LoadContainer(kvf);
        },
        play,
        [&](bool failed) {
          if (appState.wavTypeKnown != 1) {
            ASSERT_TRUE(failed);
            EXPECT_EQ(Status(), "Unidentified wav_type. Play may have failed . . .");
            EXPECT_FALSE(FileExists(appState.decodedWavPath));
            EXPECT_TRUE(HeadlessCallsOf("sound-file").empty());
            return;
          }
          EXPECT_EQ(ReadWholeFile(appState.decodedWavPath), reference);
          EXPECT_EQ(Status().rfind("Now playing stored", 0), 0u) << Status();
        });
  }
}

}  // namespace

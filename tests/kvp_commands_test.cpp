// kvp's own front end on containers whose name list does not match their entries: every command runs to a status of
// 0 or 1 with the program's texts, and a play names its entry as the program's lookup named it, or by its number.
#include <sstream>

#include "app/kvp_commands.h"
#include "state/app_state.h"
#include "tests/test_support.h"

namespace {

Strings playedNames;

void RecordPlay(const std::string&, const std::string& name) { playedNames.push_back(name); }

class KvpCommandsTest : public ProgramTest {
 protected:
  // Runs kvp with the scratch folders; what it printed is in out and err.
  int Kvp(const Strings& words) {
    std::ostringstream outStream;
    std::ostringstream errStream;
    KvpHost host;
    host.playWave = RecordPlay;
    host.out = &outStream;
    host.err = &errStream;
    Strings arguments = {"--program-dir", programFolder, "--documents-dir", documentsFolder};
    arguments.insert(arguments.end(), words.begin(), words.end());
    playedNames.clear();
    const int status = RunKvp(arguments, host);
    out = outStream.str();
    err = errStream.str();
    return status;
  }

  // A three-entry container Box.kvf made and filled by kvp; the name list removed first when namesLogged, so that
  // the names go to CrcLog.dat.
  void MakeBox(bool namesLogged) {
    box = ProgramFile("Box.kvf");
    WriteWholeFile(ScratchFile("a.wav"), PcmWave(1, 8000, 16, 800));
    WriteWholeFile(ScratchFile("b.au"), AuFile(1, 8000, 1, PatternBytes(400)));
    WriteWholeFile(ScratchFile("c.wav"), PcmWave(2, 11025, 8, 600));
    WriteWholeFile(ScratchFile("d.wav"), PcmWave(1, 22050, 16, 200));
    ASSERT_EQ(Kvp({"new", "Box"}), KVP_DONE) << err;
    if (namesLogged) std::filesystem::remove(ProgramFile("Box.dat"));
    ASSERT_EQ(Kvp({"add", box, ScratchFile("a.wav"), ScratchFile("b.au"), ScratchFile("c.wav")}), KVP_DONE) << err;
  }

  Strings ListedRows() {
    EXPECT_EQ(Kvp({"list", box}), KVP_DONE) << err;
    Strings rows;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) rows.push_back(line);
    EXPECT_EQ(rows.back(), "There are 0 to 3 valid entries within .kvf file");
    rows.pop_back();
    return rows;
  }

  // Every command that reads the container, then an add and a play of the added entry.
  void RunEveryCommand(const std::string& nameOfEntry2, const std::string& playText, const std::string& shareText) {
    EXPECT_EQ(Kvp({"play", box, "2"}), KVP_DONE) << err;
    EXPECT_NE(out.find(playText + " Duration: "), std::string::npos) << out;
    EXPECT_EQ(playedNames, Strings{nameOfEntry2});
    EXPECT_EQ(Kvp({"export", box, "3"}), KVP_DONE) << err;
    EXPECT_NE(out.find("Completed. Wav file exported"), std::string::npos) << out;
    EXPECT_EQ(Kvp({"export-all", box}), KVP_DONE) << err;
    EXPECT_NE(out.find("Completed. All wav files exported"), std::string::npos) << out;
    EXPECT_EQ(Kvp({"share", box}), shareText.rfind("Oops", 0) == 0 ? KVP_REFUSED : KVP_DONE) << err;
    EXPECT_NE(out.find(shareText), std::string::npos) << out;
    EXPECT_EQ(Kvp({"add", box, ScratchFile("d.wav")}), KVP_DONE) << err;
    EXPECT_EQ(Kvp({"play", box, "4"}), KVP_DONE) << err;
    EXPECT_EQ(playedNames, Strings{"\"d.wav\""});
    EXPECT_EQ(Kvp({"play", box, "5"}), KVP_USAGE);
    EXPECT_NE(err.find("kvp: entry 5 is beyond the 4 entries"), std::string::npos) << err;
  }

  std::string box;
  std::string out;
  std::string err;
};

const char* const SHARED = "Currently loaded kvf/dat files exported to Documents/Export_Kvf Folder";

TEST_F(KvpCommandsTest, NamesLoggedBecauseTheListWasMissing) {
  MakeBox(true);
  EXPECT_EQ(ListedRows(), Strings{"No playlist was found for selected .kvf file . . ."});
  RunEveryCommand("\"b.au\"", "Now playing stored  \"b.au\"",
                  "Oops.  It seems something went wrong and file creation has failed . . .");
}

TEST_F(KvpCommandsTest, ListMissingEverywhere) {
  MakeBox(false);
  std::filesystem::remove(ProgramFile("Box.dat"));
  EXPECT_EQ(ListedRows(), Strings{"No playlist was found for selected .kvf file . . ."});
  RunEveryCommand("entry 2", "", "Oops.  It seems something went wrong and file creation has failed . . .");
}

TEST_F(KvpCommandsTest, ListShorterThanTheEntries) {
  MakeBox(false);
  const Bytes dat = ReadWholeFile(ProgramFile("Box.dat"));
  WriteWholeFile(ProgramFile("Box.dat"), Head(dat, dat.size() / 3));
  EXPECT_EQ(ListedRows(), Strings{" \"a.wav\""});
  RunEveryCommand("entry 2", "Now playing stored (unidentified name)", SHARED);
}

TEST_F(KvpCommandsTest, ListLongerThanTheEntries) {
  MakeBox(false);
  Bytes dat = ReadWholeFile(ProgramFile("Box.dat"));
  const Bytes extra = BytesOf(" 12345678 \"gone.wav\"\r\n 12345600 \"gone.wav\"\r\n");
  dat.insert(dat.end(), extra.begin(), extra.end());
  WriteWholeFile(ProgramFile("Box.dat"), dat);
  EXPECT_EQ(ListedRows(), (Strings{" \"a.wav\"", " \"b.au\"", " \"c.wav\"", " \"gone.wav\""}));
  RunEveryCommand("\"b.au\"", "Now playing stored  \"b.au\"", SHARED);
}

TEST_F(KvpCommandsTest, ListEmpty) {
  MakeBox(false);
  WriteWholeFile(ProgramFile("Box.dat"), {});
  EXPECT_EQ(ListedRows(), Strings{});
  RunEveryCommand("entry 2", "", SHARED);
}

}  // namespace

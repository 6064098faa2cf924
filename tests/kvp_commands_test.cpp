// kvp's own front end: what it prints and its exit status for its options, usage mistakes and refusals; and
// containers whose name list does not match their entries, on which every command runs to a status of 0 or 1 and a
// play names its entry as the program's lookup named it, or by its number.
#include <map>
#include <sstream>

#include "app/kvp_commands.h"
#include "tests/test_support.h"

class KvpCommandsTest : public ProgramTest {};

// Each row: kvp's words (BOX stands for the container, DIR for the scratch folder, '' for an empty word), its exit
// status and a text among what it printed. The plain successes' texts: the Windows driver's session.
TEST_F(KvpCommandsTest, OptionsUsageMistakesAndRefusals) {
  const std::map<std::string, std::string> words = {
      // clang-format off
      {"BOX", ProgramFile("Box.kvf")},
      {"DIR", root.string()},
      {"''", ""},
      // clang-format on
  };
  WriteWholeFile(ScratchFile("one.wav"), PcmWave(2, 44100, 16, 65536));
  WriteWholeFile(ScratchFile("two.au"), AuFile(1, 8000, 1, Bytes(99976)));  // 12.5 s of mu-law
  WriteWholeFile(ScratchFile("bad.au"), AuFile(4, 8000, 1, Bytes(100)));    // an encoding no path takes
  const struct {
    const char* words;
    int status;
    const char* text;
  } rows[] = {
      {"new Box", KVP_DONE, "New KorvelFile ( Box.kvf )"},
      {"add BOX DIR/one.wav DIR/two.au", KVP_DONE, "The wav file labeled ' two.au ' has been added"},
      {"--state play BOX 2", KVP_DONE, "\nisAu=1\n"},
      {"--state open DIR/two.au", KVP_DONE, "\ndurationMs=12000\nreplayDurationMs=0\n"},
      {"open DIR/two.au --export", KVP_DONE, "External wav file saved to Documents\\KVP_Wavs (Exported as PCM)"},
      {"--pcm export BOX 2", KVP_DONE, "Completed. Wav file exported to program's directory (Export Folder)"},
      {"--documents export-all BOX", KVP_DONE, "Completed. All wav files exported to Documents\\KVP_Wavs"},
      {"--help", KVP_DONE, "export-all CONTAINER"},
      {"bogus", KVP_USAGE, "kvp: unknown command 'bogus'"},
      {"play BOX abc", KVP_USAGE, "kvp: 'abc' is not an entry number"},
      {"play BOX -1", KVP_USAGE, "kvp: '-1' is not an entry number"},
      {"play BOX 99999999999999999999", KVP_USAGE, "kvp: '99999999999999999999' is not an entry number"},
      {"play BOX 2147483647", KVP_USAGE, "kvp: entry 2147483647 is beyond the 2 entries"},
      {"play BOX 3", KVP_USAGE, "kvp: entry 3 is beyond the 2 entries"},
      {"list", KVP_USAGE, "kvp: wrong arguments for list"},
      {"--frob list BOX", KVP_USAGE, "kvp: unknown option '--frob'"},
      {"--program-dir '' list BOX", KVP_USAGE, "kvp: --program-dir needs a folder"},
      {"--documents-dir '' list BOX", KVP_USAGE, "kvp: --documents-dir needs a folder"},
      {"list DIR/Missing.kvf", KVP_REFUSED, "Kor_Vel_Player: Could not find, or open selected file. .."},
      {"list DIR", KVP_REFUSED, "Could not find, or open selected file. .."},
      {"play DIR/Missing.kvf 1", KVP_REFUSED, "Operation aborted . . ."},
      {"open DIR", KVP_REFUSED, "kvp: refused: Play_Wav of "},
      {"open two.unknown", KVP_REFUSED, "kvp: refused: Play_Wav of two.unknown"},
      {"open DIR/bad.au", KVP_REFUSED, "kvp: refused: Play_Wav of "},
  };
  for (const auto& row : rows) {
    Strings typed;
    std::istringstream split(row.words);
    for (std::string word; split >> word;) {
      const std::string key = word.substr(0, word.find('/'));
      typed.push_back(words.count(key) == 1 ? words.at(key) + word.substr(key.size()) : word);
    }
    EXPECT_EQ(Kvp(typed), row.status) << row.words;
    EXPECT_NE((kvpOut + kvpErr).find(row.text), std::string::npos) << row.words << ": " << kvpOut << kvpErr;
  }
  EXPECT_EQ(ReadWholeFile(documentsFolder + "/KVP_Wavs/KVFM_Wav2.au"), ReadWholeFile(ScratchFile("two.au")));
}

// The name list after three adds (a.wav, b.au, c.wav; f.wav, added last, has a CRC of seven digits): the names logged
// in CrcLog.dat because the list was missing then, or a list missing now, cut to its first third, longer by one pair,
// or empty.
enum class NameList { Logged, Missing, Shorter, Longer, Empty };

TEST_F(KvpCommandsTest, NameListsThatDoNotMatchTheEntries) {
  const std::string noList = "No playlist was found for selected .kvf file . . .";
  const std::string named = "Now playing stored  \"b.au\"";
  const struct {
    NameList list;
    Strings rows;        // as list prints them
    const char* entry2;  // what a play of entry 2 is called
    std::string text;    // the status of that play, before " Duration: "
    bool shared;
  } cases[] = {{NameList::Logged, {noList}, "\"b.au\"", named, false},
               {NameList::Missing, {noList}, "entry 2", "", false},
               {NameList::Shorter, {" \"a.wav\""}, "entry 2", "Now playing stored (unidentified name)", true},
               {NameList::Longer, {" \"a.wav\"", " \"b.au\"", " \"c.wav\"", " \"gone.wav\""}, "\"b.au\"", named, true},
               {NameList::Empty, {}, "entry 2", "", true}};
  WriteWholeFile(ScratchFile("a.wav"), PcmWave(1, 8000, 16, 800));
  WriteWholeFile(ScratchFile("b.au"), AuFile(1, 8000, 1, PatternBytes(400)));
  WriteWholeFile(ScratchFile("c.wav"), PcmWave(2, 11025, 8, 600));
  WriteWholeFile(ScratchFile("f.wav"), PcmWave(1, 22050, 16, 200));
  const std::string loaded = "There are 0 to 3 valid entries within .kvf file\n";
  const std::string box = ProgramFile("Box.kvf");
  const std::string dat = ProgramFile("Box.dat");
  for (const auto& c : cases) {
    SCOPED_TRACE("name list " + std::to_string(static_cast<int>(c.list)));
    for (const std::string& file : {box, dat, ProgramFile("CrcLog.dat")}) std::filesystem::remove(file);
    ASSERT_EQ(Kvp({"new", "Box"}), KVP_DONE) << kvpErr;
    if (c.list == NameList::Logged) std::filesystem::remove(dat);
    ASSERT_EQ(Kvp({"add", box, ScratchFile("a.wav"), ScratchFile("b.au"), ScratchFile("c.wav")}), KVP_DONE) << kvpErr;
    const Bytes listed = ReadWholeFile(dat);
    const std::string names(listed.begin(), listed.end());
    if (c.list == NameList::Missing) std::filesystem::remove(dat);
    if (c.list == NameList::Shorter) WriteWholeFile(dat, BytesOf(names.substr(0, names.size() / 3)));
    if (c.list == NameList::Longer)
      WriteWholeFile(dat, BytesOf(names + " 12345678 \"gone.wav\"\r\n 12345600 \"gone.wav\"\r\n"));
    if (c.list == NameList::Empty) WriteWholeFile(dat, {});
    std::string rows;
    for (const std::string& row : c.rows) rows += row + "\n";
    EXPECT_EQ(Kvp({"list", box}), KVP_DONE) << kvpErr;
    EXPECT_EQ(kvpOut, rows + loaded);
    EXPECT_EQ(Kvp({"play", box, "2"}), KVP_DONE) << kvpErr;
    EXPECT_NE(kvpOut.find("\n" + c.text + " Duration: "), std::string::npos) << kvpOut;
    EXPECT_EQ(kvpPlayedNames, Strings{c.entry2});
    EXPECT_EQ(Kvp({"export", box, "3"}), KVP_DONE) << kvpErr;
    EXPECT_EQ(Kvp({"export-all", box}), KVP_DONE) << kvpErr;
    EXPECT_EQ(Kvp({"share", box}), c.shared ? KVP_DONE : KVP_REFUSED) << kvpErr;
    EXPECT_EQ(Kvp({"add", box, ScratchFile("f.wav")}), KVP_DONE) << kvpErr;
    EXPECT_EQ(kvpOut, loaded + "Adding wav . . . please, wait . . .\n" +
                          "The wav file labeled ' f.wav ' has been added to slected kvf file . . \n");
    EXPECT_EQ(Kvp({"play", box, "4"}), KVP_DONE) << kvpErr;
    EXPECT_EQ(kvpPlayedNames, Strings{"\"f.wav\""});
    EXPECT_EQ(Kvp({"play", box, "5"}), KVP_USAGE);
    EXPECT_NE(kvpErr.find("kvp: entry 5 is beyond the 4 entries"), std::string::npos) << kvpErr;
  }
}

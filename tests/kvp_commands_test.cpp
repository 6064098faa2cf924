// kvp's own front end: what it prints and its exit status for its options, usage mistakes and refusals; and
// containers whose name list does not match their entries, on which every command runs to a status of 0 or 1 and a
// play names its entry as the program's lookup named it, or by its number.
#include <filesystem>
#include <tuple>

#include "app/kvp_commands.h"
#include "tests/test_support.h"

class KvpCommandsTest : public ProgramTest {};

// Each row: kvp's words, its exit status and a text among what it printed. The plain successes' texts: the Windows
// driver's session.
TEST_F(KvpCommandsTest, OptionsUsageMistakesAndRefusals) {
  WriteWholeFile(ScratchFile("one.wav"), PcmWave(2, 44100, 16, 65536));
  WriteWholeFile(ScratchFile("two.au"), AuFile(1, 8000, 1, Bytes(99976)));  // 12.5 s of mu-law
  WriteWholeFile(ScratchFile("bad.au"), AuFile(4, 8000, 1, Bytes(100)));    // an encoding no path takes
  const std::string box = ProgramFile("Box.kvf");
  const std::string two = ScratchFile("two.au");
  const std::tuple<Strings, int, const char*> rows[] = {
      {{"new", "Box"}, KVP_DONE, "New KorvelFile ( Box.kvf )"},
      {{"add", box, ScratchFile("one.wav"), two}, KVP_DONE, "The wav file labeled ' two.au ' has been added"},
      {{"--state", "play", box, "2"}, KVP_DONE, "\nisAu=1\n"},
      {{"--state", "open", two}, KVP_DONE, "\ndurationMs=12000\nreplayDurationMs=0\n"},
      {{"open", two, "--export"}, KVP_DONE, "External wav file saved to Documents\\KVP_Wavs (Exported as PCM)"},
      {{"--pcm", "export", box, "2"}, KVP_DONE, "Completed. Wav file exported to program's directory (Export Folder)"},
      {{"--documents", "export-all", box}, KVP_DONE, "Completed. All wav files exported to Documents\\KVP_Wavs"},
      {{"--help"}, KVP_DONE, "export-all CONTAINER"},
      {{"bogus"}, KVP_USAGE, "kvp: unknown command 'bogus'"},
      {{"play", box, "abc"}, KVP_USAGE, "kvp: 'abc' is not an entry number"},
      {{"play", box, "-1"}, KVP_USAGE, "kvp: '-1' is not an entry number"},
      {{"play", box, "99999999999999999999"}, KVP_USAGE, "kvp: '99999999999999999999' is not an entry number"},
      {{"play", box, "2147483647"}, KVP_USAGE, "kvp: entry 2147483647 is beyond the 2 entries"},
      {{"play", box, "3"}, KVP_USAGE, "kvp: entry 3 is beyond the 2 entries"},
      {{"list"}, KVP_USAGE, "kvp: wrong arguments for list"},
      {{"--frob", "list", box}, KVP_USAGE, "kvp: unknown option '--frob'"},
      {{"--program-dir", "", "list", box}, KVP_USAGE, "kvp: --program-dir needs a folder"},
      {{"--documents-dir", "", "list", box}, KVP_USAGE, "kvp: --documents-dir needs a folder"},
      {{"list", root.string()}, KVP_REFUSED, "Kor_Vel_Player: Could not find, or open selected file. .."},
      {{"play", ScratchFile("Missing.kvf"), "1"}, KVP_REFUSED, "Operation aborted . . ."},
      {{"open", root.string()}, KVP_REFUSED, "kvp: refused: Play_Wav of "},
      {{"open", "two.unknown"}, KVP_REFUSED, "kvp: refused: Play_Wav of two.unknown"},
      {{"open", ScratchFile("bad.au")}, KVP_REFUSED, "kvp: refused: Play_Wav of "},
  };
  for (const auto& [words, status, text] : rows) {
    SCOPED_TRACE(::testing::PrintToString(words));
    EXPECT_EQ(Kvp(words), status);
    EXPECT_NE((kvpOut + kvpErr).find(text), std::string::npos) << kvpOut << kvpErr;
  }
  EXPECT_EQ(ReadWholeFile(documentsFolder + "/KVP_Wavs/KVFM_Wav2.au"), ReadWholeFile(two));
  // A later run on the same folders goes back to the first one's start, and still does what it did on disk.
  std::filesystem::remove_all(documentsFolder + "/KVP_Wavs");
  EXPECT_EQ(Kvp({"list", box}), KVP_DONE);
  EXPECT_TRUE(std::filesystem::is_directory(documentsFolder + "/KVP_Wavs"));
}

// The name list after three adds (a.wav, b.au, c.wav; f.wav, added last, has a CRC of seven digits): the names logged
// in CrcLog.dat because the list was missing then, or a list missing now, cut to its first third, longer by one pair,
// or empty. (Share with no list: the command suite's refusals; exports whatever the names: the fuzz invariants.)
enum class NameList { Logged, Missing, Shorter, Longer, Empty };

TEST_F(KvpCommandsTest, NameListsThatDoNotMatchTheEntries) {
  const std::string noList = "No playlist was found for selected .kvf file . . .\n";
  const std::string named = "Now playing stored  \"b.au\"";
  // The name list, its rows as list prints them, what a play of entry 2 is called and its status before " Duration: ".
  const std::tuple<NameList, std::string, const char*, std::string> cases[] = {
      {NameList::Logged, noList, "\"b.au\"", named},
      {NameList::Missing, noList, "entry 2", ""},
      {NameList::Shorter, " \"a.wav\"\n", "entry 2", "Now playing stored (unidentified name)"},
      {NameList::Longer, " \"a.wav\"\n \"b.au\"\n \"c.wav\"\n \"gone\"\n", "\"b.au\"", named},
      {NameList::Empty, "", "entry 2", ""}};
  WriteWholeFile(ScratchFile("a.wav"), PcmWave(1, 8000, 16, 800));
  WriteWholeFile(ScratchFile("b.au"), AuFile(1, 8000, 1, PatternBytes(400)));
  WriteWholeFile(ScratchFile("c.wav"), PcmWave(2, 11025, 8, 600));
  WriteWholeFile(ScratchFile("f.wav"), PcmWave(1, 22050, 16, 200));
  const std::string loaded = "There are 0 to 3 valid entries within .kvf file\n";
  const std::string box = ProgramFile("Box.kvf");
  const std::string dat = ProgramFile("Box.dat");
  for (const auto& [list, rows, entry2, text] : cases) {
    SCOPED_TRACE("name list " + std::to_string(static_cast<int>(list)));
    for (const std::string& file : {box, dat, ProgramFile("CrcLog.dat")}) std::filesystem::remove(file);
    ASSERT_EQ(Kvp({"new", "Box"}), KVP_DONE) << kvpErr;
    if (list == NameList::Logged) std::filesystem::remove(dat);
    ASSERT_EQ(Kvp({"add", box, ScratchFile("a.wav"), ScratchFile("b.au"), ScratchFile("c.wav")}), KVP_DONE) << kvpErr;
    const Bytes listed = ReadWholeFile(dat);
    const std::string names(listed.begin(), listed.end());
    if (list == NameList::Missing) std::filesystem::remove(dat);
    if (list == NameList::Shorter) WriteWholeFile(dat, BytesOf(names.substr(0, names.size() / 3)));
    if (list == NameList::Longer) WriteWholeFile(dat, BytesOf(names + " 12345678 \"gone\"\r\n 12345600 \"gone\"\r\n"));
    if (list == NameList::Empty) WriteWholeFile(dat, {});
    EXPECT_EQ(Kvp({"list", box}), KVP_DONE) << kvpErr;
    EXPECT_EQ(kvpOut, rows + loaded);
    EXPECT_EQ(Kvp({"play", box, "2"}), KVP_DONE) << kvpErr;
    EXPECT_NE(kvpOut.find("\n" + text + " Duration: "), std::string::npos) << kvpOut;
    EXPECT_EQ(kvpPlayedNames, Strings{entry2});
    EXPECT_EQ(Kvp({"add", box, ScratchFile("f.wav")}), KVP_DONE) << kvpErr;
    EXPECT_EQ(kvpOut, loaded + "Adding wav . . . please, wait . . .\n" +
                          "The wav file labeled ' f.wav ' has been added to slected kvf file . . \n");
    EXPECT_EQ(Kvp({"play", box, "4"}), KVP_DONE) << kvpErr;
    EXPECT_EQ(kvpPlayedNames, Strings{"\"f.wav\""});
  }
}

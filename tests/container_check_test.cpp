// kvp check and repair on a container of three entries (100, 50 and 30 bytes from 8016; the file ends at 8196) damaged
// one way at a time. The fuzz entry "container_repair" holds what every input meets (check changes nothing, a failed
// repair changes nothing, a mend loses no byte and checks clean); here: the code words and statuses, which entries a
// mend keeps, what kvp prints, the plan writing nothing, and a write failing at each step.
#include <algorithm>
#include <functional>
#include <map>

#include "library/container.h"
#include "library/container_check.h"
#include "tests/test_support.h"

namespace {

// The fourth entry is what a torn add leaves past the count; three entries have no such name.
const char* const NAMES[] = {"one.wav", "two.wav", "three.wav", "four.wav"};
const char* const LOGGED_NAMES[] = {"one.wav", "take4699175.wav", "three.wav"};  // the second has two.wav's key
const std::size_t BOUNDS[] = {8016, 8116, 8166, 8196, 8236};  // entry k runs from BOUNDS[k - 1] to BOUNDS[k]
// The words of an index record, in order; the header is record 0, its fourth word the count.
enum RecordField { KEY, SIZE, START, END, COUNT = END };

using Edit = std::function<void(Bytes& kvf, std::string& dat)>;

// The first count entries as a container, and their name list.
Bytes BoxOf(std::size_t count) {
  std::vector<Bytes> entries;
  std::vector<std::uint32_t> keys;
  for (std::size_t i = 0; i < count; ++i) {
    entries.push_back(PatternBytes(BOUNDS[i + 1] - BOUNDS[i], std::uint32_t(i + 1)));
    keys.push_back(NameKeyOf(~ComputeNameCrc(NAMES[i])));
  }
  return KvfFile(entries, keys);
}

std::string NamesOf(std::size_t count, const char* const* names = NAMES) {
  std::string list;
  for (std::size_t i = 0; i < count; ++i) list += NameListPair(~ComputeNameCrc(names[i]), names[i]);
  return list;
}

Edit Set(int entry, RecordField field, std::uint32_t value) {
  return [=](Bytes& kvf, std::string&) { WriteU32Le(&kvf[static_cast<std::size_t>(16 * entry + 4 * field)], value); };
}
Edit CutTo(std::size_t size) {
  return [size](Bytes& kvf, std::string&) { kvf.resize(size); };
}

class ContainerCheckTest : public ProgramTest {
 protected:
  // A fresh program folder with the pair (no .dat when dat is empty) and a CrcLog.dat whose second name is not the
  // .dat's: the .dat's names come first.
  void Place(const Bytes& kvf, const std::string& dat) {
    std::filesystem::remove_all(programFolder);
    std::filesystem::create_directories(programFolder);
    box = ProgramFile("Box.kvf");
    WriteWholeFile(box, kvf);
    if (!dat.empty()) WriteWholeFile(ProgramFile("Box.dat"), BytesOf(dat));
    WriteWholeFile(ProgramFile("CrcLog.dat"), BytesOf(NamesOf(3, LOGGED_NAMES)));
  }

  std::string box;
};

// Each damage, and a cut anywhere: check's findings, a plan that writes nothing, and a mend to the entries left whole
// and their names; the bytes after them, if any, go to the salvage.
TEST_F(ContainerCheckTest, FindsEachDamageAndMendsToTheWholeEntries) {
  struct Damage {
    std::string what;
    Edit edit;
    int status;
    const char* codes;  // the code words of check's findings, in order (none when it is no container); nullptr: any
    int kept;           // the entries a mend keeps, with their names; -1: not checked here
  };
  std::vector<Damage> damages = {
      {"healthy", CutTo(8196), 0, "", 3},
      {"one byte more", CutTo(8197), 1, "trailing-bytes", 3},
      {"cut after the first record", CutTo(32), 1, "index-cut-short past-end count-ahead stray-name stray-name", 0},
      {"shorter than a header", CutTo(15), 3, "", -1},
      {"another header", Set(0, KEY, 0x51), 3, "", -1},
      {"count at the limit", Set(0, COUNT, 499), 1, "not-after-previous count-ahead", 3},
      {"count over the limit", Set(0, COUNT, 500), 1, "count-over-limit not-after-previous count-ahead", 3},
      {"entry 2's end one off", Set(2, END, 8167), 1, "size-mismatch not-after-previous count-ahead", 1},
      {"entry 2's size one more", Set(2, SIZE, 51), 1, "size-mismatch count-ahead", 1},
      {"entry 1 moved", Set(1, START, 8020), 1, "size-mismatch first-entry-start count-ahead", 0},
      {"a record in the last slot", Set(500, KEY, 1), 1, "stray-record", 3},
      {"entry 2's key changed", Set(2, KEY, 0x12345600), 1, "unnamed-entry stray-name", -1},
      {"entry 2's key too short for a line", Set(2, KEY, 0xffff), 1, "stray-name", -1},
      {"name list missing", [](Bytes&, std::string& dat) { dat.clear(); }, 1, "no-name-list", -1},
      {"a broken line", [](Bytes&, std::string& dat) { dat += " 1234 \"x\"\r\n"; }, 1, "bad-line", 3},
      {"a stray name twice", [](Bytes&, std::string& dat) { dat += NamesOf(1, NAMES + 3) + NamesOf(1, NAMES + 3); }, 1,
       "stray-name", 3},
  };
  for (const std::size_t cut : {17, 100, 4000, 8000, 8015, 8016, 8017, 8115, 8116, 8117, 8165, 8166, 8167, 8195}) {
    const auto kept = std::upper_bound(BOUNDS + 1, BOUNDS + 4, cut) - (BOUNDS + 1);
    damages.push_back({"cut at " + std::to_string(cut), CutTo(cut), 1, nullptr, int(kept)});
  }
  for (const Damage& damage : damages) {
    SCOPED_TRACE(damage.what);
    Bytes kvf = BoxOf(3);
    std::string dat = NamesOf(3);
    damage.edit(kvf, dat);
    Place(kvf, dat);
    EXPECT_EQ(Kvp({"check", box}), damage.status);
    std::string codes;
    for (const auto& finding : appState.containerReport.findings)
      codes += std::string(" ") + FindingCodeWord(finding.code);
    codes.erase(0, 1);
    EXPECT_EQ(codes, damage.codes != nullptr ? damage.codes : codes);
    const auto before = FilesUnder(programFolder);
    EXPECT_EQ(Kvp({"repair", box}), damage.status);
    EXPECT_EQ(FilesUnder(programFolder), before);
    EXPECT_EQ(Kvp({"repair", box, "--apply"}), damage.status == 3 ? 3 : 0) << kvpOut << kvpErr;
    EXPECT_FALSE(FileExists(ProgramFile("Box.repair.kvf")));  // left when only the name list is mended
    EXPECT_EQ(kvpOut.find("unnamed") == std::string::npos, codes.find("unnamed") == std::string::npos) << kvpOut;
    if (damage.kept < 0) continue;
    const std::size_t kept = std::size_t(damage.kept);
    EXPECT_EQ(ReadWholeFile(box), BoxOf(kept));
    EXPECT_EQ(ReadWholeFile(ProgramFile("Box.dat")), BytesOf(NamesOf(kept)));
    EXPECT_EQ(FileExists(ProgramFile("Box.salvage")), kvf.size() > BOUNDS[kept]);
  }
  for (const std::string& notAContainer : {documentsFolder, ProgramFile("Missing.kvf")}) {
    EXPECT_EQ(Kvp({"check", notAContainer}), 3);
    EXPECT_EQ(kvpOut.rfind("error not-a-container ", 0), 0u) << kvpOut;
    EXPECT_EQ(Kvp({"repair", notAContainer, "--apply"}), 3);
  }
  Place(BoxOf(0), "");
  WriteWholeFile(ProgramFile("Box.dat"), {});
  EXPECT_EQ(Kvp({"check", box}), 0) << kvpOut;
  EXPECT_EQ(Kvp({"repair", box}), 0) << kvpOut;
}

// An add that stopped after writing its bytes and record, but not the count, is adopted.
TEST_F(ContainerCheckTest, RepairAdoptsATornAdd) {
  Bytes torn = BoxOf(4);
  WriteU32Le(&torn[ENTRY_COUNT_OFFSET], 3);
  Place(torn, NamesOf(3));
  EXPECT_EQ(Kvp({"check", box}), 1);
  EXPECT_EQ(kvpOut,
            "error trailing-bytes offset 8196: 40 bytes after the last entry belong to no entry\n"
            "warning stray-record slot 4: holds a record, but the entry count is 3\n"
            "Box.kvf: 3 entries, 1 error, 1 warning\n");
  EXPECT_EQ(Kvp({"repair", box}), 1);
  EXPECT_EQ(kvpOut,
            "would adopt the 40 bytes at offset 8196 as entry 4, as the record in slot 4 describes them\n"
            "would set the entry count from 3 to 4\n"
            "entry 4 (key 02764db3) would stay unnamed: no name list holds its name\n"
            "Box.kvf: 2 steps; kvp repair --apply takes them\n");
  ASSERT_EQ(Kvp({"repair", box, "--apply"}), 0) << kvpErr;
  EXPECT_EQ(ReadWholeFile(box), BoxOf(4));
}

TEST_F(ContainerCheckTest, RepairThatFailsAtAnyWriteLeavesThePairAsItWas) {
  for (const bool withNameList : {true, false}) {
    SCOPED_TRACE(withNameList ? "a broken line" : "no name list");
    Place(Head(BoxOf(3), 8180), withNameList ? NamesOf(3) + "rubbish\r\n" : "");
    WriteWholeFile(box + ".bak", {});  // an older backup and salvage: the repair takes the next free names
    std::filesystem::create_directories(ProgramFile("Box.salvage"));
    const auto before = FilesUnder(root.string());
    int status = 1;
    long failingWrite = 0;
    while (status != 0 && ++failingWrite < 100) {
      IoFailAt(failingWrite);
      status = Kvp({"repair", box, "--apply"});
      IoFailAt(0);
      EXPECT_TRUE(status == 0 || FilesUnder(root.string()) == before) << "failing write " << failingWrite;
    }
    EXPECT_EQ(status, 0);
    EXPECT_GE(failingWrite, 9);  // failed: the temporary pair, the salvage, the two backups and the two moves
    EXPECT_EQ(ReadWholeFile(box), BoxOf(2));
    EXPECT_NE(kvpOut.find("kept " + ProgramFile("Box.salvage.1") + "\n"), std::string::npos) << kvpOut;
  }
}

}  // namespace

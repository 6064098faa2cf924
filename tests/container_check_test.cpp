// kvp check and repair on a three-entry container damaged one way at a time. check: the code words of its findings,
// in order, and its exit status; it changes no file and makes none. repair: its plan writes nothing; applied, it keeps
// exactly the entries that fit, the backup is the damaged file, kept entries and salvage hold every data byte, and the
// result checks clean and loads; a write failing at any step leaves the damaged pair as it was and nothing else.
#include <functional>
#include <map>
#include <sstream>

#include "app/kvp_commands.h"
#include "io/byte_order.h"
#include "io/file_io.h"
#include "library/container.h"
#include "state/app_state.h"
#include "tests/test_support.h"

namespace {

const char* const NAMES[] = {"one.wav", "two.wav", "three.wav"};

std::uint32_t KeyOf(const std::string& name) { return NameKeyOf(~ComputeNameCrc(name)); }

void SetRecordField(Bytes& kvf, int entry, int field, std::uint32_t value) {
  WriteU32Le(&kvf[static_cast<std::size_t>(16 * entry + 4 * field)], value);
}

void Append(Bytes& bytes, const Bytes& more) { bytes.insert(bytes.end(), more.begin(), more.end()); }

struct Damage {
  const char* what;
  std::function<void(Bytes& kvf, Bytes& dat)> apply;
  int status;
  const char* codes;  // the code words of the findings, in the order printed
};

// Every file under folder, with its bytes.
std::map<std::string, Bytes> FilesUnder(const std::string& folder) {
  std::map<std::string, Bytes> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    if (entry.is_regular_file()) files[entry.path().string()] = ReadWholeFile(entry.path().string());
  }
  return files;
}

class ContainerCheckTest : public ProgramTest {
 protected:
  int Kvp(const Strings& words, std::string& printed) {
    std::ostringstream out;
    KvpHost host;
    host.out = &out;
    host.err = &out;
    Strings arguments = {"--program-dir", programFolder, "--documents-dir", documentsFolder};
    arguments.insert(arguments.end(), words.begin(), words.end());
    const int status = RunKvp(arguments, host);
    printed = out.str();
    return status;
  }

  // kvp check on the container at path: its status; the code word of each line but the summary goes into codes.
  int Check(const std::string& path, std::string& codes) {
    std::string printed;
    const int status = Kvp({"check", path}, printed);
    std::istringstream lines(printed);
    std::string severity;
    std::string code;
    std::string rest;
    codes.clear();
    while (lines >> severity >> code && std::getline(lines, rest)) {
      if (severity == "error" || severity == "warning") codes += (codes.empty() ? "" : " ") + code;
    }
    return status;
  }

  // A container of three entries of these sizes, and its name list.
  void MakeHealthy(const std::vector<std::size_t>& sizes) {
    std::vector<std::uint32_t> keys;
    healthyEntries.clear();
    healthyDat.clear();
    for (std::size_t i = 0; i < sizes.size(); ++i) {
      healthyEntries.push_back(PatternBytes(sizes[i], static_cast<std::uint32_t>(i + 1)));
      keys.push_back(KeyOf(NAMES[i]));
      Append(healthyDat, BytesOf(NameListPair(~ComputeNameCrc(NAMES[i]), NAMES[i])));
    }
    healthy = KvfFile(healthyEntries, keys);
  }

  // What a mended container of the first kept entries is: the builder's container and their name pairs.
  void ExpectMended(std::size_t kept) {
    const std::vector<Bytes> entries(healthyEntries.begin(), healthyEntries.begin() + static_cast<long>(kept));
    std::vector<std::uint32_t> keys;
    Bytes dat;
    for (std::size_t i = 0; i < kept; ++i) {
      keys.push_back(KeyOf(NAMES[i]));
      Append(dat, BytesOf(NameListPair(~ComputeNameCrc(NAMES[i]), NAMES[i])));
    }
    EXPECT_EQ(ReadWholeFile(ProgramFile("Box.kvf")), KvfFile(entries, keys));
    EXPECT_EQ(ReadWholeFile(ProgramFile("Box.dat")), dat);
  }

  // The salvage folder's files, one after the other by the offset that ends their names.
  Bytes SalvagedBytes() const {
    std::map<long long, Bytes> pieces;
    const std::string salvage = ProgramFile("Box.salvage");
    if (!std::filesystem::exists(salvage)) return {};
    for (const auto& [path, bytes] : FilesUnder(salvage)) pieces[std::stoll(path.substr(path.rfind('-') + 1))] = bytes;
    Bytes all;
    for (const auto& [offset, bytes] : pieces) Append(all, bytes);
    return all;
  }

  std::vector<Bytes> healthyEntries;
  Bytes healthy;
  Bytes healthyDat;
};

TEST_F(ContainerCheckTest, FindsEachDamageAndChangesNothing) {
  MakeHealthy({1000, 500, 300});  // entries at 8016, 9016 and 9516; the file ends at 9816
  const Damage damages[] = {
      {"healthy", [](Bytes&, Bytes&) {}, 0, ""},
      {"cut short", [](Bytes& kvf, Bytes&) { kvf.resize(9716); }, 1, "past-end count-ahead"},
      {"count ran ahead", [](Bytes& kvf, Bytes&) { WriteU32Le(&kvf[12], 4); }, 1, "not-after-previous count-ahead"},
      {"torn add",
       [](Bytes& kvf, Bytes&) {
         Append(kvf, Bytes(200, 7));
         SetRecordField(kvf, 4, 0, KeyOf("four.wav"));
         SetRecordField(kvf, 4, 1, 200);
         SetRecordField(kvf, 4, 2, 9816);
         SetRecordField(kvf, 4, 3, 10016);
       },
       1, "trailing-bytes stray-record"},
      {"entry 2's end one off", [](Bytes& kvf, Bytes&) { SetRecordField(kvf, 2, 3, 9517); }, 1,
       "size-mismatch not-after-previous count-ahead"},
      {"entry 2's key changed", [](Bytes& kvf, Bytes&) { SetRecordField(kvf, 2, 0, 0x12345600); }, 1,
       "unnamed-entry stray-name"},
      {"entry 2's size changed", [](Bytes& kvf, Bytes&) { SetRecordField(kvf, 2, 1, 501); }, 1,
       "size-mismatch count-ahead"},
      {"entry 1 moved", [](Bytes& kvf, Bytes&) { SetRecordField(kvf, 1, 2, 8020); }, 1,
       "size-mismatch first-entry-start count-ahead"},
      {"count over the limit", [](Bytes& kvf, Bytes&) { WriteU32Le(&kvf[12], 500); }, 1,
       "count-over-limit not-after-previous count-ahead"},
      {"cut inside the index", [](Bytes& kvf, Bytes&) { kvf.resize(4000); }, 1,
       "index-cut-short past-end past-end past-end count-ahead"},
      {"another header", [](Bytes& kvf, Bytes&) { kvf[0] = 0x51; }, 3, "not-a-container"},
      {"shorter than a header", [](Bytes& kvf, Bytes&) { kvf.resize(15); }, 3, "not-a-container"},
      {"name list missing", [](Bytes&, Bytes& dat) { dat.clear(); }, 1,
       "no-name-list unnamed-entry unnamed-entry unnamed-entry"},
      {"a broken line", [](Bytes&, Bytes& dat) { Append(dat, BytesOf(" 1234 \"x\"\r\n")); }, 1, "bad-line"},
      {"a pair for no entry",
       [](Bytes&, Bytes& dat) { Append(dat, BytesOf(NameListPair(~ComputeNameCrc("gone.wav"), "gone.wav"))); }, 1,
       "stray-name"},
  };
  for (const Damage& damage : damages) {
    SCOPED_TRACE(damage.what);
    Bytes kvf = healthy;
    Bytes dat = healthyDat;
    damage.apply(kvf, dat);
    const std::string path = ProgramFile("Box.kvf");
    WriteWholeFile(path, kvf);
    std::filesystem::remove(ProgramFile("Box.dat"));
    if (!dat.empty()) WriteWholeFile(ProgramFile("Box.dat"), dat);
    std::string codes;
    EXPECT_EQ(Check(path, codes), damage.status);
    EXPECT_EQ(codes, damage.codes);
    EXPECT_EQ(ReadWholeFile(path), kvf);
    EXPECT_EQ(ReadWholeFile(ProgramFile("Box.dat")), dat);
    EXPECT_FALSE(FileExists(ProgramFile("CrcLog.dat")));
  }
  std::string codes;
  const std::string wave = ScratchFile("a.wav");
  WriteWholeFile(wave, PcmWave(1, 8000, 16, 100));
  for (const std::string& notAContainer : {documentsFolder, ProgramFile("Missing.kvf"), wave}) {
    SCOPED_TRACE(notAContainer);
    EXPECT_EQ(Check(notAContainer, codes), 3);
    std::string printed;
    EXPECT_EQ(Kvp({"repair", notAContainer, "--apply"}, printed), 3);
  }
  EXPECT_EQ(ReadWholeFile(wave), PcmWave(1, 8000, 16, 100));
}

TEST_F(ContainerCheckTest, RepairOfAContainerCutAnywhereKeepsEveryByte) {
  MakeHealthy({100, 50, 30});  // entries end at 8116, 8166 and 8196
  const std::string box = ProgramFile("Box.kvf");
  std::vector<std::size_t> cuts = {16, 17, 100, 4000, 8000, 8015};
  for (std::size_t cut = DATA_AREA_START; cut < healthy.size(); ++cut) cuts.push_back(cut);
  for (const std::size_t cut : cuts) {
    SCOPED_TRACE("cut at " + std::to_string(cut));
    appState.containerFile.reset();  // the list below left it loaded, and Windows removes no open file
    std::filesystem::remove_all(programFolder);
    std::filesystem::create_directories(programFolder);
    const Bytes damaged = Head(healthy, cut);
    WriteWholeFile(box, damaged);
    WriteWholeFile(ProgramFile("Box.dat"), healthyDat);
    const auto before = FilesUnder(programFolder);
    std::string printed;
    EXPECT_EQ(Kvp({"check", box}, printed), 1);
    EXPECT_EQ(Kvp({"repair", box}, printed), 1);
    EXPECT_EQ(FilesUnder(programFolder), before);
    ASSERT_EQ(Kvp({"repair", box, "--apply"}, printed), 0) << printed;
    std::size_t kept = 0;
    std::int64_t keptEnd = DATA_AREA_START;
    while (kept < 3 && keptEnd + std::int64_t(healthyEntries[kept].size()) <= std::int64_t(cut)) {
      keptEnd += std::int64_t(healthyEntries[kept].size());
      ++kept;
    }
    ExpectMended(kept);
    EXPECT_EQ(ReadWholeFile(box + ".bak"), damaged);
    EXPECT_EQ(ReadWholeFile(ProgramFile("Box.dat.bak")), healthyDat);
    EXPECT_EQ(SalvagedBytes(), cut > std::size_t(keptEnd) ? Tail(damaged, std::size_t(keptEnd)) : Bytes());
    EXPECT_EQ(Kvp({"check", box}, printed), 0) << printed;
    EXPECT_EQ(Kvp({"list", box}, printed), 0);
    EXPECT_NE(printed.find("There are 0 to " + std::to_string(kept) + " valid"), std::string::npos) << printed;
  }
}

// A changed start, size or end of entry 2 drops it and entry 3 into the salvage; a changed key leaves it unnamed.
TEST_F(ContainerCheckTest, RepairOfAChangedRecordField) {
  MakeHealthy({100, 50, 30});
  const std::string box = ProgramFile("Box.kvf");
  for (int field = 0; field < 4; ++field) {
    SCOPED_TRACE("field " + std::to_string(field));
    std::filesystem::remove_all(programFolder);
    std::filesystem::create_directories(programFolder);
    Bytes damaged = healthy;
    SetRecordField(damaged, 2, field, ReadU32Le(&damaged[16 * 2 + 4 * field]) + 1);
    WriteWholeFile(box, damaged);
    WriteWholeFile(ProgramFile("Box.dat"), healthyDat);
    std::string printed;
    ASSERT_EQ(Kvp({"repair", box, "--apply"}, printed), 0) << printed;
    if (field == 0) {
      EXPECT_EQ(ReadWholeFile(box), damaged);
      EXPECT_NE(printed.find("entry 2 (key "), std::string::npos) << printed;
    } else {
      ExpectMended(1);
      EXPECT_EQ(SalvagedBytes(), Tail(healthy, 8116));
    }
  }
}

TEST_F(ContainerCheckTest, RepairAdoptsATornAddOrSalvagesIt) {
  MakeHealthy({100, 50, 30});
  const std::string box = ProgramFile("Box.kvf");
  const Bytes added = PatternBytes(40, 9);
  for (const bool recordWritten : {true, false}) {
    SCOPED_TRACE(recordWritten ? "record written" : "bytes only");
    std::filesystem::remove_all(programFolder);
    std::filesystem::create_directories(programFolder);
    Bytes torn = healthy;
    Append(torn, added);
    if (recordWritten) {
      SetRecordField(torn, 4, 0, KeyOf("four.wav"));
      SetRecordField(torn, 4, 1, 40);
      SetRecordField(torn, 4, 2, 8196);
      SetRecordField(torn, 4, 3, 8236);
    }
    WriteWholeFile(box, torn);
    WriteWholeFile(ProgramFile("Box.dat"), healthyDat);
    std::string printed;
    ASSERT_EQ(Kvp({"repair", box, "--apply"}, printed), 0) << printed;
    const Bytes mended = ReadWholeFile(box);
    EXPECT_EQ(mended.size(), recordWritten ? torn.size() : healthy.size());
    EXPECT_EQ(ReadU32Le(&mended[12]), recordWritten ? 4u : 3u);
    EXPECT_EQ(FileExists(ProgramFile("Box.salvage") + PATH_SEPARATOR + "bytes-at-8196"), !recordWritten);
    const std::string unnamed = "entry 4 (key " + KeyText(KeyOf("four.wav")) + ") stays unnamed";
    EXPECT_EQ(printed.find(unnamed) != std::string::npos, recordWritten) << printed;
  }
}

TEST_F(ContainerCheckTest, RepairThatFailsAtAnyWriteLeavesThePairAsItWas) {
  MakeHealthy({100, 50, 30});
  const std::string box = ProgramFile("Box.kvf");
  Bytes damaged = Head(healthy, 8180);
  WriteU32Le(&damaged[12], 4);
  Bytes dat = healthyDat;
  Append(dat, BytesOf("rubbish\r\n"));
  WriteWholeFile(box, damaged);
  WriteWholeFile(ProgramFile("Box.dat"), dat);
  const auto before = FilesUnder(root.string());
  std::string printed;
  int status = 1;
  long failedRuns = 0;
  for (long n = 1; status != 0 && n < 100; ++n) {
    IoFailAt(n);
    status = Kvp({"repair", box, "--apply"}, printed);
    IoFailAt(0);
    if (status != 0) {
      ++failedRuns;
      EXPECT_EQ(FilesUnder(root.string()), before) << "failing write " << n;
      EXPECT_FALSE(std::filesystem::exists(ProgramFile("Box.salvage"))) << "failing write " << n;
    }
  }
  EXPECT_EQ(status, 0);
  EXPECT_GE(failedRuns, 8);  // the temporary pair, the salvage, the two backups and the two moves
  ExpectMended(2);
}

}  // namespace

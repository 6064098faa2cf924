// kvp check on a three-entry container damaged one way at a time: the code words of its findings, in order, and its
// exit status; it changes no file and makes none.
#include <functional>
#include <sstream>

#include "app/kvp_commands.h"
#include "io/byte_order.h"
#include "library/container.h"
#include "tests/test_support.h"

namespace {

constexpr std::size_t ENTRY_SIZES[] = {1000, 500, 300};  // entries at 8016, 9016 and 9516; the file ends at 9816
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

class ContainerCheckTest : public ProgramTest {
 protected:
  // kvp check on the container at path: its status; the code word of each line but the summary goes into codes.
  int Check(const std::string& path, std::string& codes) {
    std::ostringstream out;
    KvpHost host;
    host.out = &out;
    host.err = &out;
    const int status = RunKvp({"--program-dir", programFolder, "check", path}, host);
    std::istringstream lines(out.str());
    std::string severity;
    std::string code;
    std::string rest;
    codes.clear();
    while (lines >> severity >> code && std::getline(lines, rest)) {
      if (severity == "error" || severity == "warning") codes += (codes.empty() ? "" : " ") + code;
    }
    return status;
  }
};

TEST_F(ContainerCheckTest, FindsEachDamageAndChangesNothing) {
  std::vector<Bytes> entries;
  std::vector<std::uint32_t> keys;
  Bytes healthyDat;
  for (int i = 0; i < 3; ++i) {
    entries.push_back(PatternBytes(ENTRY_SIZES[i], i + 1));
    keys.push_back(KeyOf(NAMES[i]));
    Append(healthyDat, BytesOf(NameListPair(~ComputeNameCrc(NAMES[i]), NAMES[i])));
  }
  const Bytes healthy = KvfFile(entries, keys);
  const Damage damages[] = {
      {"healthy", [](Bytes&, Bytes&) {}, 0, ""},
      {"cut short", [](Bytes& kvf, Bytes&) { kvf.resize(9716); }, 1, "past-end count-ahead"},
      {"count ran ahead", [](Bytes& kvf, Bytes&) { WriteU32Le(&kvf[12], 4); }, 1, "not-after-previous count-ahead"},
      {"torn add", [](Bytes& kvf, Bytes&) {
         Append(kvf, Bytes(200, 7));
         SetRecordField(kvf, 4, 0, KeyOf("four.wav"));
         SetRecordField(kvf, 4, 1, 200);
         SetRecordField(kvf, 4, 2, 9816);
         SetRecordField(kvf, 4, 3, 10016);
       }, 1, "trailing-bytes stray-record"},
      {"entry 2's end one off", [](Bytes& kvf, Bytes&) { SetRecordField(kvf, 2, 3, 9517); }, 1,
       "size-mismatch not-after-previous count-ahead"},
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
      {"a pair for no entry", [](Bytes&, Bytes& dat) {
         Append(dat, BytesOf(NameListPair(~ComputeNameCrc("gone.wav"), "gone.wav")));
       }, 1, "stray-name"},
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
  EXPECT_EQ(Check(documentsFolder, codes), 3);
  EXPECT_EQ(Check(ProgramFile("Missing.kvf"), codes), 3);
}

}  // namespace

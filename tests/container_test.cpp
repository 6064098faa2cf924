// The container format below the commands: name keys and name-list lines,
// companion paths, appends the container cannot take, and records that
// cannot be trusted.
#include "library/container.h"
#include "io/byte_order.h"
#include "io/file_io.h"
#include "state/app_state.h"
#include "tests/test_support.h"

namespace {

TEST(NameKey, StandardCrcKeyRuleAndListLines) {
  EXPECT_EQ(~ComputeNameCrc("123456789"), 0xCBF43926u);  // the standard check value
  EXPECT_EQ(~ComputeNameCrc("\xe9t\xe9"), 0xCBF7D413u);  // bytes above 127 count as unsigned (zlib's crc32)
  const struct {
    std::uint32_t crc;
    std::uint32_t key;
    const char* text;
    const char* pair;
  } cases[] = {
      {0xCBF43926u, 0xCBF43900u, "cbf43926", " cbf43926 \"n\"\r\n cbf43900 \"n\"\r\n"},  // 8 digits: low byte cleared
      {0x0ABC1234u, 0x0ABC1234u, "0abc1234", " 0abc1234 \"n\"\r\n abc12300 \"n\"\r\n"},
      {0xABC123u, 0xABC123u, "00abc123", " 00abc123 \"n\"\r\n abc12300 \"n\"\r\n"},
      {0x1234u, 0x1234u, "00001234", " 00001234 \"n\"\r\n 123400 \"n\"\r\n"},
      {0, 0, "00000000", nullptr}};
  for (const auto& c : cases) {
    EXPECT_EQ(KeyText(c.crc), c.text);
    if (c.pair != nullptr) {
      EXPECT_EQ(NameKeyOf(c.crc), c.key) << c.text;
      EXPECT_EQ(NameListPair(c.crc, "n"), c.pair) << c.text;
    }
  }
}

TEST(CompanionPaths, DatAndTitleFromTheLastDot) {
  const std::string kvf = std::string("C") + PATH_SEPARATOR + "my.box" + PATH_SEPARATOR + "songs.v2.kvf";
  EXPECT_EQ(CompanionDatPath(kvf), kvf.substr(0, kvf.size() - 3) + "dat");
  EXPECT_EQ(ContainerTitleOf(kvf), "songs.v2");
}

using ContainerTest = ProgramTest;

TEST_F(ContainerTest, AppendsTheContainerCannotTakeChangeNothing) {
  const std::string kvf = ProgramFile("Box.kvf");
  const std::string dat = ProgramFile("Box.dat");
  const std::string source = ScratchFile("x.wav");
  auto append = [&](std::size_t bytes) {
    WriteWholeFile(source, PatternBytes(bytes));
    appState.loadedContainerPath = kvf;
    appState.datPath = dat;
    appState.addWavPickedPath = source;
    appState.logWavName = "x.wav";
    AppendEntryToContainer();
    return appState.entryAppended;
  };
  WriteWholeFile(dat, Bytes());
  WriteWholeFile(kvf, Bytes(100, 0));  // too short for an index
  EXPECT_EQ(append(101), 0);
  EXPECT_EQ(ReadWholeFile(kvf), Bytes(100, 0));
  WriteWholeFile(kvf, KvfFile({}));  // sparse, just below the 2 GiB limit: one byte too many is refused
  ASSERT_TRUE(TruncateFile(kvf, MAX_CONTAINER_BYTES - 100));
  EXPECT_EQ(append(101), 0);
  EXPECT_EQ(MeasureFile(kvf), MAX_CONTAINER_BYTES - 100);
  EXPECT_TRUE(ReadWholeFile(dat).empty());
  EXPECT_EQ(append(100), 1);
  EXPECT_EQ(MeasureFile(kvf), MAX_CONTAINER_BYTES);
}

TEST_F(ContainerTest, DamagedRecordsAreNotUsable) {
  const struct {
    const char* what;
    std::uint32_t size;
    std::uint32_t start;
    std::uint32_t end;
    std::int64_t k;
  } cases[] = {{"valid", 50, 8016, 8066, 1},
               {"entry 0", 50, 8016, 8066, 0},
               {"entry 500", 50, 8016, 8066, 500},
               {"end is not start plus size", 50, 8016, 8067, 1},
               {"end past the file", 51, 8016, 8067, 1},
               {"sum overflows 32 bits", 0x20, 0xFFFFFFF0u, 0x10, 1}};
  for (const auto& c : cases) {
    Bytes bytes = KvfFile({PatternBytes(50)});
    WriteU32Le(&bytes[16 + 4], c.size);
    WriteU32Le(&bytes[16 + 8], c.start);
    WriteU32Le(&bytes[16 + 12], c.end);
    WriteWholeFile(ProgramFile("Box.kvf"), bytes);
    Stream in = OpenStream(ProgramFile("Box.kvf"), "rb");
    EntryRecord record;
    EXPECT_EQ(ReadEntryRecord(in.get(), c.k, record), std::string(c.what) == "valid") << c.what;
  }
}

}  // namespace

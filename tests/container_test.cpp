// The container format below the commands: name keys and name-list lines, companion paths, the size limit, and
// records that cannot be trusted.
#include "library/container.h"
#include "tests/test_support.h"

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

TEST_F(ContainerTest, AnAddBeyondTwoGibibytesChangesNothing) {
  const std::string kvf = CreateAndLoad("Box");
  ASSERT_TRUE(TruncateFile(kvf, MAX_CONTAINER_BYTES - 100));  // sparse, just below the limit
  AddFile("x.wav", PatternBytes(101));
  EXPECT_EQ(Status(), MSG_CREATION_FAILED);
  EXPECT_EQ(MeasureFile(kvf), MAX_CONTAINER_BYTES - 100);
  EXPECT_TRUE(ReadWholeFile(CompanionDatPath(kvf)).empty());
  AddFile("x.wav", PatternBytes(100));  // exactly up to it
  EXPECT_EQ(MeasureFile(kvf), MAX_CONTAINER_BYTES);
}

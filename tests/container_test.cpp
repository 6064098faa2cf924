// The container format below the commands: name keys and name-list lines, companion paths, the size limit, and
// records that cannot be trusted.
#include "library/container.h"
#include "tests/test_support.h"

TEST(NameKey, StandardCrcKeyRuleAndListLines) {
  EXPECT_EQ(~ComputeNameCrc("123456789"), 0xCBF43926u);  // the standard check value
  EXPECT_EQ(~ComputeNameCrc("\xe9t\xe9"), 0xCBF7D413u);  // bytes above 127 count as unsigned (zlib's crc32)
  EXPECT_EQ(NameKeyOf(0xCBF43926u), 0xCBF43900u);        // eight digits lose their low byte
  EXPECT_EQ(NameKeyOf(0x0ABC1234u), 0x0ABC1234u);
  EXPECT_EQ(KeyText(0), "00000000");
  EXPECT_EQ(NameListPair(0xCBF43926u, "n"), " cbf43926 \"n\"\r\n cbf43900 \"n\"\r\n");
  EXPECT_EQ(NameListPair(0x0ABC1234u, "n"), " 0abc1234 \"n\"\r\n abc12300 \"n\"\r\n");  // line 2: the first six
  EXPECT_EQ(NameListPair(0x1234u, "n"), " 00001234 \"n\"\r\n 123400 \"n\"\r\n");        // digits written, and 00
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

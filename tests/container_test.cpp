// The container format below the commands: name keys and name-list lines, and companion paths. (The size limit: the
// command suite's adds.)
#include "library/container.h"
#include "tests/test_support.h"

// The fault injection's add holds plain names and keys of eight digits; these are the other cases.
TEST(NameKey, StandardCrcKeyRuleAndListLines) {
  EXPECT_EQ(~ComputeNameCrc("\xe9t\xe9"), 0xCBF7D413u);  // bytes above 127 count as unsigned (zlib's crc32)
  EXPECT_EQ(NameKeyOf(0x100000FFu), 0x10000000u);        // eight digits lose their low byte
  EXPECT_EQ(NameKeyOf(0x0FFFFFFFu), 0x0FFFFFFFu);
  EXPECT_EQ(NameListPair(0x0ABC1234u, "n"), " 0abc1234 \"n\"\r\n abc12300 \"n\"\r\n");  // line 2: the first six
  EXPECT_EQ(NameListPair(0x1234u, "n"), " 00001234 \"n\"\r\n 123400 \"n\"\r\n");        // digits written, and 00
}

TEST(CompanionPaths, DatAndTitleFromTheLastDot) {
  const std::string kvf = std::string("C") + PATH_SEPARATOR + "my.box" + PATH_SEPARATOR + "songs.v2.kvf";
  EXPECT_EQ(CompanionDatPath(kvf), kvf.substr(0, kvf.size() - 3) + "dat");
  EXPECT_EQ(ContainerTitleOf(kvf), "songs.v2");
}

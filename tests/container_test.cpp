// Containers: the empty pair, name keys and name lists, appending entries
// (also when it fails part-way), and reading records back.
#include <cstring>
#include <filesystem>

#include "library/byte_order.h"
#include "library/container.h"
#include "library/file_io.h"
#include "shell/app_state.h"
#include "tests/test_support.h"

namespace {

EntryRecord RecordAt(const Bytes& kvf, std::size_t k) {
  EntryRecord r;
  r.nameKey = ReadU32Le(&kvf[16 * k]);
  r.dataSize = ReadU32Le(&kvf[16 * k + 4]);
  r.dataStart = ReadU32Le(&kvf[16 * k + 8]);
  r.dataEnd = ReadU32Le(&kvf[16 * k + 12]);
  return r;
}

class ContainerTest : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    kvf = ProgramFile("Box.kvf");
    dat = ProgramFile("Box.dat");
    appState.newContainerPath = kvf;
    appState.newDatPath = dat;
    CreateEmptyContainerFiles();
    ASSERT_EQ(appState.containerFilesWritten, 1);
    appState.loadedContainerPath = kvf;
    appState.datPath = dat;
  }

  // Appends a file holding bytes under the given name; returns entryAppended.
  int Append(const std::string& name, const Bytes& bytes) {
    std::string source = ScratchFile(name);
    WriteWholeFile(source, bytes);
    return AppendFile(source, name);
  }

  int AppendFile(const std::string& source, const std::string& name) {
    appState.addWavPickedPath = source;
    appState.logWavName = name;
    AppendEntryToContainer();
    return appState.entryAppended;
  }

  void SetEntryCount(std::uint32_t count) {
    Bytes bytes = ReadWholeFile(kvf);
    WriteU32Le(&bytes[12], count);
    WriteWholeFile(kvf, bytes);
  }

  std::string kvf, dat;
};

TEST_F(ContainerTest, NewContainerIsHeaderAndEmptyIndex) {
  Bytes bytes = ReadWholeFile(kvf);
  ASSERT_EQ(bytes.size(), 8016u);
  const unsigned char header[16] = {0x50, 1, 0, 0, 1, 0, 0, 0, 0x18, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(std::memcmp(bytes.data(), header, 16), 0);
  EXPECT_EQ(Bytes(bytes.begin() + 16, bytes.end()), Bytes(8000, 0));
  EXPECT_TRUE(FileExists(dat));
  EXPECT_TRUE(ReadWholeFile(dat).empty());
}

TEST_F(ContainerTest, CreationThatFailsLeavesNoHalfPair) {
  appState.newContainerPath = ProgramFile("Half.kvf");
  appState.newDatPath = ProgramFile("missing-folder/Half.dat");
  CreateEmptyContainerFiles();
  EXPECT_EQ(appState.containerFilesWritten, 0);
  EXPECT_FALSE(FileExists(appState.newContainerPath));
}

TEST_F(ContainerTest, AppendedEntriesFollowEachOther) {
  Bytes first = PatternBytes(1000, 1), second = PatternBytes(500, 2);
  ASSERT_EQ(Append("first.wav", first), 1);
  ASSERT_EQ(Append("second.wav", second), 1);

  Bytes bytes = ReadWholeFile(kvf);
  ASSERT_EQ(bytes.size(), 9516u);
  EXPECT_EQ(ReadU32Le(&bytes[12]), 2u);
  EntryRecord r1 = RecordAt(bytes, 1), r2 = RecordAt(bytes, 2);
  EXPECT_EQ(r1.nameKey, NameKeyOf(~ComputeNameCrc("first.wav")));
  EXPECT_EQ(r1.dataSize, 1000u);
  EXPECT_EQ(r1.dataStart, 8016u);
  EXPECT_EQ(r1.dataEnd, 9016u);
  EXPECT_EQ(r2.dataSize, 500u);
  EXPECT_EQ(r2.dataStart, 9016u);
  EXPECT_EQ(r2.dataEnd, 9516u);
  EXPECT_EQ(Bytes(bytes.begin() + 8016, bytes.begin() + 9016), first);
  EXPECT_EQ(Bytes(bytes.begin() + 9016, bytes.end()), second);

  // Read back through the validated reader.
  Stream in = OpenStream(kvf, "rb");
  EntryRecord record;
  ASSERT_TRUE(ReadEntryRecord(in.get(), 2, record));
  std::string out = ScratchFile("out.bin");
  ASSERT_TRUE(ExtractEntry(in.get(), record, out));
  EXPECT_EQ(ReadWholeFile(out), second);
}

TEST_F(ContainerTest, EmptyFileIsAnEntryOfSizeZero) {
  ASSERT_EQ(Append("empty.wav", Bytes()), 1);
  EntryRecord r = RecordAt(ReadWholeFile(kvf), 1);
  EXPECT_EQ(r.dataSize, 0u);
  EXPECT_EQ(r.dataStart, r.dataEnd);
}

TEST(NameKey, StandardCheckValueAndKeyRule) {
  std::uint32_t crc = ~ComputeNameCrc("123456789");
  EXPECT_EQ(crc, 0xCBF43926u);
  EXPECT_EQ(NameKeyOf(crc), 0xCBF43900u);
  EXPECT_EQ(KeyText(crc), "cbf43926");
  EXPECT_EQ(NameListPair(crc, "123456789"),
            " cbf43926 \"123456789\"\r\n cbf43900 \"123456789\"\r\n");
  // Bytes above 127 take part as unsigned values (zlib's crc32 of "\xe9t\xe9").
  EXPECT_EQ(~ComputeNameCrc("\xe9t\xe9"), 0xCBF7D413u);
}

TEST(NameKey, ShortCrcsKeepEveryDigitAndStillGetAPair) {
  EXPECT_EQ(NameKeyOf(0x0ABC1234u), 0x0ABC1234u);
  EXPECT_EQ(NameListPair(0x0ABC1234u, "a.wav"), " 0abc1234 \"a.wav\"\r\n abc12300 \"a.wav\"\r\n");
  EXPECT_EQ(KeyText(0xABC123u), "00abc123");
  // Below 0x10000 the key text is still eight characters and the pair is written.
  EXPECT_EQ(KeyText(0x1234u), "00001234");
  EXPECT_EQ(NameListPair(0x1234u, "b.au"), " 00001234 \"b.au\"\r\n 123400 \"b.au\"\r\n");
  EXPECT_EQ(KeyText(0), "00000000");
}

TEST_F(ContainerTest, NamesGoToTheDatWithCrLfLines) {
  ASSERT_EQ(Append("123456789", PatternBytes(10)), 1);
  EXPECT_EQ(appState.nameSourceMode, 1);
  EXPECT_EQ(appState.nameCrc, 0xCBF43900u);
  EXPECT_EQ(appState.crcHexText, "cbf43926");
  EXPECT_TRUE(appState.logWavName.empty());
  EXPECT_EQ(ReadWholeFile(dat), BytesOf(" cbf43926 \"123456789\"\r\n cbf43900 \"123456789\"\r\n"));
  EXPECT_FALSE(FileExists(appState.crcLogPath));
}

TEST_F(ContainerTest, NamesGoToCrcLogWithoutADat) {
  std::filesystem::remove(dat);
  ASSERT_EQ(Append("123456789", PatternBytes(10)), 1);
  EXPECT_EQ(appState.nameSourceMode, 0);
  EXPECT_EQ(ReadWholeFile(appState.crcLogPath),
            BytesOf(" cbf43926 \"123456789\"\r\n cbf43900 \"123456789\"\r\n"));
}

TEST_F(ContainerTest, FourHundredNinetyNinthEntryIsTheLast) {
  SetEntryCount(498);
  ASSERT_EQ(Append("last.wav", PatternBytes(7)), 1);
  Bytes full = ReadWholeFile(kvf);
  EXPECT_EQ(ReadU32Le(&full[12]), 499u);
  EXPECT_EQ(RecordAt(full, 499).dataStart, 8016u);
  Bytes names = ReadWholeFile(dat);

  EXPECT_EQ(Append("more.wav", PatternBytes(7)), 0);
  EXPECT_EQ(ReadWholeFile(kvf), full);
  EXPECT_EQ(ReadWholeFile(dat), names);
  // The reserved 500th slot stays zero.
  EXPECT_EQ(Bytes(full.begin() + 8000, full.begin() + 8016), Bytes(16, 0));
}

TEST_F(ContainerTest, VanishedSourceChangesNothing) {
  ASSERT_EQ(Append("one.wav", PatternBytes(100)), 1);
  Bytes before = ReadWholeFile(kvf), names = ReadWholeFile(dat);
  EXPECT_EQ(AppendFile(ScratchFile("gone.wav"), "gone.wav"), 0);
  EXPECT_EQ(ReadWholeFile(kvf), before);
  EXPECT_EQ(ReadWholeFile(dat), names);
}

TEST_F(ContainerTest, FileTooShortForAnIndexIsNotAppendedTo) {
  WriteWholeFile(kvf, Bytes(100, 0));
  EXPECT_EQ(Append("x.wav", PatternBytes(10)), 0);
  EXPECT_EQ(ReadWholeFile(kvf), Bytes(100, 0));
  EXPECT_TRUE(ReadWholeFile(dat).empty());
}

// Every write-side operation of an append is made to fail in turn (a full
// disk, a read-only container, a failing close): each time both files must
// come back byte for byte, and the entry must not be reported as stored.
TEST_F(ContainerTest, FailureAtAnyStepRestoresBothFiles) {
  ASSERT_EQ(Append("one.wav", PatternBytes(300, 3)), 1);
  std::string source = ScratchFile("two.wav");
  WriteWholeFile(source, PatternBytes(IO_BLOCK_BYTES + 77, 4));
  for (int useCrcLog = 0; useCrcLog < 2; ++useCrcLog) {
    if (useCrcLog == 1) std::filesystem::remove(dat);
    const std::string names = useCrcLog == 1 ? appState.crcLogPath : dat;
    Bytes kvfBefore = ReadWholeFile(kvf), namesBefore = ReadWholeFile(names);
    bool namesExisted = FileExists(names);
    long failures = 0;
    for (long n = 1;; ++n) {
      IoFailAt(n);
      int appended = AppendFile(source, "two.wav");
      bool faultHit = IoOperationCount() >= n;
      IoFailAt(0);
      if (!faultHit) {
        ASSERT_EQ(appended, 1);
        break;
      }
      ++failures;
      if (appended == 1) {
        // The fault fell after the last step that matters: the entry must be whole.
        Bytes after = ReadWholeFile(kvf);
        ASSERT_EQ(ReadU32Le(&after[12]), ReadU32Le(&kvfBefore[12]) + 1) << "operation " << n;
        WriteWholeFile(kvf, kvfBefore);
        if (namesExisted) WriteWholeFile(names, namesBefore);
        else std::filesystem::remove(names);
        continue;
      }
      ASSERT_EQ(ReadWholeFile(kvf), kvfBefore) << "operation " << n;
      ASSERT_EQ(FileExists(names), namesExisted) << "operation " << n;
      ASSERT_EQ(ReadWholeFile(names), namesBefore) << "operation " << n;
    }
    EXPECT_GT(failures, 8);
  }
}

TEST_F(ContainerTest, AppendBeyondTwoGigabytesIsRefused) {
  // A sparse container just below the limit: the first byte too many is refused.
  const std::int64_t size = MAX_CONTAINER_BYTES - 100;
  ASSERT_TRUE(TruncateFile(kvf, size));
  EXPECT_EQ(Append("big.wav", PatternBytes(101)), 0);
  EXPECT_EQ(MeasureFile(kvf), size);
  EXPECT_TRUE(ReadWholeFile(dat).empty());
  EXPECT_EQ(Append("fits.wav", PatternBytes(100)), 1);
  EXPECT_EQ(MeasureFile(kvf), MAX_CONTAINER_BYTES);
}

TEST_F(ContainerTest, DamagedRecordsAreNotUsable) {
  ASSERT_EQ(Append("a.wav", PatternBytes(50)), 1);
  Bytes good = ReadWholeFile(kvf);
  struct Case {
    const char* what;
    std::uint32_t size, start, end;
    std::int64_t k;
  } cases[] = {
      {"valid", 50, 8016, 8066, 1},
      {"entry 0", 50, 8016, 8066, 0},
      {"entry 500", 50, 8016, 8066, 500},
      {"end is not start plus size", 50, 8016, 8067, 1},
      {"end past the file", 51, 8016, 8067, 1},
      {"sum overflows 32 bits", 0x20, 0xFFFFFFF0u, 0x10, 1},
  };
  for (const Case& c : cases) {
    Bytes bytes = good;
    std::size_t slot = c.k >= 1 && c.k <= 499 ? static_cast<std::size_t>(16 * c.k) : 16;
    WriteU32Le(&bytes[slot + 4], c.size);
    WriteU32Le(&bytes[slot + 8], c.start);
    WriteU32Le(&bytes[slot + 12], c.end);
    WriteWholeFile(kvf, bytes);
    Stream in = OpenStream(kvf, "rb");
    EntryRecord record;
    EXPECT_EQ(ReadEntryRecord(in.get(), c.k, record), std::string(c.what) == "valid") << c.what;
  }
}

TEST(CompanionPaths, DatAndTitleFromTheLastDot) {
  std::string sep(1, PATH_SEPARATOR);
  EXPECT_EQ(CompanionDatPath("C" + sep + "my.box" + sep + "songs.v2.kvf"), "C" + sep + "my.box" + sep + "songs.v2.dat");
  EXPECT_EQ(ContainerTitleOf("C" + sep + "my.box" + sep + "songs.v2.kvf"), "songs.v2");
}

}  // namespace

// The conversion frame: header bytes of the three families, the sample copier
// against a byte-at-a-time reference, result fields, and failures.
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "convert/frame.h"
#include "library/byte_order.h"
#include "shell/app_state.h"
#include "tests/test_support.h"

namespace {

Bytes Hex(std::initializer_list<int> values) {
  Bytes bytes;
  for (int v : values) bytes.push_back(static_cast<unsigned char>(v));
  return bytes;
}

TEST(WaveHeaders, PcmFieldsInFileOrder) {
  WaveHeader h;
  h.riffSize = 0x01020304;
  h.channels = 2;
  h.sampleRate = 44100;
  h.byteRate = 176400;
  h.blockAlign = 4;
  h.bitsPerSample = 16;
  h.dataSize = 0x0A0B0C0D;
  Bytes expected = BytesOf("RIFF");
  for (int b : {4, 3, 2, 1}) expected.push_back(static_cast<unsigned char>(b));
  Bytes rest = BytesOf("WAVEfmt ");
  expected.insert(expected.end(), rest.begin(), rest.end());
  Bytes fmt = Hex({16, 0, 0, 0, 1, 0, 2, 0, 0x44, 0xAC, 0, 0, 0x10, 0xB1, 2, 0, 4, 0, 16, 0});
  expected.insert(expected.end(), fmt.begin(), fmt.end());
  Bytes data = BytesOf("data");
  expected.insert(expected.end(), data.begin(), data.end());
  for (int b : {0x0D, 0x0C, 0x0B, 0x0A}) expected.push_back(static_cast<unsigned char>(b));
  EXPECT_EQ(EncodeWaveHeader(h), expected);
}

TEST(WaveHeaders, G711CarriesFactAndEmptyExtension) {
  WaveHeader h;
  h.family = WaveFamily::G711;
  h.riffSize = 1000;
  h.formatTag = WAVE_FORMAT_MULAW;
  h.channels = 1;
  h.sampleRate = 8000;
  h.byteRate = 8000;
  h.blockAlign = 1;
  h.factSamples = 950;
  h.dataSize = 950;
  Bytes b = EncodeWaveHeader(h);
  ASSERT_EQ(b.size(), 58u);
  EXPECT_TRUE(ReadTag(&b[0], "RIFF") && ReadTag(&b[8], "WAVEfmt ") && ReadTag(&b[38], "fact") &&
              ReadTag(&b[50], "data"));
  EXPECT_EQ(ReadU32Le(&b[16]), 18u);
  EXPECT_EQ(ReadU16Le(&b[20]), 7);
  EXPECT_EQ(ReadU16Le(&b[32]), 1);
  EXPECT_EQ(ReadU16Le(&b[34]), 8);
  EXPECT_EQ(ReadU16Le(&b[36]), 0);
  EXPECT_EQ(ReadU32Le(&b[42]), 4u);
  EXPECT_EQ(ReadU32Le(&b[46]), 950u);
  EXPECT_EQ(ReadU32Le(&b[54]), 950u);
}

TEST(WaveHeaders, FloatHasPeakPerChannelAndTwoLeadingZeros) {
  for (std::uint16_t channels : {1, 2}) {
    WaveHeader h;
    h.family = WaveFamily::Float;
    h.channels = channels;
    h.sampleRate = 48000;
    h.factSamples = channels == 1 ? 125635 : 0;
    h.dataSize = 1234;
    Bytes b = EncodeWaveHeader(h);
    const std::size_t dataTag = channels == 1 ? 72 : 80;
    ASSERT_EQ(b.size(), dataTag + 10) << channels;
    EXPECT_EQ(ReadU16Le(&b[20]), 3);
    EXPECT_EQ(ReadU16Le(&b[34]), 32);
    EXPECT_TRUE(ReadTag(&b[36], "fact") && ReadTag(&b[48], "PEAK") && ReadTag(&b[dataTag], "data"));
    EXPECT_EQ(ReadU32Le(&b[44]), h.factSamples);
    EXPECT_EQ(ReadU32Le(&b[52]), channels == 1 ? 16u : 24u);
    EXPECT_EQ(ReadU32Le(&b[56]), 1u);
    EXPECT_EQ(Bytes(b.begin() + 60, b.begin() + static_cast<long>(dataTag)), Bytes(dataTag - 60, 0));
    EXPECT_EQ(ReadU32Le(&b[dataTag + 4]), 1234u);
    EXPECT_EQ(b[dataTag + 8], 0);
    EXPECT_EQ(b[dataTag + 9], 0);
  }
}

// The copy as the format descriptions state it: one byte per read, units
// written whole, bytes past the input's end keeping the previous unit's values.
Bytes ReferenceCopy(const Bytes& input, const CopyRule& rule) {
  Bytes out;
  Bytes unit(static_cast<std::size_t>(rule.unitSize), 0);
  std::size_t position = static_cast<std::size_t>(rule.dataOffset);
  long unitIndex = 0;
  for (std::int64_t counter = 0; rule.payloadBytes > counter; counter += rule.unitSize, ++unitIndex) {
    for (unsigned char& b : unit) {
      if (position < input.size()) b = input[position++];
    }
    unsigned char written[8];
    std::copy(unit.begin(), unit.end(), written);
    switch (rule.transform) {
      case UnitTransform::Unchanged:
        break;
      case UnitTransform::ReverseGroups:
        for (int i = 0; i < rule.unitSize; i += rule.groupSize) std::reverse(written + i, written + i + rule.groupSize);
        break;
      case UnitTransform::AddSignBit:
        for (int i = 0; i < rule.unitSize; ++i) written[i] = static_cast<unsigned char>(written[i] + 128);
        break;
      case UnitTransform::AddWord807F: {
        unsigned word = (written[0] | (written[1] << 8)) + 0x807Fu;
        written[0] = static_cast<unsigned char>(word);
        written[1] = static_cast<unsigned char>(word >> 8);
        break;
      }
      case UnitTransform::HighHalfThenSilence:
        written[0] = unit[1];
        written[1] = unit[0];
        written[2] = written[3] = 0;
        break;
    }
    if (rule.dropEvery > 0 && (unitIndex + 1) % rule.dropEvery == 0) continue;
    out.insert(out.end(), written, written + rule.unitSize);
  }
  return out;
}

class CopierTest : public ProgramTest {
 protected:
  Bytes Copy(const Bytes& input, const CopyRule& rule) {
    std::string in = ScratchFile("in.bin"), out = ScratchFile("out.bin");
    WriteWholeFile(in, input);
    Stream inStream = OpenStream(in, "rb");
    Stream outStream = OpenStream(out, "wb");
    EXPECT_TRUE(CopyPayload(inStream.get(), outStream.get(), rule));
    CloseStream(outStream);
    return ReadWholeFile(out);
  }
};

TEST_F(CopierTest, OddPayloadInTwoByteUnitsWritesOneByteMore) {
  Bytes input = Hex({0xEE, 1, 2, 3, 4, 5});
  CopyRule rule;
  rule.dataOffset = 1;
  rule.unitSize = 2;
  rule.payloadBytes = 5;
  EXPECT_EQ(Copy(input, rule), Hex({1, 2, 3, 4, 5, 4}));
  rule.transform = UnitTransform::ReverseGroups;
  EXPECT_EQ(Copy(input, rule), Hex({2, 1, 4, 3, 4, 5}));
  EXPECT_EQ(CopiedBytes(rule), 6);
}

TEST_F(CopierTest, PayloadShorterThanAUnitIsPaddedWithZeros) {
  CopyRule rule;
  rule.unitSize = 4;
  rule.transform = UnitTransform::ReverseGroups;
  rule.groupSize = 4;
  rule.payloadBytes = 3;
  EXPECT_EQ(Copy(Hex({1, 2, 3}), rule), Hex({0, 3, 2, 1}));
}

TEST_F(CopierTest, TwentyFourBitBlocksDropTheirPadding) {
  CopyRule rule;
  rule.unitSize = 2;
  rule.payloadBytes = 64;
  rule.dropEvery = 16;
  Bytes input = PatternBytes(64);
  Bytes expected(input.begin(), input.begin() + 30);
  expected.insert(expected.end(), input.begin() + 32, input.begin() + 62);
  EXPECT_EQ(Copy(input, rule), expected);
  EXPECT_EQ(CopiedBytes(rule), 60);
}

TEST_F(CopierTest, MatchesTheByteAtATimeCopyForEveryRule) {
  struct Shape {
    int unit;
    UnitTransform transform;
    int group;
    int dropEvery;
  } shapes[] = {
      {1, UnitTransform::Unchanged, 2, 0},      {2, UnitTransform::Unchanged, 2, 0},
      {2, UnitTransform::ReverseGroups, 2, 0},  {3, UnitTransform::ReverseGroups, 3, 0},
      {4, UnitTransform::ReverseGroups, 4, 0},  {6, UnitTransform::ReverseGroups, 3, 0},
      {2, UnitTransform::AddSignBit, 2, 0},     {1, UnitTransform::AddSignBit, 2, 0},
      {2, UnitTransform::AddWord807F, 2, 0},    {4, UnitTransform::HighHalfThenSilence, 2, 0},
      {2, UnitTransform::Unchanged, 2, 16},
  };
  const std::size_t block = IO_BLOCK_BYTES;
  for (const Shape& shape : shapes) {
    for (std::size_t payload : {std::size_t{0}, std::size_t{1}, std::size_t{7}, std::size_t{100}, block - 1,
                                block + 1, 2 * block + 5}) {
      for (std::int64_t shortBy : {0, 1, 2}) {  // the bound lies before the input's end (VOC, AIFF-C)
        if (payload > block && shortBy > 0) continue;
        Bytes input = PatternBytes(payload + 44, static_cast<std::uint32_t>(payload + 3));
        CopyRule rule;
        rule.dataOffset = 44;
        rule.unitSize = shape.unit;
        rule.transform = shape.transform;
        rule.groupSize = shape.group;
        rule.dropEvery = shape.dropEvery;
        rule.payloadBytes = static_cast<std::int64_t>(payload) - shortBy;
        Bytes expected = ReferenceCopy(input, rule);
        ASSERT_EQ(Copy(input, rule), expected)
            << "unit " << shape.unit << " transform " << static_cast<int>(shape.transform) << " payload "
            << payload << " short by " << shortBy;
        ASSERT_EQ(CopiedBytes(rule), static_cast<std::int64_t>(expected.size()));
      }
    }
  }
}

TEST(Durations, TextHasSixSignificantDigits) {
  EXPECT_EQ(FormatDuration(2.5), "2.5");
  EXPECT_EQ(FormatDuration(12.345678), "12.3457");
  EXPECT_EQ(FormatDuration(60), "60");
  EXPECT_EQ(FormatDuration(1.000375), "1.00038");
  EXPECT_EQ(FormatDuration(1234567.0), "1.23457e+06");
  EXPECT_TRUE(std::isnan(Quotient(5, 0)));
}

class ConversionTest : public ProgramTest {
 protected:
  // A plan in the style of the simplest format: 16-bit mono PCM behind a
  // 12-byte header, its duration S / byteRate.
  ConversionPlan PlanFor(const ConversionInput& input, std::uint32_t byteRate) {
    ConversionPlan plan;
    plan.header.sampleRate = byteRate / 2;
    plan.header.byteRate = byteRate;
    plan.header.blockAlign = 2;
    plan.header.bitsPerSample = 16;
    plan.header.dataSize = static_cast<std::uint32_t>(input.size - 12);
    plan.header.riffSize = plan.header.dataSize + 36;
    plan.copy = CopyToEnd(input, 12, 2, UnitTransform::ReverseGroups);
    plan.durationSeconds = Quotient(static_cast<double>(input.size), byteRate);
    return plan;
  }

  void Convert(const ConversionTarget& target, std::uint32_t byteRate) {
    ConversionInput input;
    if (!OpenConversionInput(target, input)) return;
    RunConversion(target, input, PlanFor(input, byteRate));
  }
};

TEST_F(ConversionTest, StoredDurationsAndText) {
  struct Case {
    std::size_t size;
    std::uint32_t byteRate;
    double seconds;
    std::uint32_t ms;
    const char* text;
  } cases[] = {
      {20000, 8000, 2.5, 2000, "2.5"},
      {123457, 10000, 12.3457, 12000, "12.3457"},
      {29000, 10000, 2.9, 2000, "2.9"},
  };
  for (const Case& c : cases) {
    WriteWholeFile(appState.tempWavPath, PatternBytes(c.size));
    appState.wavTypeKnown = 1;
    Convert(StoredTarget(), c.byteRate);
    EXPECT_EQ(appState.wavTypeKnown, 1);
    EXPECT_DOUBLE_EQ(appState.durationSeconds, c.seconds);
    EXPECT_EQ(appState.durationMs, c.ms);
    EXPECT_EQ(appState.replayDurationMs, c.ms);
    EXPECT_EQ(appState.durationText, c.text);
    Bytes out = ReadWholeFile(appState.decodedWavPath);
    EXPECT_EQ(out.size(), 44 + (c.size - 12 + 1) / 2 * 2);  // whole 2-byte units
  }
}

TEST_F(ConversionTest, ExternalLeavesStoredFieldsAlone) {
  std::string source = ScratchFile("in.mpc");
  WriteWholeFile(source, PatternBytes(20000));
  appState.durationText = "kept";
  appState.replayDurationMs = 7000;
  Convert(ExternalTarget(source, appState.mpcWavPath), 8000);
  EXPECT_EQ(appState.conversionFailed, 0);
  EXPECT_DOUBLE_EQ(appState.durationSeconds, 2.5);
  EXPECT_EQ(appState.durationMs, 2000u);
  EXPECT_EQ(appState.durationText, "kept");
  EXPECT_EQ(appState.replayDurationMs, 7000u);
}

TEST_F(ConversionTest, InputOfExactlyTheHeaderGivesEmptyData) {
  std::string source = ScratchFile("header-only");
  WriteWholeFile(source, PatternBytes(12));
  Convert(ExternalTarget(source, appState.mpcWavPath), 8000);
  EXPECT_EQ(appState.conversionFailed, 0);
  Bytes out = ReadWholeFile(appState.mpcWavPath);
  ASSERT_EQ(out.size(), 44u);
  EXPECT_EQ(ReadU32Le(&out[40]), 0u);
}

TEST_F(ConversionTest, SecondConversionReplacesTheFirstWhole) {
  std::string source = ScratchFile("in");
  WriteWholeFile(source, PatternBytes(5000, 1));
  Convert(ExternalTarget(source, appState.mpcWavPath), 8000);
  WriteWholeFile(source, PatternBytes(100, 2));
  Convert(ExternalTarget(source, appState.mpcWavPath), 8000);
  Bytes out = ReadWholeFile(appState.mpcWavPath);
  ASSERT_EQ(out.size(), 44u + 88u);
  Bytes payload = PatternBytes(100, 2);
  EXPECT_EQ(out[44], payload[13]);
  EXPECT_EQ(out[45], payload[12]);
}

TEST_F(ConversionTest, RejectedInputsWriteNothingAndKeepDurations) {
  std::string previous = "previous output";
  struct Case {
    const char* what;
    std::size_t size;       // 0: the source does not exist
    std::uint32_t byteRate;
    bool outputFolderMissing;
  } cases[] = {
      {"shorter than the data offset", 11, 8000, false},
      {"missing input", 0, 8000, false},
      {"rate of zero", 1000, 0, false},
      {"output cannot be created", 1000, 8000, true},
  };
  for (const Case& c : cases) {
    std::string source = ScratchFile("rejected");
    std::filesystem::remove(source);
    if (c.size > 0) WriteWholeFile(source, PatternBytes(c.size));
    std::string output = c.outputFolderMissing ? ProgramFile("no-such-folder/out.wav") : appState.mpcWavPath;
    WriteWholeFile(appState.mpcWavPath, BytesOf(previous));
    appState.conversionFailed = 0;
    appState.durationSeconds = 9.5;
    appState.durationMs = 9000;
    Convert(ExternalTarget(source, output), c.byteRate);
    EXPECT_EQ(appState.conversionFailed, 1) << c.what;
    EXPECT_EQ(ReadWholeFile(appState.mpcWavPath), BytesOf(previous)) << c.what;
    EXPECT_EQ(appState.durationSeconds, 9.5) << c.what;
    EXPECT_EQ(appState.durationMs, 9000u) << c.what;
  }
  // The stored face reports through wavTypeKnown.
  std::filesystem::remove(appState.tempWavPath);
  appState.wavTypeKnown = 1;
  Convert(StoredTarget(), 8000);
  EXPECT_EQ(appState.wavTypeKnown, 0);
}

TEST_F(ConversionTest, FailedWriteRemovesTheHalfWrittenOutput) {
  std::string source = ScratchFile("in");
  WriteWholeFile(source, PatternBytes(IO_BLOCK_BYTES * 2));
  for (long n = 1; n < 6; ++n) {
    appState.conversionFailed = 0;
    IoFailAt(n);
    Convert(ExternalTarget(source, appState.mpcWavPath), 8000);
    IoFailAt(0);
    EXPECT_EQ(appState.conversionFailed, 1) << n;
    EXPECT_FALSE(FileExists(appState.mpcWavPath)) << n;
  }
}

TEST_F(ConversionTest, HugeDurationsAreClamped) {
  ConversionTarget target = StoredTarget();
  SetDurationResults(target, 5e9);
  EXPECT_EQ(appState.durationMs, 4294967000u);
  SetDurationResults(target, 2.9);
  EXPECT_EQ(appState.durationMs, 2000u);
}

TEST_F(ProgramTest, TokensSplitLikeALineReadWithADelimiter) {
  std::string path = ScratchFile("header.txt");
  WriteWholeFile(path, BytesOf("NIST_1A\n   1024\nchannel_count -i 1\nrate  x"));
  Stream file = OpenStream(path, "rb");
  TokenReader reader;
  reader.file = file.get();
  std::vector<std::string> tokens;
  std::string token;
  while (ReadToken(reader, ' ', token)) tokens.push_back(token);
  std::vector<std::string> expected = {"NIST_1A\n", "", "", "1024\nchannel_count", "-i", "1\nrate", "", "x"};
  EXPECT_EQ(tokens, expected);
}

TEST_F(ProgramTest, LongTokensAreKeptToTheirStart) {
  std::string path = ScratchFile("long.txt");
  Bytes text(TOKEN_KEEP_BYTES * 3, 'a');
  text.push_back('.');
  text.push_back('b');
  WriteWholeFile(path, text);
  Stream file = OpenStream(path, "rb");
  TokenReader reader;
  reader.file = file.get();
  std::string token;
  ASSERT_TRUE(ReadToken(reader, '.', token));
  EXPECT_EQ(token.size(), TOKEN_KEEP_BYTES);
  ASSERT_TRUE(ReadToken(reader, '.', token));
  EXPECT_EQ(token, "b");
  EXPECT_FALSE(ReadToken(reader, '.', token));
}

TEST(TextNumbers, LeadingIntegerAsAStreamExtractsIt) {
  EXPECT_EQ(LeadingInteger("16000\nsample_n_bytes"), 16000);
  EXPECT_EQ(LeadingInteger(" \n 42x"), 42);
  EXPECT_EQ(LeadingInteger("-7"), -7);
  EXPECT_EQ(LeadingInteger("+8"), 8);
  EXPECT_EQ(LeadingInteger("ulaw"), 0);
  EXPECT_EQ(LeadingInteger(""), 0);
  EXPECT_EQ(LeadingInteger("-"), 0);
  EXPECT_EQ(LeadingInteger("99999999999"), 2147483647);
  EXPECT_EQ(LeadingInteger("-99999999999"), -2147483647 - 1);
}

}  // namespace

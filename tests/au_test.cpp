// AU/SND converter: the three header families per encoding and channel
// field, the payload of each path, durations, the external importer's magic
// test, refusals, and files written by sox and libsndfile.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "convert/formats.h"
#include "library/byte_order.h"
#include "shell/app_state.h"
#include "tests/test_support.h"
#include "tests/wave_support.h"

namespace {


Bytes Swapped(const Bytes& bytes) {
  Bytes out = bytes;
  for (std::size_t i = 0; i + 1 < out.size(); i += 2) std::swap(out[i], out[i + 1]);
  return out;
}

class AuTest : public ConverterTest {
 protected:
  AuTest()
      : ConverterTest({ImportAuFile, ConvertStoredAu, &AppState::auSourcePath, &AppState::auWavPath, "input.au"}) {}
};

class AuHeaders : public AuTest {};
class AuPayload : public AuTest {};
class AuDurations : public AuTest {};
class AuFailures : public AuTest {};
class AuWithSox : public AuTest {};

// Payload of 101 bytes: S = 125.
constexpr std::uint32_t S = 125;

TEST_F(AuHeaders, FieldsPerEncodingAndChannelField) {
  struct Case {
    const char* what;
    std::uint32_t encoding, rate, channels;
    std::uint16_t formatTag, outChannels;
    std::uint32_t outRate, byteRate;
    std::uint16_t blockAlign, bits;
    std::uint32_t fact, dataSize, riffSize;
  } cases[] = {
      {"16-bit mono", 3, 22050, 1, 1, 1, 22050, 44100, 2, 16, 0, S - 32, S + 4},
      // One channel at twice the rate: 88200 bytes per second, as the header's
      // rate, block align and bits make it.
      {"16-bit stereo plays as one channel", 3, 22050, 2, 1, 1, 44100, 88200, 2, 16, 0, S - 32, S + 4},
      {"8-bit mono plays at half the rate", 2, 8000, 1, 1, 1, 4000, 8000, 2, 16, 0, S - 32, S + 4},
      {"8-bit stereo, odd rate", 2, 8001, 2, 1, 1, 8000, 16002, 2, 16, 0, S - 32, S + 4},
      {"32-bit mono plays at twice the rate", 5, 48000, 1, 1, 1, 96000, 192000, 2, 16, 0, S - 32, S + 4},
      {"32-bit stereo", 5, 48000, 2, 1, 1, 192000, 384000, 2, 16, 0, S - 32, S + 4},
      {"linear: only the low half 00 02 is stereo", 3, 8000, 0x00010002, 1, 1, 16000, 32000, 2, 16, 0, S - 32,
       S + 4},
      {"linear: 00 03 is mono", 3, 8000, 3, 1, 1, 8000, 16000, 2, 16, 0, S - 32, S + 4},
      {"only the encoding's low byte counts", 0x0103, 8000, 1, 1, 1, 8000, 16000, 2, 16, 0, S - 32, S + 4},
      {"mu-law mono", 1, 8000, 1, 7, 1, 8000, 8000, 1, 8, S - 24, S - 24, S + 26},
      {"mu-law stereo", 1, 8000, 2, 7, 2, 8000, 16000, 2, 8, (S - 24) / 2, S - 24, S + 26},
      {"A-law stereo", 27, 11025, 2, 6, 2, 11025, 22050, 2, 8, (S - 24) / 2, S - 24, S + 26},
      {"G.711: the low byte 02 is stereo", 1, 8000, 0x0102, 7, 2, 8000, 16000, 2, 8, (S - 24) / 2, S - 24,
       S + 26},
      {"G.711: three channels, two-channel header, mono byte rate", 1, 8000, 3, 7, 2, 8000, 8000, 2, 8,
       (S - 24) / 2, S - 24, S + 26},
      {"G.711: zero channels", 1, 8000, 0, 7, 2, 8000, 8000, 2, 8, (S - 24) / 2, S - 24, S + 26},
      {"float mono", 6, 44100, 1, 3, 1, 44100, 176400, 4, 32, 125635, S - 22, S + 50},
      {"float stereo", 6, 44100, 2, 3, 2, 44100, 352800, 8, 32, 0, S - 22, S + 58},
      {"float: five channels, one-channel header", 6, 8000, 5, 3, 1, 8000, 32000, 4, 32, 125635, S - 22, S + 50},
  };
  for (Face face : FACES) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(NameOf(face)) + ": " + c.what);
      Bytes out = ReadWholeFile(Convert(face, AuFile(c.encoding, c.rate, c.channels, PatternBytes(S - 24))));
      ASSERT_FALSE(Failed(face));
      WaveInfo w = ParseWave(out);
      EXPECT_EQ(w.formatTag, c.formatTag);
      EXPECT_EQ(w.channels, c.outChannels);
      EXPECT_EQ(w.sampleRate, c.outRate);
      EXPECT_EQ(w.byteRate, c.byteRate);
      EXPECT_EQ(w.blockAlign, c.blockAlign);
      EXPECT_EQ(w.bitsPerSample, c.bits);
      EXPECT_EQ(w.factSamples, c.fact);
      EXPECT_EQ(w.dataSize, c.dataSize);
      EXPECT_EQ(w.riffSize, c.riffSize);
      // Whole 2-byte units are written: the odd payload gains one byte.
      EXPECT_EQ(out.size(), w.dataOffset + c.dataSize + 1);
    }
  }
}

TEST_F(AuPayload, EachPathMapsTheSampleBytes) {
  Bytes payload = PatternBytes(40, 7);
  struct Case {
    const char* what;
    std::uint32_t encoding;
    Bytes expected;  // the output's data chunk
  } cases[] = {
      {"linear: swapped pairs from 32", 3, Swapped(Tail(payload, 8))},
      {"8-bit linear: the earlier sample becomes the high byte", 2, Swapped(Tail(payload, 8))},
      {"32-bit linear: high half, then low half", 5, Swapped(Tail(payload, 8))},
      {"mu-law: unchanged from 24", 1, payload},
      {"A-law: unchanged from 24", 27, payload},
  };
  for (Face face : FACES) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(NameOf(face)) + ": " + c.what);
      Bytes out = ReadWholeFile(Convert(face, AuFile(c.encoding, 8000, 1, payload)));
      WaveInfo w = ParseWave(out);
      EXPECT_EQ(Tail(out, w.dataOffset), c.expected);
    }
  }
}

TEST_F(AuPayload, FloatWordsLineUpBehindTheTwoZeroBytes) {
  // Big-endian 1.0f, 0.5f and -2.0f.
  Bytes payload = {0x3F, 0x80, 0x00, 0x00, 0x3F, 0x00, 0x00, 0x00, 0xC0, 0x00, 0x12, 0x34};
  for (std::uint32_t channels : {1u, 2u}) {
    Bytes out = ReadWholeFile(Convert(Face::Stored, AuFile(6, 8000, channels, payload)));
    WaveInfo w = ParseWave(out);
    ASSERT_EQ(w.dataOffset, channels == 1 ? 80u : 88u);
    Bytes data = Tail(out, w.dataOffset);
    ASSERT_EQ(data.size(), 14u);
    EXPECT_EQ(w.dataSize, 14u);
    const float expected[] = {1.0f, 0.5f, -2.0f};
    for (std::size_t i = 0; i < 3; ++i) {
      std::uint32_t word = ReadU32Le(&data[4 * i]);
      float value;
      std::memcpy(&value, &word, 4);
      // Upper half from this sample, lower half from the one before.
      EXPECT_EQ(word >> 16, ReadU32Be(&payload[4 * i]) >> 16) << i;
      EXPECT_FLOAT_EQ(value, expected[i]) << i;
    }
    EXPECT_EQ(data[12], 0x34);  // the last sample's low bytes, swapped
    EXPECT_EQ(data[13], 0x12);
  }
}

TEST_F(AuDurations, ByPathAndChannels) {
  struct Case {
    const char* what;
    std::uint32_t encoding, rate, channels;
    std::size_t size;
    double seconds;
    const char* text;
    std::uint32_t ms;
  } cases[] = {
      {"mu-law mono", 1, 8000, 1, 100000, 12.5, "12.5", 12000},
      {"mu-law stereo halves", 1, 8000, 2, 100000, 6.25, "6.25", 6000},
      {"mu-law, three channels, not halved", 1, 8000, 3, 100000, 12.5, "12.5", 12000},
      {"A-law mono, 2.9 s", 27, 10000, 1, 29000, 2.9, "2.9", 2000},
      {"16-bit mono: S / rate / 2", 3, 8000, 1, 32032, 2.002, "2.002", 2000},
      {"16-bit stereo", 3, 8000, 2, 32032, 1.001, "1.001", 1000},
      {"8-bit mono: half rate", 2, 8000, 1, 24000, 3, "3", 3000},
      {"32-bit mono: double rate", 5, 8000, 1, 64000, 2, "2", 2000},
      {"float mono: S / 4R", 6, 8000, 1, 80000, 2.5, "2.5", 2000},
      {"float stereo halves", 6, 8000, 2, 80000, 1.25, "1.25", 1000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes file = AuFile(c.encoding, c.rate, c.channels, PatternBytes(c.size - 24));
    Convert(Face::Stored, file);
    EXPECT_FALSE(Failed(Face::Stored));
    EXPECT_DOUBLE_EQ(appState.durationSeconds, c.seconds);
    EXPECT_EQ(appState.durationText, c.text);
    EXPECT_EQ(appState.durationMs, c.ms);
    EXPECT_EQ(appState.replayDurationMs, c.ms);

    appState.durationText = "kept";
    appState.replayDurationMs = 1;
    Convert(Face::External, file);
    EXPECT_FALSE(Failed(Face::External));
    EXPECT_DOUBLE_EQ(appState.durationSeconds, c.seconds);
    EXPECT_EQ(appState.durationMs, c.ms);
    EXPECT_EQ(appState.durationText, "kept");
    EXPECT_EQ(appState.replayDurationMs, 1u);
  }
}

TEST_F(AuFailures, ExternalFilesNeedTheMagicForTheLaterEncodings) {
  struct Case {
    std::uint32_t encoding;
    const char* magic;
    bool externalConverts;
  } cases[] = {
      {5, "xsnd", true},  {6, "Xsnd", true},  // byte 0 is not examined
      {5, ".SND", false}, {6, "\0\0\0\0", false}, {27, "RIFF", false}, {5, ".sn!", false},
      {1, "RIFF", true},  {2, "\0\0\0\0", true},  {3, "junk", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.encoding) + " " + std::string(c.magic, 4));
    Bytes file = AuFile(c.encoding, 8000, 1, PatternBytes(64), c.magic);
    WriteWholeFile(appState.auWavPath, BytesOf("previous"));
    Convert(Face::External, file);
    EXPECT_EQ(Failed(Face::External), !c.externalConverts);
    if (!c.externalConverts) {
      EXPECT_EQ(ReadWholeFile(appState.auWavPath), BytesOf("previous"));
    }
    // A stored entry was recognised already; its magic is not looked at.
    Convert(Face::Stored, file);
    EXPECT_FALSE(Failed(Face::Stored));
  }
}

TEST_F(AuFailures, RefusedInputsWriteNothingAndKeepDurations) {
  struct Case {
    const char* what;
    Bytes file;
  } cases[] = {
      {"encoding 4 (24-bit)", AuFile(4, 8000, 1, PatternBytes(64))},
      {"encoding 7 (double)", AuFile(7, 8000, 1, PatternBytes(64))},
      {"encoding 0", AuFile(0, 8000, 1, PatternBytes(64))},
      {"encoding 23 (ADPCM)", AuFile(23, 8000, 1, PatternBytes(64))},
      {"low byte read signed", AuFile(0x81, 8000, 1, PatternBytes(64))},
      {"rate 0, linear", AuFile(3, 0, 1, PatternBytes(64))},
      {"rate 1, 8-bit: half of it is 0", AuFile(2, 1, 1, PatternBytes(64))},
      {"rate 0, mu-law", AuFile(1, 0, 2, PatternBytes(64))},
      {"rate 0, float", AuFile(6, 0, 1, PatternBytes(64))},
      {"linear, shorter than its data offset 32", AuFile(3, 8000, 1, PatternBytes(7))},
      {"mu-law, shorter than its data offset 24", Shortened(AuFile(1, 8000, 1, {}), 1)},
      {"empty", {}},
  };
  for (Face face : FACES) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(NameOf(face)) + ": " + c.what);
      SCOPED_TRACE(std::string(NameOf(face)) + ": " + c.what);
      ExpectRefused(face, c.file);
    }
  }
}

TEST_F(AuFailures, InputOfExactlyTheDataOffsetGivesAnEmptyDataChunk) {
  struct Case {
    std::uint32_t encoding;
    std::size_t size;
    std::uint32_t dataSize;
  } cases[] = {{3, 32, 0}, {1, 24, 0}, {6, 24, 2}};
  for (const Case& c : cases) {
    Bytes out = ReadWholeFile(Convert(Face::Stored, AuFile(c.encoding, 8000, 1, PatternBytes(c.size - 24))));
    ASSERT_FALSE(Failed(Face::Stored)) << c.encoding;
    WaveInfo w = ParseWave(out);
    EXPECT_EQ(w.dataSize, c.dataSize) << c.encoding;
    EXPECT_EQ(out.size(), w.dataOffset + c.dataSize) << c.encoding;
  }
}

TEST_F(AuWithSox, LinearFilesDecodeToTheSamplesPastTheFixedOffset) {
  REQUIRE_HOST_TOOL("sox");
  for (int channels : {1, 2}) {
    for (Face face : FACES) {
      SCOPED_TRACE(std::string(NameOf(face)) + " channels " + std::to_string(channels));
      std::string source = ScratchFile("sox.au");
      ASSERT_EQ(RunHostTool("sox -n -r 22050 -c " + std::to_string(channels) + " -b 16 --comment '' '" + source +
                            "' synth 0.3 sine 440 sine 660"),
                0);
      Bytes file = ReadWholeFile(source);
      ASSERT_GE(file.size(), 32u);
      const std::size_t samplesStart = ReadU32Be(&file[4]);  // sox's own header length
      ASSERT_LE(samplesStart, 32u);
      std::string output = Convert(face, file);
      ASSERT_FALSE(Failed(face));
      Bytes expected = SoxDecode(source, "-e signed -b 16 -L");
      Bytes actual = SoxDecode(output, "-e signed -b 16 -L");
      // The converter starts at 32; what lies between sox's header and 32 is skipped.
      EXPECT_EQ(actual, Tail(expected, 32 - samplesStart));
      EXPECT_GT(actual.size(), 10000u);
      EXPECT_EQ(SoxInfo(output, "-r"), std::to_string(22050 * channels));
      EXPECT_EQ(SoxInfo(output, "-c"), "1");
    }
  }
}

TEST_F(AuWithSox, G711FilesDecodeToTheSameSamples) {
  REQUIRE_HOST_TOOL("sox");
  REQUIRE_HOST_TOOL("sndfile-convert");
  // The samples lie right behind the bare header of 24 bytes.
  auto samplesStart = [](const Bytes& file) -> std::size_t { return file.size() >= 8 ? ReadU32Be(&file[4]) : 0; };
  ExpectG711TonesKept("g711.au", samplesStart, 24, "", 0);
}

TEST_F(AuWithSox, FloatFilesKeepTheirUpperHalves) {
  REQUIRE_HOST_TOOL("sox");
  REQUIRE_HOST_TOOL("sndfile-convert");
  for (int channels : {1, 2}) {
    for (Face face : FACES) {
      SCOPED_TRACE(std::string(NameOf(face)) + " channels " + std::to_string(channels));
      std::string source = ScratchFile("float.au");
      ASSERT_TRUE(ToneThroughSndfile(source, "-r 16000 -c " + std::to_string(channels) + " -b 16",
                                     "0.25 sine 300 sine 500 gain -3", "-float32"));
      Bytes file = ReadWholeFile(source);
      ASSERT_EQ(ReadU32Be(&file[4]), 24u);
      ASSERT_EQ(ReadU32Be(&file[12]), 6u);
      std::string output = Convert(face, file);
      ASSERT_FALSE(Failed(face));
      Bytes expected = SoxDecode(source, "-e float -b 32 -L");
      Bytes actual = SoxDecode(output, "-e float -b 32 -L");
      ASSERT_EQ(actual.size(), expected.size());
      // Each output word keeps its sample's sign, exponent and top 7
      // mantissa bits; the rest comes from the sample before.
      for (std::size_t i = 0; i + 4 <= actual.size(); i += 4) {
        float a, e;
        std::memcpy(&a, &actual[i], 4);
        std::memcpy(&e, &expected[i], 4);
        ASSERT_LE(std::fabs(a - e), std::fabs(e) / 64 + 1e-30f) << i / 4;
      }
      EXPECT_EQ(SoxInfo(output, "-r"), "16000");
      EXPECT_EQ(SoxInfo(output, "-c"), std::to_string(channels));
    }
  }
}

}  // namespace

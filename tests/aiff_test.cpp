// AIFF/AIFF-C converter: headers of every path (rate rows and defaults,
// channel fields), the payload mapping of each path, durations and the
// stored duration text, refusals (including the 8-bit file that is written
// yet reported failed), and files written by sox and libsndfile.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "convert/formats.h"
#include "library/byte_order.h"
#include "shell/app_state.h"
#include "tests/test_support.h"
#include "tests/wave_support.h"

namespace {

// Leading bytes of the 80-bit rates.
constexpr std::uint32_t R8000 = 0x400BFA00, R11025 = 0x400CAC44, R22050 = 0x400DAC44, R44100 = 0x400EAC44,
                        R48000 = 0x400EBB80, R96000 = 0x400FBB80, R176400 = 0x4010AC44, R_ODD = 0x400EAC45;

class AiffTest : public ConverterTest {
 protected:
  AiffTest()
      : ConverterTest({ImportAiffFile, ConvertStoredAiff, &AppState::aiffSourcePath, &AppState::aiffWavPath,
                       "input.aiff"}) {}
};

class AiffHeaders : public AiffTest {};
class AiffPayload : public AiffTest {};
class AiffDurations : public AiffTest {};
class AiffFailures : public AiffTest {};
class AiffWithSox : public AiffTest {};

constexpr std::uint32_t SAMPLES = 120;  // payload bytes behind each header

TEST_F(AiffHeaders, FieldsPerPathRateAndChannels) {
  constexpr std::uint32_t S = 54 + SAMPLES, SC = 72 + SAMPLES;
  const Bytes samples = PatternBytes(SAMPLES);
  struct Case {
    const char* what;
    Bytes file;
    std::uint16_t formatTag, channels;
    std::uint32_t rate, byteRate;
    std::uint16_t blockAlign, bits;
    std::uint32_t fact, dataSize, riffSize;
  } cases[] = {
      {"16-bit stereo 44100", AiffFile(2, 16, R44100, samples), 1, 2, 44100, 176400, 4, 16, 0, S - 58, S - 22},
      {"16-bit mono 8000", AiffFile(1, 16, R8000, samples), 1, 1, 8000, 16000, 2, 16, 0, S - 58, S - 22},
      {"16-bit knows 176400", AiffFile(1, 16, R176400, samples), 1, 1, 176400, 352800, 2, 16, 0, S - 58, S - 22},
      {"16-bit unknown rate", AiffFile(1, 16, R_ODD, samples), 1, 1, 22050, 44100, 2, 16, 0, S - 58, S - 22},
      {"16-bit three channels: two written, byte rate not doubled", AiffFile(3, 16, R8000, samples), 1, 2, 8000,
       16000, 4, 16, 0, S - 58, S - 22},
      {"24-bit mono unknown rate", AiffFile(1, 24, R_ODD, samples), 1, 1, 192000, 576000, 3, 24, 0, S - 54,
       S - 18},
      {"24-bit stereo 48000", AiffFile(2, 24, R48000, samples), 1, 2, 48000, 288000, 6, 24, 0, S - 54, S - 18},
      {"24-bit knows 176400", AiffFile(1, 24, R176400, samples), 1, 1, 176400, 529200, 3, 24, 0, S - 54, S - 18},
      {"32-bit mono 48000", AiffFile(1, 32, R48000, samples), 1, 1, 96000, 192000, 2, 16, 0, S - 58, S - 22},
      {"32-bit stereo 44100", AiffFile(2, 32, R44100, samples), 1, 2, 88200, 352800, 4, 16, 0, S - 58, S - 22},
      {"32-bit does not know 176400", AiffFile(1, 32, R176400, samples), 1, 1, 192000, 384000, 2, 16, 0, S - 58,
       S - 22},
      {"8-bit mono 22050", AiffFile(1, 8, R22050, samples), 1, 1, 11025, 22050, 2, 16, 0, S - 58, S - 22},
      {"8-bit stereo 8000", AiffFile(2, 8, R8000, samples), 1, 2, 4000, 16000, 4, 16, 0, S - 58, S - 22},
      {"8-bit 11025", AiffFile(1, 8, R11025, samples), 1, 1, 5512, 11024, 2, 16, 0, S - 58, S - 22},
      {"8-bit stereo 11025", AiffFile(2, 8, R11025, samples), 1, 2, 5512, 22048, 4, 16, 0, S - 58, S - 22},
      {"8-bit does not know 96000", AiffFile(1, 8, R96000, samples), 1, 1, 22050, 44100, 2, 16, 0, S - 58,
       S - 22},
      {"AIFF-C mu-law stereo 8000", AifcFile(2, R8000, "ulaw", samples), 7, 2, 8000, 16000, 2, 8, (SC - 74) / 2,
       SC - 74, SC - 24},
      {"AIFF-C A-law mono 44100", AifcFile(1, R44100, "alaw", samples), 6, 1, 44100, 44100, 1, 8, SC - 74,
       SC - 74, SC - 24},
      {"AIFF-C unknown rate", AifcFile(1, R_ODD, "alaw", samples), 6, 1, 176400, 176400,
       1, 8, SC - 74, SC - 74, SC - 24},
      {"AIFF-C mu-law three channels", AifcFile(3, R8000, "ulaw", samples), 7, 2, 8000, 8000, 2, 8,
       (SC - 74) / 2, SC - 74, SC - 24},
      {"AIFF-C uncompressed mono 44100", AifcFile(1, R44100, "NONE", samples), 1, 1, 22050, 44100, 2, 16, 0,
       SC - 74, SC - 38},
      {"AIFF-C uncompressed stereo 22050", AifcFile(2, R22050, "sowt", samples), 1, 1, 22050, 44100, 2, 16, 0,
       SC - 74, SC - 38},
      {"AIFF-C uncompressed three channels: rate not halved", AifcFile(3, R22050, "twos", samples), 1, 1, 22050,
       22050, 2, 16, 0, SC - 74, SC - 38},
  };
  for (Face face : FACES) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(NameOf(face)) + ": " + c.what);
      Bytes out = ReadWholeFile(Convert(face, c.file));
      ASSERT_FALSE(Failed(face));
      WaveInfo w = ParseWave(out);
      EXPECT_EQ(w.formatTag, c.formatTag);
      EXPECT_EQ(w.channels, c.channels);
      EXPECT_EQ(w.sampleRate, c.rate);
      EXPECT_EQ(w.byteRate, c.byteRate);
      EXPECT_EQ(w.blockAlign, c.blockAlign);
      EXPECT_EQ(w.bitsPerSample, c.bits);
      EXPECT_EQ(w.factSamples, c.fact);
      EXPECT_EQ(w.dataSize, c.dataSize);
      EXPECT_EQ(w.riffSize, c.riffSize);
      EXPECT_EQ(out.size(), w.dataOffset + c.dataSize);  // payloads are whole units here
    }
  }
}

TEST_F(AiffPayload, EachPathMapsTheSampleBytes) {
  const Bytes b = {0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x20, 0x21, 0x22, 0x23, 0x24, 0x25, 0x30, 0x31};
  struct Case {
    const char* what;
    Bytes file;
    Bytes expected;
  } cases[] = {
      {"16-bit: swapped pairs from 58", AiffFile(1, 16, R8000, b),
       {0x15, 0x14, 0x21, 0x20, 0x23, 0x22, 0x25, 0x24, 0x31, 0x30}},
      {"8-bit: the earlier sample becomes the high byte", AiffFile(1, 8, R8000, b),
       {0x15, 0x14, 0x21, 0x20, 0x23, 0x22, 0x25, 0x24, 0x31, 0x30}},
      // The last unit is cut after two bytes: its third keeps the value the
      // unit before had there, and the second sample of it too.
      {"24-bit: each sample reversed, from 54", AiffFile(1, 24, R8000, b),
       {0x12, 0x11, 0x10, 0x15, 0x14, 0x13, 0x22, 0x21, 0x20, 0x25, 0x24, 0x23, 0x22, 0x31, 0x30, 0x25, 0x24,
        0x23}},
      {"32-bit: high half, then a silent word", AiffFile(1, 32, R8000, b),
       {0x15, 0x14, 0, 0, 0x23, 0x22, 0, 0, 0x31, 0x30, 0, 0}},
      // Two bytes short of the end: 0x30 0x31 are left out.
      {"AIFF-C mu-law: unchanged from 72", AifcFile(1, R8000, "ulaw", b),
       Bytes(b.begin(), b.end() - 2)},
      {"AIFF-C uncompressed: each little-endian word plus 0x807F",
       AifcFile(1, R8000, "NONE", {0x00, 0x00, 0xFF, 0xFF, 0x81, 0x7F, 0x34, 0x12, 0xEE, 0xEE}),
       {0x7F, 0x80, 0x7E, 0x80, 0x00, 0x00, 0xB3, 0x92}},
  };
  for (Face face : FACES) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(NameOf(face)) + ": " + c.what);
      Bytes out = ReadWholeFile(Convert(face, c.file));
      WaveInfo w = ParseWave(out);
      EXPECT_EQ(Tail(out, w.dataOffset), c.expected);
    }
  }
}

TEST_F(AiffPayload, AnOddAifcPayloadEndsOnAWholeUnitPastTheBound) {
  // S − 74 = 9: units at 0, 2, 4, 6 and 8, so ten bytes are written.
  Bytes samples = PatternBytes(11);
  Bytes out = ReadWholeFile(Convert(Face::Stored, AifcFile(1, R8000, "alaw", samples)));
  WaveInfo w = ParseWave(out);
  EXPECT_EQ(w.dataSize, 9u);
  EXPECT_EQ(Tail(out, w.dataOffset), Bytes(samples.begin(), samples.begin() + 10));
}

TEST_F(AiffDurations, ByPath) {
  struct Case {
    const char* what;
    Bytes file;
    double seconds;
    const char* storedText;
    std::uint32_t ms;
  } cases[] = {
      {"16-bit mono, 2.5 s", AiffFile(1, 16, R8000, PatternBytes(40000 - 54)), 2.5, "2.5", 2000},
      {"16-bit, 12.3456875 s: six characters kept", AiffFile(1, 16, R8000, PatternBytes(197531 - 54)),
       197531.0 / 16000, "12.345", 12000},
      {"16-bit stereo", AiffFile(2, 16, R8000, PatternBytes(40000 - 54)), 1.25, "1.25", 1000},
      {"24-bit mono: S / 3D", AiffFile(1, 24, R8000, PatternBytes(36000 - 54)), 1.5, "1.5", 1000},
      {"24-bit stereo: S / 6D", AiffFile(2, 24, R8000, PatternBytes(36000 - 54)), 0.75, "0.75", 0},
      {"32-bit mono: S / 4D", AiffFile(1, 32, R8000, PatternBytes(80000 - 54)), 2.5, "2.5", 2000},
      {"32-bit stereo: S / 8D", AiffFile(2, 32, R8000, PatternBytes(80000 - 54)), 1.25, "1.25", 1000},
      {"8-bit mono 22050", AiffFile(1, 8, R22050, PatternBytes(33075 - 54)), 1.5, "1.5", 1000},
      {"8-bit 11025: S / 11024", AiffFile(1, 8, R11025, PatternBytes(27560 - 54)), 2.5, "2.5", 2000},
      {"AIFF-C mu-law stereo", AifcFile(2, R8000, "ulaw", PatternBytes(40000 - 72)), 2.5, "2.5", 2000},
      {"AIFF-C uncompressed mono", AifcFile(1, R8000, "NONE", PatternBytes(20000 - 72)), 2.5, "2.5", 2000},
      // A whole number of seconds gives a one-character text, which the
      // status line has always shown as unknown.
      {"16-bit mono, 3 s", AiffFile(1, 16, R8000, PatternBytes(48000 - 54)), 3, "unknown", 3000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Convert(Face::Stored, c.file);
    EXPECT_FALSE(Failed(Face::Stored));
    EXPECT_DOUBLE_EQ(appState.durationSeconds, c.seconds);
    EXPECT_EQ(appState.durationText, c.storedText);
    EXPECT_EQ(appState.durationMs, c.ms);
    EXPECT_EQ(appState.replayDurationMs, c.ms);

    appState.durationText = "kept text";
    appState.replayDurationMs = 1;
    Convert(Face::External, c.file);
    EXPECT_FALSE(Failed(Face::External));
    EXPECT_DOUBLE_EQ(appState.durationSeconds, c.seconds);
    EXPECT_EQ(appState.durationMs, c.ms);
    EXPECT_EQ(appState.durationText, "kept text");
    EXPECT_EQ(appState.replayDurationMs, 1u);
  }
}

TEST_F(AiffFailures, RefusedInputsWriteNothingAndKeepDurations) {
  struct Case {
    const char* what;
    Bytes file;
  } cases[] = {
      {"12-bit samples", AiffFile(1, 12, R8000, PatternBytes(100))},
      {"sample size 0", AiffFile(1, 0, R8000, PatternBytes(100))},
      {"AIFF-C FL32", AifcFile(1, R8000, "FL32", PatternBytes(100))},
      {"AIFF-C FL64", AifcFile(2, R8000, "FL64", PatternBytes(100))},
      {"16-bit shorter than its data offset 58", AiffFile(1, 16, R8000, PatternBytes(3))},
      {"24-bit shorter than its data offset 54", Shortened(AiffFile(1, 24, R8000, {}), 1)},
      {"AIFF-C of 72 bytes: its sizes would be negative", AifcFile(1, R8000, "ulaw", {})},
      {"AIFF-C of 73 bytes", AifcFile(1, R8000, "NONE", {0x55})},
      {"empty", {}},
      {"cut inside the sample size", Shortened(AiffFile(1, 16, R8000, {}), 27)},
  };
  for (Face face : FACES) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(NameOf(face)) + ": " + c.what);
      SCOPED_TRACE(std::string(NameOf(face)) + ": " + c.what);
      // A stored failure shows its duration as unknown.
      ExpectRefused(face, c.file, "unknown");
    }
  }
}

TEST_F(AiffFailures, EightBitFileWithFloatLettersIsWrittenYetReportedFailed) {
  for (const char* letters : {"FL32", "FL64"}) {
    for (Face face : FACES) {
      SCOPED_TRACE(std::string(NameOf(face)) + " " + letters);
      std::remove(OutputPath(face).c_str());
      appState.durationText = "old";
      Bytes file = AiffFile(1, 8, R8000, PatternBytes(20000 - 54), letters);
      Convert(face, file);
      EXPECT_TRUE(Failed(face));
      WaveInfo w = ParseWave(ReadWholeFile(OutputPath(face)));
      EXPECT_EQ(w.sampleRate, 4000u);
      EXPECT_EQ(w.dataSize, 20000u - 58);
      EXPECT_DOUBLE_EQ(appState.durationSeconds, 2.5);
      EXPECT_EQ(appState.durationMs, 2000u);
      EXPECT_EQ(appState.durationText, face == Face::Stored ? "2.5" : "old");
    }
  }
  // Other letters there are an ordinary block size.
  Convert(Face::External, AiffFile(1, 8, R8000, PatternBytes(100), "fl32"));
  EXPECT_FALSE(Failed(Face::External));
}

TEST_F(AiffFailures, ShortestAcceptedInputsGiveEmptyDataChunks) {
  struct Case {
    const char* what;
    Bytes file;
  } cases[] = {
      {"16-bit", Bytes(58, 0)},
      {"24-bit", AiffFile(1, 24, R8000, {})},
      {"AIFF-C", AifcFile(1, R8000, "ulaw", {0x55, 0x66})},
  };
  WriteU16Be(&cases[0].file[26], 16);
  for (const Case& c : cases) {
    Bytes out = ReadWholeFile(Convert(Face::Stored, c.file));
    ASSERT_FALSE(Failed(Face::Stored)) << c.what;
    WaveInfo w = ParseWave(out);
    EXPECT_EQ(w.dataSize, 0u) << c.what;
    EXPECT_EQ(out.size(), w.dataOffset) << c.what;
  }
}

// Where the samples of a file from a tool begin: behind SSND's header and
// its offset and block-size words.
std::size_t SamplesStart(const Bytes& file) {
  const char tag[] = "SSND";
  auto at = std::search(file.begin(), file.end(), tag, tag + 4);
  EXPECT_NE(at, file.end());
  return static_cast<std::size_t>(at - file.begin()) + 16;
}

TEST_F(AiffWithSox, PcmFilesDecodeToTheSamplesPastTheFixedOffset) {
  REQUIRE_HOST_TOOL("sox");
  struct Case {
    int bits, channels, rate;
    int outRate;
  } cases[] = {{16, 1, 44100, 44100}, {16, 2, 22050, 22050}, {24, 1, 48000, 48000},
               {24, 2, 44100, 44100}, {8, 1, 22050, 11025},  {8, 2, 8000, 4000}};
  for (const Case& c : cases) {
    for (Face face : FACES) {
      SCOPED_TRACE(std::string(NameOf(face)) + " " + std::to_string(c.bits) + "-bit, " +
                   std::to_string(c.channels) + " channels");
      std::string source = ScratchFile("sox.aiff");
      ASSERT_EQ(RunHostTool("sox -n -r " + std::to_string(c.rate) + " -c " + std::to_string(c.channels) + " -b " +
                            std::to_string(c.bits) + " --comment '' '" + source + "' synth 0.2 sine 440 sine 700"),
                0);
      Bytes file = ReadWholeFile(source);
      const std::size_t start = SamplesStart(file);
      ASSERT_EQ(start, 54u);  // COMM first, as the fixed offsets expect
      std::string output = Convert(face, file);
      ASSERT_FALSE(Failed(face));
      const std::size_t skipped = (c.bits == 24 ? 54 : 58) - start;
      const std::string format = "-e signed -b " + std::to_string(c.bits) + " -L";
      Bytes expected = SoxDecode(source, format);
      if (c.bits == 8) {
        // 8-bit samples play in pairs as one 16-bit sample, the earlier high.
        Bytes actual = SoxDecode(output, "-e signed -b 16 -L");
        expected = Tail(expected, skipped);
        for (std::size_t i = 0; i + 1 < expected.size(); i += 2) std::swap(expected[i], expected[i + 1]);
        EXPECT_EQ(actual, expected);
      } else {
        EXPECT_EQ(SoxDecode(output, format), Tail(expected, skipped));
      }
      EXPECT_EQ(SoxInfo(output, "-r"), std::to_string(c.outRate));
      EXPECT_EQ(SoxInfo(output, "-c"), std::to_string(c.channels));
    }
  }
}

TEST_F(AiffWithSox, ThirtyTwoBitFilesKeepTheirHighHalves) {
  REQUIRE_HOST_TOOL("sox");
  for (Face face : FACES) {
    SCOPED_TRACE(NameOf(face));
    std::string source = ScratchFile("sox32.aiff");
    ASSERT_EQ(RunHostTool("sox -n -r 48000 -c 1 -b 32 --comment '' '" + source + "' synth 0.2 sine 440"), 0);
    Bytes file = ReadWholeFile(source);
    ASSERT_EQ(SamplesStart(file), 54u);
    std::string output = Convert(face, file);
    ASSERT_FALSE(Failed(face));
    Bytes in32 = SoxDecode(source, "-e signed -b 32 -L");
    Bytes out16 = SoxDecode(output, "-e signed -b 16 -L");
    // The copy starts one sample in (58, not 54); each sample gives its
    // high half and a silent word.
    ASSERT_EQ(out16.size(), in32.size() - 4);
    for (std::size_t i = 0; i + 4 <= out16.size(); i += 4) {
      ASSERT_EQ(ReadU16Le(&out16[i]), ReadU32Le(&in32[i + 4]) >> 16) << i / 4;
      ASSERT_EQ(ReadU16Le(&out16[i + 2]), 0) << i / 4;
    }
    EXPECT_EQ(SoxInfo(output, "-r"), "96000");
  }
}

TEST_F(AiffWithSox, AifcG711FilesDecodeToTheSameSamples) {
  REQUIRE_HOST_TOOL("sox");
  REQUIRE_HOST_TOOL("sndfile-convert");
  // sox reads G.711 AIFF-C through libsndfile only. The copy leaves the last
  // two bytes out: two samples, decoded to four bytes.
  ExpectG711TonesKept("g711.aifc", SamplesStart, 72, "-t sndfile", 4);
}

TEST_F(AiffWithSox, UncompressedAifcIsAReadableOneChannelWave) {
  REQUIRE_HOST_TOOL("sox");
  for (int channels : {1, 2}) {
    for (Face face : FACES) {
      SCOPED_TRACE(std::string(NameOf(face)) + " channels " + std::to_string(channels));
      std::string source = ScratchFile("sox.aifc");
      ASSERT_EQ(RunHostTool("sox -n -r 44100 -c " + std::to_string(channels) + " -b 16 '" + source +
                            "' synth 0.2 sine 440"),
                0);
      Bytes file = ReadWholeFile(source);
      std::string output = Convert(face, file);
      ASSERT_FALSE(Failed(face));
      EXPECT_EQ(SoxInfo(output, "-r"), channels == 1 ? "22050" : "44100");
      EXPECT_EQ(SoxInfo(output, "-c"), "1");
      EXPECT_EQ(SoxInfo(output, "-s"), std::to_string((file.size() - 74) / 2));
    }
  }
}

}  // namespace

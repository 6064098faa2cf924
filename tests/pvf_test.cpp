// PVF: headers from the three header tokens, sample reordering per size,
// odd input sizes, durations of both faces, refused inputs, and files written
// by sox read back by sox.
#include <algorithm>
#include <cstdint>
#include <string>

#include "convert/formats.h"
#include "library/byte_order.h"
#include "shell/app_state.h"
#include "tests/test_support.h"
#include "tests/wave_support.h"

namespace {

constexpr std::size_t DATA_OFFSET = 1024;


Bytes Cut(Bytes bytes, std::size_t size) {
  bytes.resize(size);
  return bytes;
}

class PvfFixture : public ConverterTest {
 protected:
  PvfFixture()
      : ConverterTest({ImportPvfFile, ConvertStoredPvf, &AppState::pvfSourcePath, &AppState::pvfWavPath, "in.pvf"}) {}
};

using PvfHeaders = PvfFixture;
using PvfPayload = PvfFixture;
using PvfDurations = PvfFixture;
using PvfFailures = PvfFixture;
using PvfWithSox = PvfFixture;

TEST_F(PvfHeaders, SecondLineDecidesTheOutput) {
  struct Case {
    const char* line;
    std::uint16_t channels;
    std::uint32_t sampleRate;
    std::uint32_t byteRate;
    std::uint16_t blockAlign;
    std::uint16_t bits;
    double secondsDivisor;  // durationSeconds = S / secondsDivisor
  } cases[] = {
      {"1 8000 16", 1, 8000, 16000, 2, 16, 16000},
      {"2 8000 16", 2, 8000, 32000, 4, 16, 32000},
      // 8-bit plays as 16-bit at half the rate.
      {"2 44100 8", 2, 22050, 88200, 4, 16, 88200},
      {"1 11025 8", 1, 5512, 11025, 2, 16, 11024},
      {"1 8000 32", 1, 8000, 32000, 4, 32, 32000},
      {"2 48000 32", 2, 48000, 384000, 8, 32, 384000},
      // Other channel counts: two channels, the mono byte rate and duration.
      {"3 8000 16", 2, 8000, 16000, 4, 16, 16000},
      {"0 8000 32", 2, 8000, 32000, 8, 32, 32000},
      // Numbers are taken from the tokens' starts; K from one character.
      {"1 22050Hz 16bit", 1, 22050, 44100, 2, 16, 44100},
      {"1 8000 1", 1, 8000, 16000, 2, 16, 16000},
  };
  const Bytes payload = PatternBytes(4000);
  for (const auto& c : cases) {
    for (Face face : FACES) {
      Bytes input = PvfFile(c.line, payload);
      const std::uint32_t s = static_cast<std::uint32_t>(input.size());
      SCOPED_TRACE(std::string(c.line) + " (" + NameOf(face) + ")");
      WaveInfo w = ParseWave(ConvertToBytes(face, input));
      ASSERT_FALSE(Failed(face));
      EXPECT_EQ(w.formatTag, 1);
      EXPECT_EQ(w.channels, c.channels);
      EXPECT_EQ(w.sampleRate, c.sampleRate);
      EXPECT_EQ(w.byteRate, c.byteRate);
      EXPECT_EQ(w.blockAlign, c.blockAlign);
      EXPECT_EQ(w.bitsPerSample, c.bits);
      EXPECT_EQ(w.riffSize, s - 988);
      EXPECT_EQ(w.dataSize, s - 1024);
      EXPECT_DOUBLE_EQ(appState.durationSeconds, s / c.secondsDivisor);
    }
  }
}

TEST_F(PvfPayload, BigEndianSamplesBecomeLittleEndian) {
  const Bytes payload = {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0};
  struct Case {
    const char* line;
    Bytes expected;
  } cases[] = {
      {"1 8000 16", {0x34, 0x12, 0x78, 0x56, 0xBC, 0x9A, 0xF0, 0xDE}},
      // Two 8-bit samples make one 16-bit sample, the earlier one high.
      {"1 8000 8", {0x34, 0x12, 0x78, 0x56, 0xBC, 0x9A, 0xF0, 0xDE}},
      {"1 8000 32", {0x78, 0x56, 0x34, 0x12, 0xF0, 0xDE, 0xBC, 0x9A}},
  };
  for (const auto& c : cases) {
    Bytes out = ConvertToBytes(Face::External, PvfFile(c.line, payload));
    ASSERT_EQ(appState.conversionFailed, 0) << c.line;
    EXPECT_EQ(Bytes(out.begin() + 44, out.end()), c.expected) << c.line;
  }
}

// An odd S makes both sizes one larger: the last 2-byte unit is written whole.
TEST_F(PvfPayload, OddSizesCountTheWholeLastUnit) {
  struct Case {
    const char* line;
    std::size_t size;
    std::uint32_t riffSize, dataSize;
    std::size_t written;
  } cases[] = {
      {"1 8000 16", 2025, 1038, 1002, 1002},
      {"1 8000 16", 2024, 1036, 1000, 1000},
      {"1 8000 8", 1025, 38, 2, 2},
      // 4-byte units: the copy still ends on a whole unit.
      {"1 8000 32", 1029, 42, 6, 8},
  };
  for (const auto& c : cases) {
    Bytes input = PvfFile(c.line, PatternBytes(c.size - DATA_OFFSET, 3));
    Bytes out = ConvertToBytes(Face::External, input);
    ASSERT_EQ(appState.conversionFailed, 0);
    WaveInfo w = ParseWave(out);
    EXPECT_EQ(w.riffSize, c.riffSize) << c.line << " " << c.size;
    EXPECT_EQ(w.dataSize, c.dataSize) << c.line << " " << c.size;
    EXPECT_EQ(out.size() - 44, c.written) << c.line << " " << c.size;
  }
}

TEST_F(PvfDurations, StoredEntriesAlsoGetTextAndReplayTime) {
  // 2 channels, 44100 Hz, 8-bit: S / 44100 / 2 = 1.5 s for S = 132300.
  Bytes input = PvfFile("2 44100 8", PatternBytes(132300 - DATA_OFFSET));
  appState.durationText = "before";
  Convert(Face::External, input);
  EXPECT_DOUBLE_EQ(appState.durationSeconds, 1.5);
  EXPECT_EQ(appState.durationMs, 1000u);
  EXPECT_EQ(appState.durationText, "before");
  Convert(Face::Stored, input);
  EXPECT_EQ(appState.wavTypeKnown, 1);
  EXPECT_DOUBLE_EQ(appState.durationSeconds, 1.5);
  EXPECT_EQ(appState.durationMs, 1000u);
  EXPECT_EQ(appState.replayDurationMs, 1000u);
  EXPECT_EQ(appState.durationText, "1.5");
}

TEST_F(PvfFailures, RefusedInputsWriteNothing) {
  struct Case {
    const char* what;
    Bytes input;
  } cases[] = {
      {"24-bit samples", PvfFile("1 8000 24", Bytes(100, 0))},
      {"no third token", PvfFile("1 8000", Bytes(100, 0))},
      {"third token not a number", PvfFile("1 8000 x16", Bytes(100, 0))},
      {"rate of zero", PvfFile("1 0 16", Bytes(100, 0))},
      {"8-bit rate that halves to zero", PvfFile("1 1 8", Bytes(100, 0))},
      {"negative rate", PvfFile("1 -8000 16", Bytes(100, 0))},
      {"byte rate beyond 32 bits", PvfFile("2 2000000000 32", Bytes(100, 0))},
      {"shorter than the data offset", Cut(PvfFile("1 8000 16", {}), DATA_OFFSET - 1)},
      {"empty", {}},
  };
  for (const auto& c : cases) {
    for (Face face : FACES) {
      SCOPED_TRACE(std::string(NameOf(face)) + ": " + c.what);
      ExpectRefused(face, c.input);
    }
  }
}

// sox writes the samples right behind its short text header; the converter
// takes them from 1024 all the same, so the output carries sox's samples from
// 1024 minus the header length on, whatever that does to their alignment.
TEST_F(PvfWithSox, FilesWrittenBySoxReadBack) {
  REQUIRE_HOST_TOOL("sox");
  struct Case {
    const char* soxFormat;
    const char* inputDecode;   // sox's reading of the PVF samples, in file byte order
    const char* outputDecode;  // sox's reading of the output, in big-endian order again
    const char* channels;
    const char* rate;
    const char* bits;
  } cases[] = {
      {"-r 8000 -c 1 -b 16", "-e signed -b 16 -B", "-e signed -b 16 -B", "1", "8000", "16"},
      {"-r 8000 -c 1 -b 8", "-e signed -b 8", "-e signed -b 16 -B", "1", "4000", "16"},
      {"-r 16000 -c 2 -b 32", "-e signed -b 32 -B", "-e signed -b 32 -B", "2", "16000", "32"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.soxFormat);
    std::string pvf = ScratchFile("sox.pvf");
    ASSERT_EQ(RunHostTool("sox -n " + std::string(c.soxFormat) + " '" + pvf + "' synth 0.5 sine 440"), 0);
    Bytes input = ReadWholeFile(pvf);
    std::string output = ConvertBothFaces(input);

    EXPECT_EQ(SoxInfo(output, "-c"), c.channels);
    EXPECT_EQ(SoxInfo(output, "-r"), c.rate);
    EXPECT_EQ(SoxInfo(output, "-b"), c.bits);
    Bytes inSamples = SoxDecode(pvf, c.inputDecode), outSamples = SoxDecode(output, c.outputDecode);
    const std::size_t headerLength = input.size() - inSamples.size();
    ASSERT_LT(headerLength, DATA_OFFSET);
    Bytes expected(inSamples.begin() + static_cast<long>(DATA_OFFSET - headerLength), inSamples.end());
    // They may differ in the last frame only: sox reads whole frames, and an
    // odd S declares the repeated byte of the last unit.
    const std::size_t common = std::min(outSamples.size(), expected.size());
    ASSERT_GE(common + 8, std::max(outSamples.size(), expected.size()));
    EXPECT_TRUE(std::equal(outSamples.begin(), outSamples.begin() + static_cast<long>(common), expected.begin()));
  }
}

}  // namespace

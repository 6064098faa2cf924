// HTK converter: header fields per period, the swapped payload, the two
// duration rules (fraction for stored entries, whole seconds for external
// files), refusals, and files written by sox.
#include <algorithm>
#include <cstdint>
#include <string>

#include "convert/formats.h"
#include "library/byte_order.h"
#include "shell/app_state.h"
#include "tests/test_support.h"
#include "tests/wave_support.h"

namespace {


class HtkTest : public ConverterTest {
 protected:
  HtkTest()
      : ConverterTest({ImportHtkFile, ConvertStoredHtk, &AppState::htkSourcePath, &AppState::htkWavPath,
                       "input.htk"}) {}
};

class HtkHeaders : public HtkTest {};
class HtkPayload : public HtkTest {};
class HtkDurations : public HtkTest {};
class HtkFailures : public HtkTest {};
class HtkWithSox : public HtkTest {};

TEST_F(HtkHeaders, PeriodPicksTheRateAndUnknownPeriodsPlayAt22050) {
  struct Case {
    std::uint16_t period;
    std::uint32_t rate;
  } cases[] = {
      {1250, 8000},  {907, 11025}, {625, 16000}, {453, 22050}, {312, 32000}, {226, 44100},
      {208, 48000},  {113, 88200}, {104, 96000}, {56, 176400}, {52, 192000},
      {1000, 22050},  // 10 kHz is not in the table
      {227, 22050},   // 44100 Hz rounded to nearest, as some writers store it
      {0, 22050},
  };
  for (Face face : FACES) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(NameOf(face)) + " period " + std::to_string(c.period));
      Bytes file = HtkFile(c.period, 2, PatternBytes(100));
      Bytes out = ReadWholeFile(Convert(face, file));
      EXPECT_FALSE(Failed(face));
      WaveInfo w = ParseWave(out);
      EXPECT_EQ(w.formatTag, 1);
      EXPECT_EQ(w.channels, 1);
      EXPECT_EQ(w.sampleRate, c.rate);
      EXPECT_EQ(w.byteRate, 2 * c.rate);
      EXPECT_EQ(w.blockAlign, 2);
      EXPECT_EQ(w.bitsPerSample, 16);
      EXPECT_EQ(w.dataSize, file.size() - 12);
      EXPECT_EQ(w.riffSize, file.size() + 24);
      EXPECT_EQ(out.size(), 44 + file.size() - 12);
    }
  }
}

TEST_F(HtkPayload, SamplesBecomeLittleEndianAndAnOddTailIsWrittenWhole) {
  struct Case {
    Bytes payload;
    Bytes expected;
    std::uint32_t declared;
  } cases[] = {
      {{0x12, 0x34, 0x80, 0x01}, {0x34, 0x12, 0x01, 0x80}, 4},
      // The last unit is cut by the end of the file: its missing byte keeps
      // the previous unit's value there, and the declared size stays S − 12.
      {{0x12, 0x34, 0x56}, {0x34, 0x12, 0x34, 0x56}, 3},
      {{}, {}, 0},
  };
  for (Face face : FACES) {
    for (const Case& c : cases) {
      SCOPED_TRACE(NameOf(face));
      Bytes out = ReadWholeFile(Convert(face, HtkFile(625, 2, c.payload)));
      ASSERT_GE(out.size(), 44u);
      EXPECT_EQ(Tail(out, 44), c.expected);
      EXPECT_EQ(ReadU32Le(&out[40]), c.declared);
    }
  }
}

TEST_F(HtkDurations, StoredKeepsTheFractionExternalShowsWholeSeconds) {
  struct Case {
    std::uint16_t period;
    std::size_t size;  // S, header included
    double stored;
    const char* text;
    double external;
    std::uint32_t ms;
  } cases[] = {
      {625, 32012, 1.000375, "1.00038", 1, 1000},
      {1250, 46400, 2.9, "2.9", 2, 2000},     // 46400 / 16000
      {453, 66150, 1.5, "1.5", 1, 1000},      // 66150 / 44100
      {625, 12, 12.0 / 32000, "0.000375", 0, 0},
  };
  for (const Case& c : cases) {
    Bytes file = HtkFile(c.period, 2, PatternBytes(c.size - 12));
    Convert(Face::Stored, file);
    EXPECT_DOUBLE_EQ(appState.durationSeconds, c.stored) << c.size;
    EXPECT_EQ(appState.durationText, c.text) << c.size;
    EXPECT_EQ(appState.durationMs, c.ms) << c.size;
    EXPECT_EQ(appState.replayDurationMs, c.ms) << c.size;

    appState.durationText = "kept";
    Convert(Face::External, file);
    EXPECT_EQ(appState.durationSeconds, c.external) << c.size;
    EXPECT_EQ(appState.durationMs, c.ms) << c.size;
    EXPECT_EQ(appState.durationText, "kept") << c.size;
  }
}

TEST_F(HtkFailures, RefusedInputsWriteNothingAndKeepDurations) {
  struct Case {
    const char* what;
    Bytes file;
  } cases[] = {
      {"4 bytes per sample", HtkFile(625, 4, PatternBytes(400))},
      {"1 byte per sample", HtkFile(625, 1, PatternBytes(400))},
      {"sample size in the wrong half", HtkFile(625, 0x0200, PatternBytes(400))},
      {"empty file", {}},
      {"header cut before the sample size", Bytes{0, 0, 0, 1, 0, 0, 2, 0x71}},
      {"header cut after the sample size", Bytes{0, 0, 0, 1, 0, 0, 2, 0x71, 0, 2, 0}},
  };
  for (Face face : FACES) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(NameOf(face)) + ": " + c.what);
      SCOPED_TRACE(std::string(NameOf(face)) + ": " + c.what);
      ExpectRefused(face, c.file);
    }
  }
}

TEST_F(HtkWithSox, SoxFilesDecodeToTheSameSamples) {
  REQUIRE_HOST_TOOL("sox");
  for (int rate : {8000, 16000}) {
    for (Face face : FACES) {
      SCOPED_TRACE(std::string(NameOf(face)) + " " + std::to_string(rate));
      std::string source = ScratchFile("sox.htk");
      ASSERT_EQ(RunHostTool("sox -n -r " + std::to_string(rate) + " -c 1 -b 16 '" + source +
                            "' synth 0.3 sine 440 sine 1234"),
                0);
      std::string output = Convert(face, ReadWholeFile(source));
      ASSERT_FALSE(Failed(face));
      // The header is 12 bytes, exactly what the converter skips.
      Bytes expected = SoxDecode(source, "-e signed -b 16 -L");
      EXPECT_GT(expected.size(), 1000u);
      EXPECT_EQ(SoxDecode(output, "-e signed -b 16 -L"), expected);
      EXPECT_EQ(SoxInfo(output, "-r"), std::to_string(rate));
    }
  }
}

}  // namespace

// PAF import: header fields of the 8-, 16- and 24-bit paths, the sample
// mapping (the 24-bit block copy included), durations, refused inputs, and
// files written by sox.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>

#include "convert/formats.h"
#include "library/byte_order.h"
#include "shell/app_state.h"
#include "tests/test_support.h"
#include "tests/wave_support.h"

namespace {




constexpr std::size_t PAF_HEADER = 2048;

class PafTest : public ConverterTest {
 protected:
  PafTest()
      : ConverterTest({ImportPafFile, ConvertStoredPaf, &AppState::pafSourcePath, &AppState::pafWavPath, "in.paf"}) {}
};

// --- Headers ---------------------------------------------------------------------

using PafHeaders = PafTest;

TEST_F(PafHeaders, FieldsPerPath) {
  struct Case {
    const char* what;
    PafFields fields;
    std::size_t size;
    std::uint16_t channels;
    std::uint32_t rate, byteRate;
    std::uint16_t blockAlign, bits;
    std::uint32_t riffSize, dataSize;
  } cases[] = {
      {"16-bit stereo 44100", {{0, 0, 0xAC, 0x44}, 0, 2}, 3001, 2, 44100, 176400, 4, 16, 3001 - 2012, 3001 - 2048},
      {"16-bit mono 8000", {{0, 0, 0x1F, 0x40}, 0, 1}, 3001, 1, 8000, 16000, 2, 16, 3001 - 2012, 3001 - 2048},
      // Only the low half of the rate is read: 88200 and 96000 by what is left of them.
      {"16-bit mono 96000", {{0, 1, 0x77, 0x00}, 0, 1}, 3001, 1, 96000, 192000, 2, 16, 989, 953},
      {"16-bit, high half ignored", {{0x12, 0x34, 0x58, 0x88}, 0, 1}, 3001, 1, 88200, 176400, 2, 16, 989, 953},
      {"16-bit, code not in the table", {{0, 0, 0x12, 0x34}, 0, 1}, 3001, 1, 192000, 384000, 2, 16, 989, 953},
      {"16-bit, channels 3: two declared, rate not doubled", {{0, 0, 0xAC, 0x44}, 0, 3}, 3001, 2, 44100, 88200, 4,
       16, 989, 953},
      {"8-bit mono 22050", {{0, 0, 0x56, 0x22}, 2, 1}, 3001, 1, 22050, 22050, 1, 8, 989, 953},
      {"8-bit stereo 11025", {{0, 0, 0x2B, 0x11}, 2, 2}, 3001, 2, 11025, 22050, 2, 8, 989, 953},
      // 24-bit: the whole rate, and sizes from the 30 of every 32 bytes written.
      {"24-bit mono 96000, 64 bytes", {{0, 1, 0x77, 0x00}, 1, 1}, PAF_HEADER + 64, 1, 96000, 288000, 3, 24, 96, 60},
      {"24-bit mono, odd rate", {{0, 0, 0x30, 0x39}, 1, 1}, PAF_HEADER + 70, 1, 12345, 37035, 3, 24, 102, 66},
      {"24-bit mono, rate 0", {{0, 0, 0, 0}, 1, 1}, PAF_HEADER + 65, 1, 22050, 66150, 3, 24, 98, 62},
  };
  for (const Case& c : cases) {
    for (Face face : FACES) {
      SCOPED_TRACE(NameOf(face));
      Bytes out = ConvertToBytes(face, PafFile(c.size, c.fields));
      ASSERT_FALSE(Failed(face)) << c.what;
      WaveInfo w = ParseWave(out);
      EXPECT_EQ(w.formatTag, 1) << c.what;
      EXPECT_EQ(w.channels, c.channels) << c.what;
      EXPECT_EQ(w.sampleRate, c.rate) << c.what;
      EXPECT_EQ(w.byteRate, c.byteRate) << c.what;
      EXPECT_EQ(w.blockAlign, c.blockAlign) << c.what;
      EXPECT_EQ(w.bitsPerSample, c.bits) << c.what;
      EXPECT_EQ(w.riffSize, c.riffSize) << c.what;
      EXPECT_EQ(w.dataSize, c.dataSize) << c.what;
    }
  }
}

TEST_F(PafHeaders, TwentyFourBitSizesMatchTheFileWritten) {
  // Whatever the payload's length, the patched sizes describe the file exactly.
  for (std::size_t payload : {0, 1, 2, 30, 31, 32, 33, 63, 64, 65, 1000, 4097}) {
    Bytes out = ConvertToBytes(Face::External, PafFile(PAF_HEADER + payload, {{0, 0, 0x56, 0x22}, 1, 1}));
    ASSERT_EQ(appState.conversionFailed, 0) << payload;
    WaveInfo w = ParseWave(out);
    EXPECT_EQ(w.riffSize, out.size() - 8) << payload;
    EXPECT_EQ(w.dataSize, out.size() - 44) << payload;
  }
}

// --- Payload ---------------------------------------------------------------------

using PafPayload = PafTest;

TEST_F(PafPayload, SixteenBitSwappedAndEightBitMadeUnsigned) {
  struct Case {
    const char* what;
    PafFields fields;
    Bytes input;     // from offset 2048
    Bytes expected;  // the output's data
  } cases[] = {
      {"16-bit", {{0, 0, 0xAC, 0x44}, 0, 2}, {0x12, 0x34, 0x80, 0x01, 0xFF, 0x7F}, {0x34, 0x12, 0x01, 0x80, 0x7F, 0xFF}},
      {"8-bit", {{0, 0, 0x1F, 0x40}, 2, 1}, {0x80, 0x00, 0x7F, 0xFF}, {0x00, 0x80, 0xFF, 0x7F}},
      // An odd payload is written in whole units: one byte more than declared.
      {"16-bit, odd payload", {{0, 0, 0x1F, 0x40}, 0, 1}, {0x12, 0x34, 0x56}, {0x34, 0x12, 0x34, 0x56}},
  };
  for (const Case& c : cases) {
    Bytes file = PafFile(PAF_HEADER, c.fields);
    file.insert(file.end(), c.input.begin(), c.input.end());
    Bytes out = ConvertToBytes(Face::Stored, file);
    ASSERT_EQ(out.size(), 44 + c.expected.size()) << c.what;
    EXPECT_EQ(Tail(out, 44), c.expected) << c.what;
  }
}

TEST_F(PafPayload, TwentyFourBitBlocksLoseTheirPadding) {
  struct Case {
    std::size_t payload;
    std::initializer_list<std::pair<std::size_t, std::size_t>> kept;  // input ranges, in order
    int tail;  // index of a byte repeated at the end to fill the last unit, or -1
  } cases[] = {
      {64, {{0, 30}, {32, 62}}, -1},
      {70, {{0, 30}, {32, 62}, {64, 70}}, -1},
      // The last unit is cut short: its missing byte is the previous unit's.
      {65, {{0, 30}, {32, 62}, {64, 65}}, 63},
      {30, {{0, 30}}, -1},
      {32, {{0, 30}}, -1},
  };
  for (const Case& c : cases) {
    Bytes file = PafFile(PAF_HEADER + c.payload, {{0, 0, 0x56, 0x22}, 1, 1}, 7);
    Bytes expected;
    for (const auto& range : c.kept) {
      expected.insert(expected.end(), file.begin() + static_cast<long>(PAF_HEADER + range.first),
                      file.begin() + static_cast<long>(PAF_HEADER + range.second));
    }
    if (c.tail >= 0) expected.push_back(file[PAF_HEADER + static_cast<std::size_t>(c.tail)]);
    Bytes out = ConvertToBytes(Face::External, file);
    EXPECT_EQ(Tail(out, 44), expected) << c.payload;
  }
}

// --- Durations -------------------------------------------------------------------

using PafDurations = PafTest;

TEST_F(PafDurations, FromInputSizeOrFromTheBytesWritten) {
  struct Case {
    const char* what;
    PafFields fields;
    std::size_t size;
    double seconds;
    const char* text;
  } cases[] = {
      {"16-bit stereo 44100", {{0, 0, 0xAC, 0x44}, 0, 2}, 441000, 2.5, "2.5"},
      {"16-bit, channels 3: not halved", {{0, 0, 0xAC, 0x44}, 0, 3}, 441000, 5, "5"},
      {"8-bit mono 8000", {{0, 0, 0x1F, 0x40}, 2, 1}, 23200, 2.9, "2.9"},
      {"8-bit stereo 8000", {{0, 0, 0x1F, 0x40}, 2, 2}, 40000, 2.5, "2.5"},
      {"16-bit mono, unknown code", {{0, 0, 0, 1}, 0, 1}, 480000, 1.25, "1.25"},
      // 24-bit: the header is not counted, only the 30 bytes kept of every 32.
      {"24-bit mono 8000", {{0, 0, 0x1F, 0x40}, 1, 1}, PAF_HEADER + 32 * 1600, 2, "2"},
      {"24-bit mono, rate 0", {{0, 0, 0, 0}, 1, 1}, PAF_HEADER + 32 * 2205, 1, "1"},
      {"24-bit mono, rate 40000", {{0, 0, 0x9C, 0x40}, 1, 1}, PAF_HEADER + 64, 60 / 120000.0, "0.0005"},
  };
  for (const Case& c : cases) {
    Bytes file = PafFile(c.size, c.fields);
    appState.durationText = "untouched";
    Convert(Face::External, file);
    EXPECT_DOUBLE_EQ(appState.durationSeconds, c.seconds) << c.what;
    EXPECT_EQ(appState.durationMs, static_cast<std::uint32_t>(c.seconds) * 1000u) << c.what;
    EXPECT_EQ(appState.durationText, "untouched") << c.what;
    Convert(Face::Stored, file);
    EXPECT_DOUBLE_EQ(appState.durationSeconds, c.seconds) << c.what;
    EXPECT_EQ(appState.replayDurationMs, static_cast<std::uint32_t>(c.seconds) * 1000u) << c.what;
    EXPECT_EQ(appState.durationText, c.text) << c.what;
  }
}

// --- Failures --------------------------------------------------------------------

using PafFailures = PafTest;

TEST_F(PafFailures, RefusedInputsWriteNothingAndKeepDurations) {
  struct Case {
    const char* what;
    Bytes file;
  } cases[] = {
      {"24-bit stereo", PafFile(3000, {{0, 0, 0x56, 0x22}, 1, 2})},
      {"24-bit, channels 0", PafFile(3000, {{0, 0, 0x56, 0x22}, 1, 0})},
      {"format 3", PafFile(3000, {{0, 0, 0x56, 0x22}, 3, 1})},
      {"format 0x0100", PafFile(3000, {{0, 0, 0x56, 0x22}, 0x0100, 1})},
      {"16-bit shorter than 2048", PafFile(2047, {{0, 0, 0x56, 0x22}, 0, 1})},
      {"24-bit shorter than 2048", PafFile(2047, {{0, 0, 0x56, 0x22}, 1, 1})},
      {"header fields only", PafFile(24, {{0, 0, 0x56, 0x22}, 2, 1})},
      {"empty", Bytes()},
  };
  for (const Case& c : cases) {
    for (Face face : FACES) {
      SCOPED_TRACE(std::string(NameOf(face)) + ": " + c.what);
      ExpectRefused(face, c.file);
    }
  }
}

TEST_F(PafFailures, HeaderOnlyGivesEmptyData) {
  for (int format : {0, 1, 2}) {
    Bytes out = ConvertToBytes(Face::External, PafFile(PAF_HEADER, {{0, 0, 0x56, 0x22}, format, 1}));
    EXPECT_EQ(appState.conversionFailed, 0) << format;
    ASSERT_EQ(out.size(), 44u) << format;
    EXPECT_EQ(ParseWave(out).dataSize, 0u) << format;
    EXPECT_EQ(ParseWave(out).riffSize, 36u) << format;
  }
}

// --- Files written by sox -------------------------------------------------------

using PafWithSox = PafTest;

TEST_F(PafWithSox, SixteenBitStereoDecodesToTheSameSamples) {
  REQUIRE_HOST_TOOL("sox");
  std::string out = ConvertSoxToneBothFaces("sox.paf", "-r 44100 -c 2 -b 16 -B");
  Bytes input = SoxDecode(ScratchFile("sox.paf"), "-e signed -b 16 -L");
  ASSERT_EQ(input.size(), 0.25 * 44100 * 4);
  EXPECT_EQ(SoxDecode(out, "-e signed -b 16 -L"), input);
  EXPECT_EQ(SoxInfo(out, "-r"), "44100");
}

TEST_F(PafWithSox, EightBitMonoDecodesToTheSameSamples) {
  REQUIRE_HOST_TOOL("sox");
  std::string out = ConvertSoxToneBothFaces("sox.paf", "-r 8000 -c 1 -b 8 -e signed -B");
  Bytes input = SoxDecode(ScratchFile("sox.paf"), "-e signed -b 8");
  ASSERT_EQ(input.size(), 0.25 * 8000);
  EXPECT_EQ(SoxDecode(out, "-e signed -b 8"), input);
}

TEST_F(PafWithSox, TwentyFourBitMonoIsAWaveOfTheBlocksSamples) {
  REQUIRE_HOST_TOOL("sox");
  // The blocks are copied as they lie, so only the shape is compared: one
  // channel of 24-bit samples at the file's rate, ten per 32-byte block.
  std::string out = ConvertSoxToneBothFaces("sox.paf", "-r 16000 -c 1 -b 24 -B");
  std::string frames = SoxInfo(ScratchFile("sox.paf"), "-s");
  EXPECT_EQ(frames, "4000");
  EXPECT_EQ(SoxInfo(out, "-s"), frames);
  EXPECT_EQ(SoxInfo(out, "-r"), "16000");
  EXPECT_EQ(SoxInfo(out, "-c"), "1");
  EXPECT_EQ(SoxInfo(out, "-b"), "24");
}

}  // namespace

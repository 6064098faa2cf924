// CAF import: header fields per path and per entry point, the sample mapping
// of each path, durations, refused inputs, and files written by sox.
#include <cstdint>
#include <initializer_list>
#include <string>

#include "convert/formats.h"
#include "library/byte_order.h"
#include "shell/app_state.h"
#include "tests/test_support.h"
#include "tests/wave_support.h"

namespace {




class CafTest : public ConverterTest {
 protected:
  CafTest()
      : ConverterTest({ImportCafFile, ConvertStoredCaf, &AppState::cafSourcePath, &AppState::cafWavPath, "in.caf"}) {}
};

const CafFields STEREO_16_44100 = {0x40, 0xE5, "lpcm", 2, 0x10, "free"};

// --- Headers ---------------------------------------------------------------------

using CafHeaders = CafTest;

TEST_F(CafHeaders, FieldsPerPathAndEntryPoint) {
  const std::int64_t S = 5001;  // odd, so that the fact count rounds down
  struct Case {
    const char* what;
    CafFields fields;
    Face face;
    std::uint16_t tag, channels;
    std::uint32_t rate, byteRate;
    std::uint16_t blockAlign, bits;
    std::int64_t riffLess, dataLess;  // RIFF size S - riffLess, data size S - dataLess
    std::uint32_t fact;
  } cases[] = {
      {"16-bit stereo 44100", STEREO_16_44100, Face::External, 1, 2, 44100, 176400, 4, 16, 4058, 4094, 0},
      {"16-bit, 12000 Hz external", {0x40, 0xC7, "lpcm", 2, 0x10, "free"}, Face::External, 1, 2, 192000, 768000, 4, 16,
       4058, 4094, 0},
      {"16-bit, 12000 Hz stored", {0x40, 0xC7, "lpcm", 2, 0x10, "free"}, Face::Stored, 1, 2, 22050, 88200, 4, 16, 4058,
       4094, 0},
      {"16-bit mono 8000", {0x40, 0xBF, "lpcm", 1, 0x10, "free"}, Face::Stored, 1, 1, 8000, 16000, 2, 16, 4058, 4094,
       0},
      {"16-bit, channels 3: two declared, rate not doubled", {0x40, 0xE5, "lpcm", 3, 0x10, "free"}, Face::External, 1,
       2, 44100, 88200, 4, 16, 4058, 4094, 0},
      {"16-bit 'ulaw' stays linear", {0x40, 0xBF, "ulaw", 1, 0x10, "free"}, Face::External, 1, 1, 8000, 16000, 2, 16,
       4058, 4094, 0},
      {"32-bit mono 96000", {0x40, 0xF7, "lpcm", 1, 0x20, "free"}, Face::External, 1, 1, 96000, 384000, 4, 32, 4058,
       4094, 0},
      {"32-bit stereo, unknown rate external", {0x40, 0x00, "lpcm", 2, 0x20, "free"}, Face::External, 1, 2, 192000,
       1536000, 8, 32, 4058, 4094, 0},
      {"32-bit stereo, unknown rate stored", {0x40, 0x00, "lpcm", 2, 0x20, "free"}, Face::Stored, 1, 2, 88200, 705600,
       8, 32, 4058, 4094, 0},
      {"24-bit stereo 48000", {0x40, 0xE7, "lpcm", 2, 0x18, "free"}, Face::External, 1, 2, 48000, 288000, 6, 24, 4060,
       4096, 0},
      {"24-bit mono, unknown rate stored", {0x41, 0x00, "lpcm", 1, 0x18, "free"}, Face::Stored, 1, 1, 88200, 264600, 3,
       24, 4060, 4096, 0},
      {"24-bit mono 176400", {0x41, 0x05, "lpcm", 1, 0x18, "pakt"}, Face::Stored, 1, 1, 176400, 529200, 3, 24, 4060,
       4096, 0},
      {"8-bit linear mono 11025", {0x40, 0xC5, "lpcm", 1, 0x08, "free"}, Face::External, 1, 1, 11025, 11025, 1, 8, 4058,
       4094, 0},
      {"8-bit linear stereo, unknown rate stored", {0, 0, "lpcm", 2, 0x08, "free"}, Face::Stored, 1, 2, 22050, 44100, 2,
       8, 4058, 4094, 0},
      {"8-bit linear stereo, unknown rate external", {0, 0, "lpcm", 2, 0x08, "free"}, Face::External, 1, 2, 192000,
       384000, 2, 8, 4058, 4094, 0},
      {"mu-law mono 8000", {0x40, 0xBF, "ulaw", 1, 0x08, "free"}, Face::External, 7, 1, 8000, 8000, 1, 8, 4046, 4096,
       5001 - 4096},
      {"A-law stereo 16000", {0x40, 0xCF, "alaw", 2, 0x08, "free"}, Face::Stored, 6, 2, 16000, 32000, 2, 8, 4046, 4096,
       (5001 - 4096) / 2},
      {"mu-law, unknown rate stored", {0x40, 0xD0, "ulaw", 1, 0x08, "free"}, Face::Stored, 7, 1, 192000, 192000, 1, 8,
       4046, 4096, 5001 - 4096},
  };
  for (const Case& c : cases) {
    Bytes out = ConvertToBytes(c.face, CafFile(S, c.fields));
    ASSERT_FALSE(Failed(c.face)) << c.what;
    WaveInfo w = ParseWave(out);
    EXPECT_EQ(w.formatTag, c.tag) << c.what;
    EXPECT_EQ(w.channels, c.channels) << c.what;
    EXPECT_EQ(w.sampleRate, c.rate) << c.what;
    EXPECT_EQ(w.byteRate, c.byteRate) << c.what;
    EXPECT_EQ(w.blockAlign, c.blockAlign) << c.what;
    EXPECT_EQ(w.bitsPerSample, c.bits) << c.what;
    EXPECT_EQ(w.riffSize, S - c.riffLess) << c.what;
    EXPECT_EQ(w.dataSize, S - c.dataLess) << c.what;
    EXPECT_EQ(w.factSamples, c.fact) << c.what;
  }
}

// --- Payload ---------------------------------------------------------------------

using CafPayload = CafTest;

TEST_F(CafPayload, EachPathMapsItsSamples) {
  struct Case {
    const char* what;
    CafFields fields;
    Bytes input;     // from offset 4094
    Bytes expected;  // the output's data
  } cases[] = {
      {"16-bit: swapped from 4094", STEREO_16_44100, {0x00, 0x01, 0x12, 0x34, 0xAB, 0xCD},
       {0x01, 0x00, 0x34, 0x12, 0xCD, 0xAB}},
      // A sample's high half lands in one output word, its low half in the next.
      {"32-bit: halves spread over two words", {0x40, 0xBF, "lpcm", 1, 0x20, "free"},
       {0x00, 0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88},
       {0x00, 0x00, 0x22, 0x11, 0x44, 0x33, 0x66, 0x55, 0x88, 0x77}},
      {"24-bit: reversed from 4096", {0x40, 0xBF, "lpcm", 1, 0x18, "free"},
       {0xEE, 0xEE, 0x01, 0x02, 0x03, 0x0A, 0x0B, 0x0C}, {0x03, 0x02, 0x01, 0x0C, 0x0B, 0x0A}},
      {"8-bit linear: signed to unsigned", {0x40, 0xBF, "lpcm", 1, 0x08, "free"}, {0x00, 0x00, 0x80, 0x00, 0x7F, 0xFF},
       {0x80, 0x80, 0x00, 0x80, 0xFF, 0x7F}},
      {"mu-law: unchanged from 4096", {0x40, 0xBF, "ulaw", 1, 0x08, "free"}, {0xEE, 0xEE, 0xFF, 0x7F, 0x00, 0x80},
       {0xFF, 0x7F, 0x00, 0x80}},
      // The last unit is written whole, so the file holds one byte more than declared.
      {"16-bit, odd payload", STEREO_16_44100, {0x00, 0x01, 0x12, 0x34, 0xAB}, {0x01, 0x00, 0x34, 0x12, 0x34, 0xAB}},
  };
  for (const Case& c : cases) {
    Bytes file = CafFile(4094, c.fields);
    file.insert(file.end(), c.input.begin(), c.input.end());
    for (Face face : FACES) {
      Bytes out = ConvertToBytes(face, file);
      WaveInfo w = ParseWave(out);
      ASSERT_GE(out.size(), w.dataOffset) << c.what;
      EXPECT_EQ(Tail(out, w.dataOffset), c.expected) << c.what << " " << NameOf(face);
    }
  }
}

TEST_F(CafPayload, ChunkListIsNotFollowed) {
  // A data chunk announced at 60 is ignored: the copy starts at 4094 all the same.
  Bytes file = CafFile(4200, {0x40, 0xBF, "lpcm", 1, 0x10, "data"});
  Bytes out = ConvertToBytes(Face::External, file);
  ASSERT_EQ(out.size(), 44u + 106u);
  EXPECT_EQ(out[44], file[4095]);
  EXPECT_EQ(out[45], file[4094]);
}

// --- Durations -------------------------------------------------------------------

using CafDurations = CafTest;

TEST_F(CafDurations, FromWholeInputSize) {
  struct Case {
    const char* what;
    CafFields fields;
    std::size_t size;
    double seconds;
    const char* text;
  } cases[] = {
      {"16-bit stereo 44100", STEREO_16_44100, 441000, 441000 / 176400.0, "2.5"},
      {"16-bit, channels 3: not halved", {0x40, 0xE5, "lpcm", 3, 0x10, "free"}, 441000, 5, "5"},
      {"32-bit stereo 8000", {0x40, 0xBF, "lpcm", 2, 0x20, "free"}, 160000, 2.5, "2.5"},
      {"24-bit mono 8000", {0x40, 0xBF, "lpcm", 1, 0x18, "free"}, 69600, 2.9, "2.9"},
      {"24-bit stereo 16000", {0x40, 0xCF, "lpcm", 2, 0x18, "free"}, 123457, 123457 / 48000.0 / 2, "1.28601"},
      {"8-bit linear stereo 8000", {0x40, 0xBF, "lpcm", 2, 0x08, "free"}, 40000, 2.5, "2.5"},
      {"mu-law mono 8000", {0x40, 0xBF, "ulaw", 1, 0x08, "free"}, 8000 * 3 + 5000, (8000 * 3 + 5000) / 8000.0,
       "3.625"},
      {"A-law stereo 8000", {0x40, 0xBF, "alaw", 2, 0x08, "free"}, 8000 * 3 + 5000, (8000 * 3 + 5000) / 16000.0,
       "1.8125"},
  };
  for (const Case& c : cases) {
    Bytes file = CafFile(c.size, c.fields);
    appState.durationText = "untouched";
    appState.replayDurationMs = 123;
    Convert(Face::External, file);
    EXPECT_DOUBLE_EQ(appState.durationSeconds, c.seconds) << c.what;
    EXPECT_EQ(appState.durationMs, static_cast<std::uint32_t>(c.seconds) * 1000u) << c.what;
    EXPECT_EQ(appState.durationText, "untouched") << c.what;
    EXPECT_EQ(appState.replayDurationMs, 123u) << c.what;
    Convert(Face::Stored, file);
    EXPECT_DOUBLE_EQ(appState.durationSeconds, c.seconds) << c.what;
    EXPECT_EQ(appState.durationMs, static_cast<std::uint32_t>(c.seconds) * 1000u) << c.what;
    EXPECT_EQ(appState.replayDurationMs, appState.durationMs) << c.what;
    EXPECT_EQ(appState.durationText, c.text) << c.what;
  }
}

// --- Failures --------------------------------------------------------------------

using CafFailures = CafTest;

TEST_F(CafFailures, RefusedInputsWriteNothingAndKeepDurations) {
  struct Case {
    const char* what;
    Bytes file;
  } cases[] = {
      {"12-bit samples", CafFile(5000, {0x40, 0xBF, "lpcm", 1, 0x0C, "free"})},
      {"64-bit samples", CafFile(5000, {0x40, 0xBF, "lpcm", 1, 0x40, "free"})},
      {"32-bit without a free chunk", CafFile(5000, {0x40, 0xBF, "lpcm", 1, 0x20, "pakt"})},
      {"16-bit shorter than 4094", CafFile(4093, STEREO_16_44100)},
      {"24-bit shorter than 4096", CafFile(4095, {0x40, 0xBF, "lpcm", 1, 0x18, "free"})},
      {"mu-law shorter than 4096", CafFile(4095, {0x40, 0xBF, "ulaw", 1, 0x08, "free"})},
      {"header only", CafFile(56, STEREO_16_44100)},
      {"empty", Bytes()},
  };
  for (const Case& c : cases) {
    for (Face face : FACES) {
      SCOPED_TRACE(std::string(NameOf(face)) + ": " + c.what);
      ExpectRefused(face, c.file);
    }
  }
}

TEST_F(CafFailures, InputOfExactlyTheDataOffsetGivesEmptyData) {
  for (int bits : {0x10, 0x18}) {
    std::size_t offset = bits == 0x18 ? 4096 : 4094;
    Bytes out = ConvertToBytes(Face::External, CafFile(offset, {0x40, 0xBF, "lpcm", 1, bits, "free"}));
    EXPECT_EQ(appState.conversionFailed, 0) << bits;
    ASSERT_EQ(out.size(), 44u) << bits;
    EXPECT_EQ(ParseWave(out).dataSize, 0u) << bits;
  }
}

// --- Files written by sox -------------------------------------------------------

using CafWithSox = CafTest;

TEST_F(CafWithSox, SixteenBitStereoAfterTwoLeadingBytes) {
  REQUIRE_HOST_TOOL("sox");
  std::string out = ConvertSoxToneBothFaces("sox.caf", "-r 44100 -c 2 -b 16");
  Bytes input = SoxDecode(ScratchFile("sox.caf"), "-e signed -b 16 -L");
  ASSERT_EQ(input.size(), 0.25 * 44100 * 4);
  // The copy starts two bytes before the samples: a zero comes first, and the
  // last frame's second half lies past the declared data.
  Bytes expected = {0, 0};
  expected.insert(expected.end(), input.begin(), input.end());
  Bytes wave = ReadWholeFile(out);
  EXPECT_EQ(Tail(wave, 44), expected);
  expected.resize(input.size());
  EXPECT_EQ(SoxDecode(out, "-e signed -b 16 -L"), expected);
}

TEST_F(CafWithSox, TwentyFourBitMonoDecodesToTheSameSamples) {
  REQUIRE_HOST_TOOL("sox");
  std::string out = ConvertSoxToneBothFaces("sox.caf", "-r 48000 -c 1 -b 24");
  Bytes input = SoxDecode(ScratchFile("sox.caf"), "-e signed -b 24 -L");
  ASSERT_EQ(input.size(), 0.25 * 48000 * 3);
  EXPECT_EQ(SoxDecode(out, "-e signed -b 24 -L"), input);
}

TEST_F(CafWithSox, MuLawAndAlawDecodeToTheSameSamples) {
  REQUIRE_HOST_TOOL("sox");
  for (const char* encoding : {"u-law", "a-law"}) {
    std::string out = ConvertSoxToneBothFaces("sox.caf", std::string("-r 8000 -c 1 -e ") + encoding);
    Bytes input = SoxDecode(ScratchFile("sox.caf"), "-e signed -b 16 -L");
    ASSERT_EQ(input.size(), 0.25 * 8000 * 2) << encoding;
    EXPECT_EQ(SoxDecode(out, "-e signed -b 16 -L"), input) << encoding;
  }
}

TEST_F(CafWithSox, EightBitSignedBecomesUnsigned) {
  REQUIRE_HOST_TOOL("sox");
  std::string out = ConvertSoxToneBothFaces("sox.caf", "-r 16000 -c 2 -b 8 -e signed");
  Bytes input = SoxDecode(ScratchFile("sox.caf"), "-e signed -b 8");
  ASSERT_EQ(input.size(), 0.25 * 16000 * 2);
  Bytes expected = {0, 0};  // the two bytes before the samples, as silence
  expected.insert(expected.end(), input.begin(), input.end());
  EXPECT_EQ(SoxDecode(out, "-e signed -b 8"), expected);
}

TEST_F(CafWithSox, ThirtyTwoBitSamplesShareHalvesWithTheirNeighbours) {
  REQUIRE_HOST_TOOL("sox");
  std::string out = ConvertSoxToneBothFaces("sox.caf", "-r 32000 -c 1 -b 32");
  Bytes input = SoxDecode(ScratchFile("sox.caf"), "-e signed -b 32 -L");
  Bytes output = SoxDecode(out, "-e signed -b 32 -L");
  ASSERT_EQ(input.size(), 0.25 * 32000 * 4);
  // Two bytes early, so the declared data holds as many whole samples as the input.
  ASSERT_EQ(output.size(), input.size());
  for (std::size_t k = 0; k < input.size() / 4; ++k) {
    std::uint16_t low = k == 0 ? 0 : ReadU16Le(&input[4 * k - 4]);
    ASSERT_EQ(ReadU16Le(&output[4 * k]), low) << k;
    ASSERT_EQ(ReadU16Le(&output[4 * k + 2]), ReadU16Le(&input[4 * k + 2])) << k;
  }
}

}  // namespace

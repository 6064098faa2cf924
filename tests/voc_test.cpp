// VOC import: the dispatch of both entry points, header fields of the 16-bit,
// G.711 and time-constant paths, the time-constant tables, sample mapping,
// durations, refusals (and the written-but-failed case), and files from sox.
#include <algorithm>
#include <cstdint>
#include <string>

#include "convert/formats.h"
#include "library/byte_order.h"
#include "shell/app_state.h"
#include "tests/test_support.h"
#include "tests/wave_support.h"

namespace {

class VocTest : public ConverterTest {
 protected:
  VocTest()
      : ConverterTest({ImportVocFile, ConvertStoredVoc, &AppState::vocSourcePath, &AppState::vocWavPath, "in.voc"}) {}
};

// --- Headers ---------------------------------------------------------------------

using VocHeaders = VocTest;

TEST_F(VocHeaders, FieldsPerPath) {
  const std::uint32_t S = 5001;
  Bytes classic16 = TimeConstantVoc(S, 131, 16);
  classic16[35] = 2;
  Bytes classic8 = TimeConstantVoc(S, 131, 8);
  classic8[35] = 1;
  classic8[36] = 7;
  const std::uint32_t misreadRate = ReadU32Le(&classic16[30]);
  ASSERT_EQ(misreadRate, ReadU32Le(&classic8[30]));
  struct Case {
    const char* what;
    Bytes file;
    Face face;
    std::uint16_t tag, channels;
    std::uint32_t rate, byteRate;
    std::uint16_t blockAlign, bits;
    std::uint32_t riffSize, dataSize, fact;
  } cases[] = {
      {"classic 8000", TimeConstantVoc(S, 131), Face::External, 1, 1, 8000, 8000, 1, 8, S - 5, S - 41, 0},
      {"extended 44100", TimeConstantVoc(S, 62634), Face::Stored, 1, 2, 44100, 88200, 2, 8, S - 5, S - 41, 0},
      {"extended 8000", TimeConstantVoc(S, 49536), Face::External, 1, 2, 8000, 16000, 2, 8, S - 5, S - 41, 0},
      {"16-bit stereo 22050", NewFormatVoc(S, 22050, 16, 2, 4), Face::External, 1, 2, 22050, 88200, 4, 16, S - 4,
       S - 40, 0},
      {"16-bit mono 48000", NewFormatVoc(S, 48000, 16, 1, 4), Face::Stored, 1, 1, 48000, 96000, 2, 16, S - 4, S - 40,
       0},
      {"16-bit, 3 channels: two declared", NewFormatVoc(S, 8000, 16, 3, 4), Face::External, 1, 2, 8000, 32000, 4, 16,
       S - 4, S - 40, 0},
      {"stored mu-law mono 8000", NewFormatVoc(S, 8000, 8, 1, 7), Face::Stored, 7, 1, 8000, 8000, 1, 8, S + 8, S - 42,
       S - 42},
      {"stored A-law stereo 11025", NewFormatVoc(S, 11025, 8, 2, 6), Face::Stored, 6, 2, 11025, 22050, 2, 8, S + 8,
       S - 42, (S - 42) / 2},
      // No channel count: two declared, and the fact count per declared channel.
      {"stored mu-law, channels 0", NewFormatVoc(S, 8000, 8, 0, 7), Face::Stored, 7, 2, 8000, 16000, 2, 8, S + 8,
       S - 42, (S - 42) / 2},
      // Classic blocks whose sample byte at 34 reads 16, or 8 for stored
      // entries, are taken as new-format: bytes 30-33 then count as the rate.
      {"classic with sample byte 16", classic16, Face::External, 1, 2, misreadRate, 4 * misreadRate, 4, 16, S - 4,
       S - 40, 0},
      {"stored classic with sample byte 8", classic8, Face::Stored, 7, 1, misreadRate, misreadRate, 1, 8, S + 8, S - 42,
       S - 42},
  };
  for (const Case& c : cases) {
    Bytes out = ConvertToBytes(c.face, c.file);
    ASSERT_FALSE(Failed(c.face)) << c.what;
    WaveInfo w = ParseWave(out);
    EXPECT_EQ(w.formatTag, c.tag) << c.what;
    EXPECT_EQ(w.channels, c.channels) << c.what;
    EXPECT_EQ(w.sampleRate, c.rate) << c.what;
    EXPECT_EQ(w.byteRate, c.byteRate) << c.what;
    EXPECT_EQ(w.blockAlign, c.blockAlign) << c.what;
    EXPECT_EQ(w.bitsPerSample, c.bits) << c.what;
    EXPECT_EQ(w.riffSize, c.riffSize) << c.what;
    EXPECT_EQ(w.dataSize, c.dataSize) << c.what;
    EXPECT_EQ(w.factSamples, c.fact) << c.what;
  }
}

TEST_F(VocHeaders, TimeConstantTables) {
  struct Entry {
    std::uint16_t timeConstant;  // as stored: the classic byte, or the extended 16-bit constant
    std::uint32_t rate;
  } entries[] = {
      {131, 8000},   {166, 11025},  {194, 16000},  {211, 22050},  {225, 32000},  {234, 44100},
      {236, 48000},  {245, 88200},  {49536, 8000}, {53927, 11025}, {57536, 16000}, {59732, 22050},
      {61536, 32000}, {62634, 44100}, {62870, 48000}, {64085, 88200}, {64203, 96000},
  };
  for (const Entry& e : entries) {
    for (Face face : FACES) {
      Bytes out = ConvertToBytes(face, TimeConstantVoc(1000, e.timeConstant));
      ASSERT_FALSE(Failed(face)) << e.timeConstant << " " << NameOf(face);
      WaveInfo w = ParseWave(out);
      const std::uint16_t channels = e.timeConstant < 0x8000 ? 1 : 2;
      EXPECT_EQ(w.sampleRate, e.rate) << e.timeConstant;
      EXPECT_EQ(w.channels, channels) << e.timeConstant;
      EXPECT_EQ(w.byteRate, e.rate * channels) << e.timeConstant;
    }
  }
}

TEST_F(VocHeaders, UnknownTimeConstantIsWrittenAt22050YetReportedFailed) {
  struct Case {
    const char* what;
    Bytes file;
    std::uint16_t channels;
  } cases[] = {
      {"classic 130", TimeConstantVoc(22091, 130), 1},
      {"classic 255", TimeConstantVoc(22091, 255), 1},
      {"extended 65535", TimeConstantVoc(22091, 65535), 2},
      {"extended 32768", TimeConstantVoc(22091, 32768), 2},
  };
  for (const Case& c : cases) {
    for (Face face : FACES) {
      appState.durationText = "before";
      Bytes out = ConvertToBytes(face, c.file);
      EXPECT_TRUE(Failed(face)) << c.what << " " << NameOf(face);
      WaveInfo w = ParseWave(out);
      EXPECT_EQ(w.sampleRate, 22050u) << c.what;
      EXPECT_EQ(w.channels, c.channels) << c.what;
      EXPECT_EQ(w.dataSize, 22091u - 41) << c.what;
      EXPECT_DOUBLE_EQ(appState.durationSeconds, 22091.0 / (22050.0 * c.channels)) << c.what;
      EXPECT_EQ(appState.durationMs, c.channels == 1 ? 1000u : 0u) << c.what;
      const char* text = c.channels == 1 ? "1.00186" : "0.50093";
      EXPECT_EQ(appState.durationText, face == Face::Stored ? text : "before") << c.what;
    }
  }
}

TEST_F(VocHeaders, ExternalEightBitNewFormatTakesTheTimeConstantPath) {
  // Only stored entries have the G.711 writer: the importer reads the low half
  // of the 8000 Hz rate as a time constant that no table holds.
  Bytes file = NewFormatVoc(8042, 8000, 8, 1, 7);
  Bytes out = ConvertToBytes(Face::External, file);
  EXPECT_EQ(appState.conversionFailed, 1);
  WaveInfo w = ParseWave(out);
  EXPECT_EQ(w.formatTag, 1);
  EXPECT_EQ(w.sampleRate, 22050u);
  EXPECT_EQ(w.channels, 1);
  EXPECT_EQ(w.bitsPerSample, 8);
  EXPECT_EQ(w.dataSize, 8042u - 41);
  EXPECT_DOUBLE_EQ(appState.durationSeconds, 8042.0 / 22050);

  Convert(Face::Stored, file);
  EXPECT_EQ(appState.wavTypeKnown, 1);
  EXPECT_EQ(ParseWave(ReadWholeFile(appState.decodedWavPath)).formatTag, 7);
}

// --- Payload ---------------------------------------------------------------------

using VocPayload = VocTest;

TEST_F(VocPayload, SamplesCopiedUnchangedFromTheirOffsets) {
  struct Case {
    const char* what;
    Bytes file;
    Face face;
    std::size_t from, to;  // input range expected as the output's data
  } cases[] = {
      {"classic: from 40, last byte left out", TimeConstantVoc(1000, 131), Face::External, 40, 999},
      {"extended: from 40, last byte left out", TimeConstantVoc(1001, 62634), Face::Stored, 40, 1000},
      {"16-bit: from 40 to the end", NewFormatVoc(1000, 22050, 16, 2, 4), Face::External, 40, 1000},
      {"16-bit, odd length: 1-byte units", NewFormatVoc(1001, 22050, 16, 1, 4), Face::Stored, 40, 1001},
      {"mu-law: from 42", NewFormatVoc(1000, 8000, 8, 1, 7), Face::Stored, 42, 1000},
  };
  for (const Case& c : cases) {
    Bytes out = ConvertToBytes(c.face, c.file);
    ASSERT_FALSE(Failed(c.face)) << c.what;
    WaveInfo w = ParseWave(out);
    EXPECT_EQ(Tail(out, w.dataOffset),
              Bytes(c.file.begin() + static_cast<long>(c.from), c.file.begin() + static_cast<long>(c.to)))
        << c.what;
  }
}

TEST_F(VocPayload, GSevenElevenOddPayloadWritesAWholeLastUnit) {
  Bytes file = NewFormatVoc(45, 8000, 8, 1, 6);
  Bytes out = ConvertToBytes(Face::Stored, file);
  // Units of two: the third byte is followed by the second one again.
  ASSERT_EQ(out.size(), 58u + 4);
  EXPECT_EQ(ParseWave(out).dataSize, 3u);
  EXPECT_EQ(Tail(out, 58), Bytes({file[42], file[43], file[44], file[43]}));
}

// --- Durations -------------------------------------------------------------------

using VocDurations = VocTest;

TEST_F(VocDurations, FromWholeInputSize) {
  struct Case {
    const char* what;
    Bytes file;
    Face face;
    double seconds;
    const char* text;
  } cases[] = {
      {"classic 8000", TimeConstantVoc(23200, 131), Face::Stored, 2.9, "2.9"},
      {"extended 44100", TimeConstantVoc(220500, 62634), Face::Stored, 2.5, "2.5"},
      {"16-bit stereo 22050", NewFormatVoc(220500, 22050, 16, 2, 4), Face::Stored, 2.5, "2.5"},
      {"16-bit, 3 channels: divided by 3", NewFormatVoc(240000, 8000, 16, 3, 4), Face::Stored, 5, "5"},
      {"mu-law mono 8000", NewFormatVoc(20000, 8000, 8, 1, 7), Face::Stored, 2.5, "2.5"},
      {"A-law stereo 8000", NewFormatVoc(40000, 8000, 8, 2, 6), Face::Stored, 2.5, "2.5"},
      {"mu-law, 3 channels: not halved", NewFormatVoc(20000, 8000, 8, 3, 7), Face::Stored, 2.5, "2.5"},
      {"external classic 8000", TimeConstantVoc(23200, 131), Face::External, 2.9, nullptr},
      {"external 16-bit mono 8000", NewFormatVoc(20000, 8000, 16, 1, 4), Face::External, 1.25, nullptr},
  };
  for (const Case& c : cases) {
    appState.durationText = "untouched";
    Convert(c.face, c.file);
    ASSERT_FALSE(Failed(c.face)) << c.what;
    EXPECT_DOUBLE_EQ(appState.durationSeconds, c.seconds) << c.what;
    EXPECT_EQ(appState.durationMs, static_cast<std::uint32_t>(c.seconds) * 1000u) << c.what;
    EXPECT_EQ(appState.durationText, c.text ? c.text : "untouched") << c.what;
    if (c.face == Face::Stored) {
      EXPECT_EQ(appState.replayDurationMs, appState.durationMs) << c.what;
    }
  }
}

// --- Failures --------------------------------------------------------------------

using VocFailures = VocTest;

TEST_F(VocFailures, RefusedInputsWriteNothingAndKeepDurations) {
  struct Case {
    const char* what;
    Bytes file;
    bool external, stored;  // refused by which entry points
  } cases[] = {
      {"time constant 0", TimeConstantVoc(1000, 0), true, true},
      // One byte short of the byte left out: the data size would be negative.
      {"time constant, 40 bytes", TimeConstantVoc(40, 131), true, true},
      {"time constant, 39 bytes", TimeConstantVoc(39, 131), true, true},
      {"16-bit, 39 bytes", NewFormatVoc(39, 8000, 16, 1, 4), true, true},
      {"16-bit, rate 0", NewFormatVoc(1000, 0, 16, 1, 4), true, true},
      {"16-bit, channels 0", NewFormatVoc(1000, 8000, 16, 0, 4), true, true},
      {"24-bit", NewFormatVoc(1000, 8000, 24, 1, 4), false, true},
      {"8-bit, codec 4", NewFormatVoc(1000, 8000, 8, 1, 4), false, true},
      {"mu-law, 41 bytes", NewFormatVoc(41, 8000, 8, 1, 7), false, true},
      {"mu-law, rate 0", NewFormatVoc(1000, 0, 8, 1, 7), false, true},
      {"empty", Bytes(), true, true},
  };
  for (const Case& c : cases) {
    for (Face face : FACES) {
      if (!(face == Face::Stored ? c.stored : c.external)) continue;
      SCOPED_TRACE(std::string(NameOf(face)) + ": " + c.what);
      ExpectRefused(face, c.file);
    }
  }
}

TEST_F(VocFailures, SmallestInputsGiveEmptyData) {
  struct Case {
    const char* what;
    Bytes file;
    Face face;
    std::size_t headerBytes;
  } cases[] = {
      {"time constant, 41 bytes", TimeConstantVoc(41, 131), Face::External, 44},
      {"16-bit, 40 bytes", NewFormatVoc(40, 8000, 16, 1, 4), Face::External, 44},
      {"mu-law, 42 bytes", NewFormatVoc(42, 8000, 8, 1, 7), Face::Stored, 58},
  };
  for (const Case& c : cases) {
    Bytes out = ConvertToBytes(c.face, c.file);
    EXPECT_FALSE(Failed(c.face)) << c.what;
    ASSERT_EQ(out.size(), c.headerBytes) << c.what;
    EXPECT_EQ(ParseWave(out).dataSize, 0u) << c.what;
  }
}

// --- Files written by sox -------------------------------------------------------

using VocWithSox = VocTest;

TEST_F(VocWithSox, ClassicMonoLosesItsFirstEightSamples) {
  REQUIRE_HOST_TOOL("sox");
  ConvertSoxToneBothFaces("sox.voc", "-r 8000 -c 1 -b 8");
  Bytes input = SoxDecode(ScratchFile("sox.voc"), "-e unsigned -b 8");
  ASSERT_EQ(input.size(), 2000u);
  // The classic block's samples start at 32; the copy at 40.
  EXPECT_EQ(SoxDecode(appState.vocWavPath, "-e unsigned -b 8"), Bytes(input.begin() + 8, input.end()));
  EXPECT_EQ(ParseWave(ReadWholeFile(appState.vocWavPath)).sampleRate, 8000u);
}

TEST_F(VocWithSox, ExtendedStereoDecodesToTheSameSamples) {
  REQUIRE_HOST_TOOL("sox");
  for (int rate : {8000, 44100}) {
    ConvertSoxToneBothFaces("sox.voc", "-r " + std::to_string(rate) + " -c 2 -b 8");
    Bytes input = SoxDecode(ScratchFile("sox.voc"), "-e unsigned -b 8");
    ASSERT_EQ(input.size(), rate / 4 * 2u) << rate;
    EXPECT_EQ(SoxDecode(appState.vocWavPath, "-e unsigned -b 8"), input) << rate;
    EXPECT_EQ(ParseWave(ReadWholeFile(appState.vocWavPath)).sampleRate, static_cast<std::uint32_t>(rate));
  }
}

TEST_F(VocWithSox, SixteenBitStereoAfterTwoReservedBytes) {
  REQUIRE_HOST_TOOL("sox");
  REQUIRE_HOST_TOOL("sndfile-convert");
  ConvertSoxToneBothFaces("sox.voc", "-r 16000 -c 2 -b 16");
  // sox's own reader drops a few frames of a 16-bit VOC; libsndfile reads them all.
  std::string reference = ScratchFile("reference.wav");
  ASSERT_EQ(RunHostTool("sndfile-convert '" + ScratchFile("sox.voc") + "' '" + reference + "'"), 0);
  Bytes input = SoxDecode(reference, "-e signed -b 16 -L");
  ASSERT_EQ(input.size(), 16000u);
  // The reserved field's last two bytes come first, the terminator block last.
  Bytes expected = {0, 0};
  expected.insert(expected.end(), input.begin(), input.end());
  expected.push_back(0);
  Bytes wave = ReadWholeFile(appState.vocWavPath);
  EXPECT_EQ(Tail(wave, 44), expected);
  expected.resize(input.size());
  EXPECT_EQ(SoxDecode(appState.vocWavPath, "-e signed -b 16 -L"), expected);
}

}  // namespace

// VOC import: the dispatch of both entry points, header fields of the 16-bit,
// G.711 and time-constant paths, the time-constant tables, sample mapping,
// durations, refusals (and the written-but-failed case), and files from sox.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>

#include "convert/formats.h"
#include "library/byte_order.h"
#include "shell/app_state.h"
#include "tests/test_support.h"
#include "tests/wave_support.h"

namespace {

// A VOC file of size bytes whose first block is new-format (type 9).
Bytes NewFormatVoc(std::size_t size, std::uint32_t rate, int bits, int channels, int codec,
                   std::uint32_t seed = 1) {
  Bytes b = PatternBytes(std::max<std::size_t>(size, 64), seed);
  Bytes text = BytesOf("Creative Voice File\x1A");
  std::copy(text.begin(), text.end(), b.begin());
  b[26] = 9;
  WriteU32Le(&b[30], rate);
  b[34] = static_cast<unsigned char>(bits);
  b[35] = static_cast<unsigned char>(channels);
  WriteU16Le(&b[36], static_cast<std::uint32_t>(codec));
  b.resize(size);
  return b;
}

// A VOC file whose first block carries a time constant: classic (type 1,
// the constant byte then packing 0) or extended (type 8, 16 bits). The byte
// at 34 is a sample or a block type; it steers the dispatch.
Bytes TimeConstantVoc(std::size_t size, std::uint16_t timeConstant, int byte34 = 0x80, std::uint32_t seed = 1) {
  Bytes b = PatternBytes(std::max<std::size_t>(size, 64), seed);
  Bytes text = BytesOf("Creative Voice File\x1A");
  std::copy(text.begin(), text.end(), b.begin());
  b[26] = timeConstant < 0x8000 ? 1 : 8;
  WriteU16Le(&b[30], timeConstant);
  b[34] = static_cast<unsigned char>(byte34);
  b.resize(size);
  return b;
}

class VocTest : public ProgramTest {
 protected:
  Bytes Convert(bool stored, const Bytes& file) {
    if (stored) {
      WriteWholeFile(appState.tempWavPath, file);
      appState.wavTypeKnown = 1;
      ConvertStoredVoc();
      return ReadWholeFile(appState.decodedWavPath);
    }
    appState.vocSourcePath = ScratchFile("in.voc");
    WriteWholeFile(appState.vocSourcePath, file);
    appState.conversionFailed = 0;
    ImportVocFile();
    return ReadWholeFile(appState.vocWavPath);
  }
  bool Failed(bool stored) const { return stored ? appState.wavTypeKnown == 0 : appState.conversionFailed == 1; }
  std::string OutputPath(bool stored) const { return stored ? appState.decodedWavPath : appState.vocWavPath; }
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
    bool stored;
    std::uint16_t tag, channels;
    std::uint32_t rate, byteRate;
    std::uint16_t blockAlign, bits;
    std::uint32_t riffSize, dataSize, fact;
  } cases[] = {
      {"classic 8000", TimeConstantVoc(S, 131), false, 1, 1, 8000, 8000, 1, 8, S - 5, S - 41, 0},
      {"extended 44100", TimeConstantVoc(S, 62634), true, 1, 2, 44100, 88200, 2, 8, S - 5, S - 41, 0},
      {"extended 8000", TimeConstantVoc(S, 49536), false, 1, 2, 8000, 16000, 2, 8, S - 5, S - 41, 0},
      {"16-bit stereo 22050", NewFormatVoc(S, 22050, 16, 2, 4), false, 1, 2, 22050, 88200, 4, 16, S - 4, S - 40, 0},
      {"16-bit mono 48000", NewFormatVoc(S, 48000, 16, 1, 4), true, 1, 1, 48000, 96000, 2, 16, S - 4, S - 40, 0},
      {"16-bit, 3 channels: two declared", NewFormatVoc(S, 8000, 16, 3, 4), false, 1, 2, 8000, 32000, 4, 16, S - 4,
       S - 40, 0},
      {"stored mu-law mono 8000", NewFormatVoc(S, 8000, 8, 1, 7), true, 7, 1, 8000, 8000, 1, 8, S + 8, S - 42,
       S - 42},
      {"stored A-law stereo 11025", NewFormatVoc(S, 11025, 8, 2, 6), true, 6, 2, 11025, 22050, 2, 8, S + 8, S - 42,
       (S - 42) / 2},
      // No channel count: two declared, and the fact count per declared channel.
      {"stored mu-law, channels 0", NewFormatVoc(S, 8000, 8, 0, 7), true, 7, 2, 8000, 16000, 2, 8, S + 8, S - 42,
       (S - 42) / 2},
      // Classic blocks whose sample byte at 34 reads 16, or 8 for stored
      // entries, are taken as new-format: bytes 30-33 then count as the rate.
      {"classic with sample byte 16", classic16, false, 1, 2, misreadRate, 4 * misreadRate, 4, 16, S - 4, S - 40, 0},
      {"stored classic with sample byte 8", classic8, true, 7, 1, misreadRate, misreadRate, 1, 8, S + 8, S - 42,
       S - 42},
  };
  for (const Case& c : cases) {
    Bytes out = Convert(c.stored, c.file);
    ASSERT_FALSE(Failed(c.stored)) << c.what;
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
    for (bool stored : {false, true}) {
      Bytes out = Convert(stored, TimeConstantVoc(1000, e.timeConstant));
      ASSERT_FALSE(Failed(stored)) << e.timeConstant;
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
    for (bool stored : {false, true}) {
      appState.durationText = "before";
      Bytes out = Convert(stored, c.file);
      EXPECT_TRUE(Failed(stored)) << c.what;
      WaveInfo w = ParseWave(out);
      EXPECT_EQ(w.sampleRate, 22050u) << c.what;
      EXPECT_EQ(w.channels, c.channels) << c.what;
      EXPECT_EQ(w.dataSize, 22091u - 41) << c.what;
      EXPECT_DOUBLE_EQ(appState.durationSeconds, 22091.0 / (22050.0 * c.channels)) << c.what;
      EXPECT_EQ(appState.durationMs, c.channels == 1 ? 1000u : 0u) << c.what;
      EXPECT_EQ(appState.durationText, stored ? (c.channels == 1 ? "1.00186" : "0.50093") : "before") << c.what;
    }
  }
}

TEST_F(VocHeaders, ExternalEightBitNewFormatTakesTheTimeConstantPath) {
  // Only stored entries have the G.711 writer: the importer reads the low half
  // of the 8000 Hz rate as a time constant that no table holds.
  Bytes file = NewFormatVoc(8042, 8000, 8, 1, 7);
  Bytes out = Convert(false, file);
  EXPECT_EQ(appState.conversionFailed, 1);
  WaveInfo w = ParseWave(out);
  EXPECT_EQ(w.formatTag, 1);
  EXPECT_EQ(w.sampleRate, 22050u);
  EXPECT_EQ(w.channels, 1);
  EXPECT_EQ(w.bitsPerSample, 8);
  EXPECT_EQ(w.dataSize, 8042u - 41);
  EXPECT_DOUBLE_EQ(appState.durationSeconds, 8042.0 / 22050);

  Convert(true, file);
  EXPECT_EQ(appState.wavTypeKnown, 1);
  EXPECT_EQ(ParseWave(ReadWholeFile(appState.decodedWavPath)).formatTag, 7);
}

// --- Payload ---------------------------------------------------------------------

using VocPayload = VocTest;

TEST_F(VocPayload, SamplesCopiedUnchangedFromTheirOffsets) {
  struct Case {
    const char* what;
    Bytes file;
    bool stored;
    std::size_t from, to;  // input range expected as the output's data
  } cases[] = {
      {"classic: from 40, last byte left out", TimeConstantVoc(1000, 131), false, 40, 999},
      {"extended: from 40, last byte left out", TimeConstantVoc(1001, 62634), true, 40, 1000},
      {"16-bit: from 40 to the end", NewFormatVoc(1000, 22050, 16, 2, 4), false, 40, 1000},
      {"16-bit, odd length: 1-byte units", NewFormatVoc(1001, 22050, 16, 1, 4), true, 40, 1001},
      {"mu-law: from 42", NewFormatVoc(1000, 8000, 8, 1, 7), true, 42, 1000},
  };
  for (const Case& c : cases) {
    Bytes out = Convert(c.stored, c.file);
    ASSERT_FALSE(Failed(c.stored)) << c.what;
    WaveInfo w = ParseWave(out);
    EXPECT_EQ(Bytes(out.begin() + static_cast<long>(w.dataOffset), out.end()),
              Bytes(c.file.begin() + static_cast<long>(c.from), c.file.begin() + static_cast<long>(c.to)))
        << c.what;
  }
}

TEST_F(VocPayload, GSevenElevenOddPayloadWritesAWholeLastUnit) {
  Bytes file = NewFormatVoc(45, 8000, 8, 1, 6);
  Bytes out = Convert(true, file);
  // Units of two: the third byte is followed by the second one again.
  ASSERT_EQ(out.size(), 58u + 4);
  EXPECT_EQ(ParseWave(out).dataSize, 3u);
  EXPECT_EQ(Bytes(out.begin() + 58, out.end()), Bytes({file[42], file[43], file[44], file[43]}));
}

// --- Durations -------------------------------------------------------------------

using VocDurations = VocTest;

TEST_F(VocDurations, FromWholeInputSize) {
  struct Case {
    const char* what;
    Bytes file;
    bool stored;
    double seconds;
    const char* text;
  } cases[] = {
      {"classic 8000", TimeConstantVoc(23200, 131), true, 2.9, "2.9"},
      {"extended 44100", TimeConstantVoc(220500, 62634), true, 2.5, "2.5"},
      {"16-bit stereo 22050", NewFormatVoc(220500, 22050, 16, 2, 4), true, 2.5, "2.5"},
      {"16-bit, 3 channels: divided by 3", NewFormatVoc(240000, 8000, 16, 3, 4), true, 5, "5"},
      {"mu-law mono 8000", NewFormatVoc(20000, 8000, 8, 1, 7), true, 2.5, "2.5"},
      {"A-law stereo 8000", NewFormatVoc(40000, 8000, 8, 2, 6), true, 2.5, "2.5"},
      {"mu-law, 3 channels: not halved", NewFormatVoc(20000, 8000, 8, 3, 7), true, 2.5, "2.5"},
      {"external classic 8000", TimeConstantVoc(23200, 131), false, 2.9, nullptr},
      {"external 16-bit mono 8000", NewFormatVoc(20000, 8000, 16, 1, 4), false, 1.25, nullptr},
  };
  for (const Case& c : cases) {
    appState.durationText = "untouched";
    Convert(c.stored, c.file);
    ASSERT_FALSE(Failed(c.stored)) << c.what;
    EXPECT_DOUBLE_EQ(appState.durationSeconds, c.seconds) << c.what;
    EXPECT_EQ(appState.durationMs, static_cast<std::uint32_t>(c.seconds) * 1000u) << c.what;
    EXPECT_EQ(appState.durationText, c.text ? c.text : "untouched") << c.what;
    if (c.stored) {
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
    for (bool stored : {false, true}) {
      if (!(stored ? c.stored : c.external)) continue;
      WriteWholeFile(OutputPath(stored), BytesOf("previous"));
      appState.durationSeconds = 9.5;
      appState.durationMs = 9000;
      appState.durationText = "9.5";
      Bytes out = Convert(stored, c.file);
      EXPECT_TRUE(Failed(stored)) << c.what << (stored ? " stored" : " external");
      EXPECT_EQ(out, BytesOf("previous")) << c.what;
      EXPECT_EQ(appState.durationSeconds, 9.5) << c.what;
      EXPECT_EQ(appState.durationMs, 9000u) << c.what;
      EXPECT_EQ(appState.durationText, "9.5") << c.what;
    }
  }
}

TEST_F(VocFailures, SmallestInputsGiveEmptyData) {
  struct Case {
    const char* what;
    Bytes file;
    bool stored;
    std::size_t headerBytes;
  } cases[] = {
      {"time constant, 41 bytes", TimeConstantVoc(41, 131), false, 44},
      {"16-bit, 40 bytes", NewFormatVoc(40, 8000, 16, 1, 4), false, 44},
      {"mu-law, 42 bytes", NewFormatVoc(42, 8000, 8, 1, 7), true, 58},
  };
  for (const Case& c : cases) {
    Bytes out = Convert(c.stored, c.file);
    EXPECT_FALSE(Failed(c.stored)) << c.what;
    ASSERT_EQ(out.size(), c.headerBytes) << c.what;
    EXPECT_EQ(ParseWave(out).dataSize, 0u) << c.what;
  }
}

// --- Files written by sox -------------------------------------------------------

class VocWithSox : public VocTest {
 protected:
  // Makes a VOC file with sox, converts it both ways (both must agree) and
  // returns the file's bytes; the output is at vocWavPath.
  Bytes ConvertBothWays(const std::string& soxOptions) {
    std::string voc = ScratchFile("sox.voc");
    EXPECT_EQ(RunHostTool("sox -n " + soxOptions + " '" + voc + "' synth 0.25 sine 440 sine 660"), 0);
    Bytes file = ReadWholeFile(voc);
    Bytes external = Convert(false, file);
    EXPECT_EQ(appState.conversionFailed, 0);
    Bytes stored = Convert(true, file);
    EXPECT_EQ(appState.wavTypeKnown, 1);
    EXPECT_EQ(external, stored);
    return file;
  }
  Bytes Decode(const std::string& path, const std::string& rawOptions) {
    std::string raw = ScratchFile("decoded.raw");
    std::filesystem::remove(raw);
    EXPECT_EQ(RunHostTool("sox '" + path + "' -t raw " + rawOptions + " '" + raw + "'"), 0) << path;
    return ReadWholeFile(raw);
  }
};

TEST_F(VocWithSox, ClassicMonoLosesItsFirstEightSamples) {
  REQUIRE_HOST_TOOL("sox");
  ConvertBothWays("-r 8000 -c 1 -b 8");
  Bytes input = Decode(ScratchFile("sox.voc"), "-e unsigned -b 8");
  ASSERT_EQ(input.size(), 2000u);
  // The classic block's samples start at 32; the copy at 40.
  EXPECT_EQ(Decode(appState.vocWavPath, "-e unsigned -b 8"), Bytes(input.begin() + 8, input.end()));
  EXPECT_EQ(ParseWave(ReadWholeFile(appState.vocWavPath)).sampleRate, 8000u);
}

TEST_F(VocWithSox, ExtendedStereoDecodesToTheSameSamples) {
  REQUIRE_HOST_TOOL("sox");
  for (int rate : {8000, 44100}) {
    ConvertBothWays("-r " + std::to_string(rate) + " -c 2 -b 8");
    Bytes input = Decode(ScratchFile("sox.voc"), "-e unsigned -b 8");
    ASSERT_EQ(input.size(), rate / 4 * 2u) << rate;
    EXPECT_EQ(Decode(appState.vocWavPath, "-e unsigned -b 8"), input) << rate;
    EXPECT_EQ(ParseWave(ReadWholeFile(appState.vocWavPath)).sampleRate, static_cast<std::uint32_t>(rate));
  }
}

TEST_F(VocWithSox, SixteenBitStereoAfterTwoReservedBytes) {
  REQUIRE_HOST_TOOL("sox");
  REQUIRE_HOST_TOOL("sndfile-convert");
  ConvertBothWays("-r 16000 -c 2 -b 16");
  // sox's own reader drops a few frames of a 16-bit VOC; libsndfile reads them all.
  std::string reference = ScratchFile("reference.wav");
  ASSERT_EQ(RunHostTool("sndfile-convert '" + ScratchFile("sox.voc") + "' '" + reference + "'"), 0);
  Bytes input = Decode(reference, "-e signed -b 16 -L");
  ASSERT_EQ(input.size(), 16000u);
  // The reserved field's last two bytes come first, the terminator block last.
  Bytes expected = {0, 0};
  expected.insert(expected.end(), input.begin(), input.end());
  expected.push_back(0);
  Bytes wave = ReadWholeFile(appState.vocWavPath);
  EXPECT_EQ(Bytes(wave.begin() + 44, wave.end()), expected);
  expected.resize(input.size());
  EXPECT_EQ(Decode(appState.vocWavPath, "-e signed -b 16 -L"), expected);
}

}  // namespace

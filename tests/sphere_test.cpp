// SPHERE: what the ten-step token scan makes of real header layouts, the
// four outputs, durations of both faces, short inputs, and files written by
// sox read back by sox.
#include <cstdint>
#include <string>

#include "convert/formats.h"
#include "library/byte_order.h"
#include "shell/app_state.h"
#include "tests/test_support.h"
#include "tests/wave_support.h"

namespace {

constexpr std::size_t HEADER_BYTES = 1024;


class SphereFixture : public ConverterTest {
 protected:
  SphereFixture()
      : ConverterTest({ImportSphFile, ConvertStoredSph, &AppState::sphSourcePath, &AppState::sphWavPath, "in.sph"}) {}
};

using SphHeaders = SphereFixture;
using SphPayload = SphereFixture;
using SphDurations = SphereFixture;
using SphFailures = SphereFixture;
using SphWithSox = SphereFixture;

const char* const MULAW_MONO_16000 =
    "NIST_1A\n   1024\nchannel_count -i 1\nsample_rate -i 16000\nsample_n_bytes -i 2\n"
    "sample_coding -s4 ulaw\nend_head\n";

struct HeaderCase {
  const char* what;
  const char* lines;
  std::uint16_t formatTag;
  std::uint16_t channels;
  std::uint32_t sampleRate;
  std::uint32_t byteRate;
  std::uint16_t blockAlign;
  std::uint16_t bits;
  double secondsDivisor;  // durationSeconds = S / secondsDivisor
};

const HeaderCase HEADER_CASES[] = {
    {"mu-law mono", MULAW_MONO_16000, 7, 1, 16000, 16000, 1, 8, 16000},
    {"A-law stereo",
     "NIST_1A\n   1024\nchannel_count -i 2\nsample_rate -i 8000\nsample_n_bytes -i 1\n"
     "sample_coding -s4 alaw\nend_head\n",
     6, 2, 8000, 16000, 2, 8, 16000},
    {"16-bit stereo",
     "NIST_1A\n   1024\nchannel_count -i 2\nsample_rate -i 22050\nsample_n_bytes -i 2\nend_head\n", 1, 2,
     22050, 88200, 4, 16, 88200},
    {"three string fields use up the ten steps",
     "NIST_1A\n   1024\ndatabase_id -s5 TIMIT\ndatabase_version -s3 1.0\nutterance_id -s8 aks0_sa1\n"
     "channel_count -i 1\nsample_rate -i 16000\nend_head\n",
     1, 2, 44100, 88200, 4, 16, 88200},
    {"coding read in the tenth step",
     "NIST_1A\n   1024\nchannel_count -i 1\nsample_rate -i 8000\nsample_n_bytes -i 1\n"
     "sample_byte_format -s2 01\nsample_coding -s4 ulaw\nend_head\n",
     7, 1, 8000, 8000, 1, 8, 8000},
    {"coding after the tenth step is not seen",
     "NIST_1A\n   1024\nchannel_count -i 1\nsample_rate -i 8000\nsample_n_bytes -i 1\n"
     "sample_byte_format -s2 01\nsample_sig_bits -i 8\nsample_coding -s4 ulaw\nend_head\n",
     1, 1, 8000, 16000, 2, 16, 16000},
    {"a value starting with 24 chooses 24-bit; the last long value keeps the 16-bit rates",
     "NIST_1A\n   1024\nchannel_count -i 2\nsample_count -i 24576\nsample_rate -i 16000\n"
     "sample_n_bytes -i 3\nend_head\n",
     1, 2, 16000, 48000, 6, 24, 64000},
    {"a last long value starting with 24 doubles the 24-bit byte rate",
     "NIST_1A\n   1024\nchannel_count -i 1\nsample_rate -i 16000\nsample_count -i 24000\nend_head\n", 1, 1,
     16000, 96000, 3, 24, 48000},
    {"a last long value starting with 32 doubles the 16-bit rates",
     "NIST_1A\n   1024\nchannel_count -i 1\nsample_rate -i 8000\nsample_count -i 32768\nend_head\n", 1, 1,
     16000, 32000, 2, 16, 64000},
    {"176400 through its six-character prefix",
     "NIST_1A\n   1024\nchannel_count -i 1\nsample_rate -i 176400\nsample_n_bytes -i 2\nend_head\n", 1, 1,
     176400, 352800, 2, 16, 352800},
    {"a rate value that only starts with 8000",
     "NIST_1A\n   1024\nchannel_count -i 1\nsample_rate -i 80000\nend_head\n", 1, 1, 80000, 160000, 2, 16,
     160000},
    {"an unknown rate falls back to 44100",
     "NIST_1A\n   1024\nchannel_count -i 1\nsample_rate -i 12345\nend_head\n", 1, 1, 44100, 88200, 2, 16,
     88200},
    {"the first -i value starting with 1 is the channel count",
     "NIST_1A\n   1024\nsample_count -i 1600\nchannel_count -i 1\nsample_rate -i 8000\nend_head\n", 1, 2,
     8000, 16000, 4, 16, 16000},
    {"an empty value after -i and a short coding value",
     "NIST_1A\n   1024\nx -i  1\nchannel_count -i 1\nrate -i 8000\ny -s4 ul end_head\n", 1, 1, 8000, 16000, 2,
     16, 16000},
    {"no header text at all", "", 1, 2, 44100, 88200, 4, 16, 88200},
};

TEST_F(SphHeaders, ScanDecidesTheOutput) {
  const Bytes payload = PatternBytes(3000);
  for (const HeaderCase& c : HEADER_CASES) {
    for (Face face : FACES) {
      Bytes input = SphereFile(c.lines, payload);
      const std::uint32_t s = static_cast<std::uint32_t>(input.size());
      Bytes out = ConvertToBytes(face, input);
      SCOPED_TRACE(std::string(c.what) + " (" + NameOf(face) + ")");
      ASSERT_FALSE(Failed(face));
      WaveInfo w = ParseWave(out);
      const bool g711 = c.formatTag != 1;
      EXPECT_EQ(w.formatTag, c.formatTag);
      EXPECT_EQ(w.channels, c.channels);
      EXPECT_EQ(w.sampleRate, c.sampleRate);
      EXPECT_EQ(w.byteRate, c.byteRate);
      EXPECT_EQ(w.blockAlign, c.blockAlign);
      EXPECT_EQ(w.bitsPerSample, c.bits);
      EXPECT_EQ(w.riffSize, s - (g711 ? 974u : 988u));
      EXPECT_EQ(w.dataSize, s - 1024u);
      if (g711) {
        EXPECT_EQ(w.factSamples, c.channels == 1 ? s - 1024u : (s - 1024u) / 2);
      }
      EXPECT_DOUBLE_EQ(appState.durationSeconds, s / c.secondsDivisor);
    }
  }
}

TEST_F(SphPayload, SamplesBehindTheHeaderAreCopiedUnchanged) {
  struct Case {
    const char* lines;
    std::size_t headerBytes;
  } cases[] = {{MULAW_MONO_16000, 58}, {"NIST_1A\n   1024\nchannel_count -i 1\nend_head\n", 44}};
  for (const Case& c : cases) {
    for (std::size_t payloadSize : {std::size_t{0}, std::size_t{6}, std::size_t{5}, std::size_t{70001}}) {
      Bytes payload = PatternBytes(payloadSize, 7);
      Bytes out = ConvertToBytes(Face::External, SphereFile(c.lines, payload));
      ASSERT_EQ(appState.conversionFailed, 0);
      // An odd payload still ends with a whole 2-byte unit, its missing byte
      // repeating the one of the unit before.
      Bytes expected = payload;
      if (payloadSize % 2 == 1) expected.push_back(payload[payloadSize - 2]);
      EXPECT_EQ(Bytes(out.begin() + static_cast<long>(c.headerBytes), out.end()), expected) << payloadSize;
      EXPECT_EQ(ReadU32Le(&out[c.headerBytes - 4]), payloadSize);
    }
  }
}

TEST_F(SphDurations, StoredEntriesAlsoGetTextAndReplayTime) {
  // 40000 bytes of mu-law at 16000 Hz: 2.5 s.
  Bytes input = SphereFile(MULAW_MONO_16000, PatternBytes(40000 - HEADER_BYTES));
  appState.durationText = "before";
  appState.replayDurationMs = 9000;
  Convert(Face::External, input);
  EXPECT_DOUBLE_EQ(appState.durationSeconds, 2.5);
  EXPECT_EQ(appState.durationMs, 2000u);
  EXPECT_EQ(appState.durationText, "before");
  EXPECT_EQ(appState.replayDurationMs, 9000u);
  Convert(Face::Stored, input);
  EXPECT_EQ(appState.wavTypeKnown, 1);
  EXPECT_DOUBLE_EQ(appState.durationSeconds, 2.5);
  EXPECT_EQ(appState.durationMs, 2000u);
  EXPECT_EQ(appState.durationText, "2.5");
  EXPECT_EQ(appState.replayDurationMs, 2000u);
}

TEST_F(SphFailures, InputsShorterThanTheHeaderWriteNothing) {
  for (Face face : FACES) {
    for (std::size_t size : {std::size_t{0}, std::size_t{40}, HEADER_BYTES - 1}) {
      Bytes input = SphereFile(MULAW_MONO_16000, {});
      input.resize(size);
      SCOPED_TRACE(std::string(NameOf(face)) + ", " + std::to_string(size) + " bytes");
      ExpectRefused(face, input);
    }
    // Exactly the header: an empty but valid output.
    Bytes out = ConvertToBytes(face, SphereFile(MULAW_MONO_16000, {}));
    EXPECT_FALSE(Failed(face));
    EXPECT_EQ(out.size(), 58u);
    EXPECT_EQ(ParseWave(out).dataSize, 0u);
  }
}

TEST_F(SphFailures, MissingInputIsReportedNotConverted) {
  appState.sphSourcePath = ScratchFile("no-such.sph");
  ImportSphFile();
  EXPECT_EQ(appState.conversionFailed, 1);
  EXPECT_FALSE(FileExists(appState.sphWavPath));
}

// sox's header order: sample_count, sample_n_bytes, channel_count,
// sample_byte_format, sample_rate, sample_coding. Its sample rate is the
// tenth step; its coding lies past the scan, and a count starting with 1 or
// 2 would be taken for the channel count, so the cases avoid such counts.
TEST_F(SphWithSox, FilesWrittenBySoxReadBack) {
  REQUIRE_HOST_TOOL("sox");
  struct Case {
    const char* soxFormat;
    const char* inputDecode;   // how sox reads the SPHERE samples back as raw bytes
    std::uint16_t channels;
    std::uint16_t bits;
    std::uint32_t rate;
  } cases[] = {
      // 16-bit stereo: a playable WAVE of the same samples.
      {"-r 8000 -c 2 -b 16 -e signed", "-e signed -b 16 -L", 2, 16, 8000},
      // mu-law mono: its coding is not seen, so 16-bit PCM at the file's rate
      // carrying the mu-law bytes unchanged.
      {"-r 8000 -c 1 -e u-law", "-e u-law -b 8", 1, 16, 8000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.soxFormat);
    std::string sph = ScratchFile("sox.sph");
    ASSERT_EQ(RunHostTool("sox -n " + std::string(c.soxFormat) + " '" + sph + "' synth 0.5 sine 440"), 0);
    std::string output = ConvertBothFaces(ReadWholeFile(sph));

    EXPECT_EQ(SoxInfo(output, "-c"), std::to_string(c.channels));
    EXPECT_EQ(SoxInfo(output, "-r"), std::to_string(c.rate));
    EXPECT_EQ(SoxInfo(output, "-b"), std::to_string(c.bits));
    Bytes inSamples = SoxDecode(sph, c.inputDecode);
    EXPECT_FALSE(inSamples.empty());
    EXPECT_EQ(SoxDecode(output, "-e signed -b 16 -L"), inSamples);
  }
}

}  // namespace

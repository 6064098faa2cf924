// MPC: the rate table with the stereo flag's three readings, the unchanged
// payload, refused rates, and a hand-built file of sox-made samples read back
// by sox (no tool writes this format).
#include <algorithm>
#include <cstdint>
#include <string>

#include "convert/formats.h"
#include "library/byte_order.h"
#include "shell/app_state.h"
#include "tests/test_support.h"
#include "tests/wave_support.h"

namespace {

constexpr std::size_t DATA_OFFSET = 42;


// Only the importer: this format is never stored in a container.
class MpcFixture : public ConverterTest {
 protected:
  MpcFixture() : ConverterTest({ImportMpcFile, nullptr, &AppState::mpcSourcePath, &AppState::mpcWavPath, "in.mpc"}) {}
};

using MpcHeaders = MpcFixture;
using MpcPayload = MpcFixture;
using MpcFailures = MpcFixture;
using MpcWithSox = MpcFixture;

TEST_F(MpcHeaders, RateTableAndStereoFlag) {
  struct Case {
    std::uint8_t flag;
    std::uint16_t v;
    std::uint16_t channels;
    std::uint32_t sampleRate, byteRate;
    std::uint16_t blockAlign;
    double secondsDivisor;  // durationSeconds = S / secondsDivisor
  } cases[] = {
      {0, 8000, 1, 8000, 16000, 2, 16000},
      {0, 11025, 1, 11025, 22050, 2, 22050},
      {0, 16000, 1, 16000, 32000, 2, 32000},
      {0, 22050, 1, 22050, 44100, 2, 44100},
      {0, 32000, 1, 32000, 64000, 2, 64000},
      {0, 44100, 1, 44100, 88200, 2, 88200},
      {0, 48000, 1, 48000, 96000, 2, 96000},
      {0, 22664, 1, 88200, 176400, 2, 176400},
      {0, 30464, 1, 96000, 192000, 2, 192000},
      {1, 45328, 2, 176400, 705600, 4, 705600},
      {0x7F, 44100, 2, 44100, 176400, 4, 176400},
      // A negative flag: two channels with the mono byte rate and duration.
      {0x80, 44100, 2, 44100, 88200, 4, 88200},
      {0xFF, 8000, 2, 8000, 16000, 4, 16000},
  };
  for (const auto& c : cases) {
    Bytes input = MpcFile(c.flag, c.v, PatternBytes(1000));
    const std::uint32_t s = static_cast<std::uint32_t>(input.size());
    WaveInfo w = ParseWave(ConvertToBytes(Face::External, input));
    SCOPED_TRACE("flag " + std::to_string(c.flag) + " V " + std::to_string(c.v));
    ASSERT_EQ(appState.conversionFailed, 0);
    EXPECT_EQ(w.formatTag, 1);
    EXPECT_EQ(w.channels, c.channels);
    EXPECT_EQ(w.sampleRate, c.sampleRate);
    EXPECT_EQ(w.byteRate, c.byteRate);
    EXPECT_EQ(w.blockAlign, c.blockAlign);
    EXPECT_EQ(w.bitsPerSample, 16);
    EXPECT_EQ(w.riffSize, s - 6);
    EXPECT_EQ(w.dataSize, s - 42);
    EXPECT_DOUBLE_EQ(appState.durationSeconds, s / c.secondsDivisor);
  }
}

TEST_F(MpcPayload, SamplesAreCopiedInTheirOrder) {
  for (std::size_t size : {std::size_t{0}, std::size_t{8}, std::size_t{9}, std::size_t{65537}}) {
    Bytes payload = PatternBytes(size, 11);
    Bytes out = ConvertToBytes(Face::External, MpcFile(1, 22050, payload));
    ASSERT_EQ(appState.conversionFailed, 0);
    Bytes expected = payload;
    if (size % 2 == 1) expected.push_back(payload[size - 2]);  // the whole last 2-byte unit
    EXPECT_EQ(Tail(out, 44), expected) << size;
  }
}

TEST_F(MpcFailures, UnknownRatesAndShortInputsWriteNothing) {
  Bytes shortInput = MpcFile(0, 22050, {});
  shortInput.pop_back();
  const Bytes cases[] = {MpcFile(0, 12000, PatternBytes(100)), MpcFile(1, 0, PatternBytes(100)),
                         MpcFile(0, 192000 & 0xFFFF, PatternBytes(100)), shortInput, Bytes{}};
  for (const Bytes& input : cases) {
    SCOPED_TRACE(std::to_string(input.size()) + " bytes");
    ExpectRefused(Face::External, input);
  }
}

TEST_F(MpcWithSox, HandBuiltFileReadsBackAsTheSameSamples) {
  REQUIRE_HOST_TOOL("sox");
  std::string samples = ScratchFile("samples.raw");
  ASSERT_EQ(RunHostTool("sox -n -r 22050 -c 2 -b 16 -e signed -L -t raw '" + samples + "' synth 0.5 sine 440 sine 660"),
            0);
  Bytes raw = ReadWholeFile(samples);
  ASSERT_EQ(raw.size(), 44100u);
  Convert(Face::External, MpcFile(1, 22050, raw));
  ASSERT_EQ(appState.conversionFailed, 0);
  EXPECT_EQ(SoxInfo(appState.mpcWavPath, "-c"), "2");
  EXPECT_EQ(SoxInfo(appState.mpcWavPath, "-r"), "22050");
  EXPECT_EQ(SoxInfo(appState.mpcWavPath, "-b"), "16");
  EXPECT_EQ(SoxDecode(appState.mpcWavPath, "-e signed -b 16 -L"), raw);
}

}  // namespace

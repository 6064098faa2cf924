// WVE: the rate-code table, the A-law mark test, the unchanged A-law payload,
// refused inputs, and a file written by sox read back by sox.
#include <cstdint>
#include <string>

#include "convert/formats.h"
#include "library/byte_order.h"
#include "shell/app_state.h"
#include "tests/test_support.h"
#include "tests/wave_support.h"

namespace {

constexpr std::size_t DATA_OFFSET = 32;


// Only the importer: this format is never stored in a container.
class WveFixture : public ConverterTest {
 protected:
  WveFixture() : ConverterTest({ImportWveFile, nullptr, &AppState::wveSourcePath, &AppState::wveWavPath, "in.wve"}) {}
};

using WveHeaders = WveFixture;
using WvePayload = WveFixture;
using WveFailures = WveFixture;
using WveWithSox = WveFixture;

TEST_F(WveHeaders, RateCodesAndTheALawHeader) {
  struct Case {
    std::uint16_t code;
    std::uint32_t rate;
  } cases[] = {
      {3762, 8000},   {25135, 11025}, {22860, 16000}, {50154, 22050}, {15677, 32000}, {34517, 44100},
      {5921, 48000},  {51275, 88200}, {41702, 96000}, {8000, 8000},   {0, 8000},      {44100, 8000},
  };
  for (const Case& c : cases) {
    Bytes input = WveFile("ALawSoundFile**", c.code, PatternBytes(1000));
    const std::uint32_t s = static_cast<std::uint32_t>(input.size());
    WaveInfo w = ParseWave(ConvertToBytes(Face::External, input));
    ASSERT_EQ(appState.conversionFailed, 0) << c.code;
    EXPECT_EQ(w.fmtSize, 18u);
    EXPECT_EQ(w.formatTag, 6);
    EXPECT_EQ(w.channels, 1);
    EXPECT_EQ(w.sampleRate, c.rate) << c.code;
    EXPECT_EQ(w.byteRate, c.rate) << c.code;
    EXPECT_EQ(w.blockAlign, 1);
    EXPECT_EQ(w.bitsPerSample, 8);
    EXPECT_EQ(w.riffSize, s + 18);
    EXPECT_EQ(w.factSamples, s - 32);
    EXPECT_EQ(w.dataSize, s - 32);
    EXPECT_DOUBLE_EQ(appState.durationSeconds, static_cast<double>(s) / c.rate) << c.code;
  }
}

TEST_F(WveHeaders, MarkUpToTheFirstFullStop) {
  struct Case {
    const char* mark;
    bool accepted;
  } cases[] = {
      {"ALawSoundFile**", true},
      {"alaw.", true},          // exactly "alaw"
      {"ALAW-file.", true},     // longer than five: lower-cased first four
      {"ALaw.", false},         // five or fewer are compared as they stand
      {"alaw1.", false},
      {"Alaw", true},           // no full stop: the whole (long) file is the mark
      {"ULawSoundFile**", false},
      {"RIFF", false},
      {".alawSoundFile", false},
  };
  for (const Case& c : cases) {
    Convert(Face::External, WveFile(c.mark, 3762, Bytes(64, 0)));
    EXPECT_EQ(appState.conversionFailed, c.accepted ? 0 : 1) << c.mark;
  }
}

TEST_F(WvePayload, ALawBytesAreCopiedUnchanged) {
  for (std::size_t size : {std::size_t{0}, std::size_t{4}, std::size_t{7}, std::size_t{100001}}) {
    Bytes payload = PatternBytes(size, 5);
    Bytes out = ConvertToBytes(Face::External, WveFile("ALawSoundFile**", 3762, payload));
    ASSERT_EQ(appState.conversionFailed, 0);
    Bytes expected = payload;
    if (size % 2 == 1) expected.push_back(payload[size - 2]);  // the whole last 2-byte unit
    EXPECT_EQ(Tail(out, 58), expected) << size;
  }
}

TEST_F(WveFailures, RefusedInputsWriteNothing) {
  Bytes shortInput = WveFile("ALawSoundFile**", 3762, {});
  shortInput.pop_back();
  const Bytes cases[] = {WveFile("ULaw", 3762, PatternBytes(100)), shortInput, Bytes{}};
  for (const Bytes& input : cases) {
    SCOPED_TRACE(std::to_string(input.size()) + " bytes");
    ExpectRefused(Face::External, input);
  }
}

// sox writes a 32-byte header, so its samples are where the converter takes them.
TEST_F(WveWithSox, FileWrittenBySoxReadsBackAsTheSameSamples) {
  REQUIRE_HOST_TOOL("sox");
  std::string wve = ScratchFile("sox.wve");
  ASSERT_EQ(RunHostTool("sox -n -r 8000 -c 1 '" + wve + "' synth 0.5 sine 440"), 0);
  std::string output = Convert(Face::External, ReadWholeFile(wve));
  ASSERT_EQ(appState.conversionFailed, 0);
  EXPECT_EQ(SoxInfo(output, "-r"), "8000");
  EXPECT_EQ(SoxInfo(output, "-e"), "A-law");
  Bytes inSamples = SoxDecode(wve, "-e signed -b 16 -L");
  EXPECT_EQ(inSamples.size(), 8000u);
  EXPECT_EQ(SoxDecode(output, "-e signed -b 16 -L"), inSamples);
}

}  // namespace

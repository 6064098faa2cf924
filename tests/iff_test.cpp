// IFF 8SVX/16SV: headers and the rate at 30, signed-to-unsigned and swapped
// payloads, refused forms, and files written by sox and libsndfile read back
// by their writers.
#include <algorithm>
#include <cstdint>
#include <string>

#include "convert/formats.h"
#include "library/byte_order.h"
#include "shell/app_state.h"
#include "tests/test_support.h"
#include "tests/wave_support.h"

namespace {

constexpr std::size_t DATA_OFFSET = 100;


// Only the importer: this format is never stored in a container.
class IffFixture : public ConverterTest {
 protected:
  IffFixture() : ConverterTest({ImportIffFile, nullptr, &AppState::iffSourcePath, &AppState::iffWavPath, "in.iff"}) {}
};

using IffHeaders = IffFixture;
using IffPayload = IffFixture;
using IffFailures = IffFixture;
using IffWithSox = IffFixture;

TEST_F(IffHeaders, FormTypeAndRateDecideTheHeader) {
  struct Case {
    const char* formType;
    std::uint32_t rateField;
    std::uint32_t sampleRate, byteRate;
    std::uint16_t blockAlign, bits;
  } cases[] = {
      {"8SVX", 0x00001F40, 8000, 8000, 1, 8},
      {"16SV", 22050, 22050, 44100, 2, 16},
      // A non-zero cycle length before the rate field goes into the rate.
      {"8SVX", 0x00011F40, 73536, 73536, 1, 8},
      {"16SV", 0x7FFFFFFF, 0x7FFFFFFF, 0xFFFFFFFE, 2, 16},
  };
  for (const auto& c : cases) {
    Bytes input = IffFile(c.formType, "VHDR", c.rateField, PatternBytes(2000));
    const std::uint32_t s = static_cast<std::uint32_t>(input.size());
    WaveInfo w = ParseWave(ConvertToBytes(Face::External, input));
    ASSERT_EQ(appState.conversionFailed, 0) << c.formType << " " << c.rateField;
    EXPECT_EQ(w.formatTag, 1);
    EXPECT_EQ(w.channels, 1);
    EXPECT_EQ(w.sampleRate, c.sampleRate);
    EXPECT_EQ(w.byteRate, c.byteRate);
    EXPECT_EQ(w.blockAlign, c.blockAlign);
    EXPECT_EQ(w.bitsPerSample, c.bits);
    EXPECT_EQ(w.riffSize, s - 64);
    EXPECT_EQ(w.dataSize, s - 100);
    EXPECT_DOUBLE_EQ(appState.durationSeconds, static_cast<double>(s) / c.byteRate);
  }
}

TEST_F(IffPayload, SignedBytesAndBigEndianWords) {
  const Bytes payload = {0x80, 0x00, 0x7F, 0x12, 0x34};
  struct Case {
    const char* formType;
    Bytes expected;
  } cases[] = {
      // -128, 0, 127 become 0, 128, 255; the odd last byte is written as a
      // whole unit, its missing byte repeating the one before.
      {"8SVX", {0x00, 0x80, 0xFF, 0x92, 0xB4, 0x92}},
      {"16SV", {0x00, 0x80, 0x12, 0x7F, 0x12, 0x34}},
  };
  for (const auto& c : cases) {
    Bytes out = ConvertToBytes(Face::External, IffFile(c.formType, "VHDR", 8000, payload));
    ASSERT_EQ(appState.conversionFailed, 0);
    EXPECT_EQ(Tail(out, 44), c.expected) << c.formType;
  }
}

TEST_F(IffFailures, RefusedInputsWriteNothing) {
  Bytes shortInput = IffFile("8SVX", "VHDR", 8000, {});
  shortInput.pop_back();
  struct Case {
    const char* what;
    Bytes input;
  } cases[] = {
      {"other form type", IffFile("AIFF", "VHDR", 8000, Bytes(10, 0))},
      {"VHDR not first", IffFile("8SVX", "NAME", 8000, Bytes(10, 0))},
      {"16SV with BODY first", IffFile("16SV", "BODY", 8000, Bytes(10, 0))},
      {"rate of zero", IffFile("8SVX", "VHDR", 0, Bytes(10, 0))},
      {"16SV byte rate beyond 32 bits", IffFile("16SV", "VHDR", 0x80000000u, Bytes(10, 0))},
      {"shorter than the data offset", shortInput},
      {"empty", Bytes{}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ExpectRefused(Face::External, c.input);
    EXPECT_FALSE(FileExists(appState.rawSampleTempPath)) << c.what;
  }
}

// sox puts a mono 8SVX BODY's samples at 100; libsndfile's 16SV has a NAME
// chunk and a longer annotation, so its samples start a little later and the
// output begins with a few bytes of chunk header.
TEST_F(IffWithSox, FilesFromOtherWritersReadBack) {
  REQUIRE_HOST_TOOL("sox");
  struct Case {
    const char* tool;
    const char* extension;
    const char* rate;
    const char* decode;
  } cases[] = {
      {"sox", "8svx", "8000", "-e signed -b 8"},
      {"sndfile-convert", "svx", "22050", "-e signed -b 16 -L"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.tool);
    if (!HostToolAvailable(c.tool)) continue;
    std::string iff = ScratchFile(std::string("in.") + c.extension);
    if (std::string(c.tool) == "sox") {
      ASSERT_EQ(RunHostTool("sox -n -r 8000 -c 1 -b 8 '" + iff + "' synth 0.5 sine 440"), 0);
    } else {
      ASSERT_TRUE(ToneThroughSndfile(iff, "-r 22050 -c 1 -b 16", "0.5 sine 440", "-pcm16"));
    }
    Bytes input = ReadWholeFile(iff);
    Convert(Face::External, input);
    ASSERT_EQ(appState.conversionFailed, 0);
    EXPECT_EQ(SoxInfo(appState.iffWavPath, "-c"), "1");
    EXPECT_EQ(SoxInfo(appState.iffWavPath, "-r"), c.rate);
    // The writer reads its own file back (sox does not read 16SV).
    std::string readable = iff;
    if (std::string(c.tool) != "sox") {
      readable = ScratchFile("decoded.wav");
      ASSERT_EQ(RunHostTool("sndfile-convert -pcm16 '" + iff + "' '" + readable + "'"), 0);
    }
    const Bytes body = BytesOf("BODY");
    const std::size_t bodyAt =
        static_cast<std::size_t>(std::search(input.begin(), input.end(), body.begin(), body.end()) - input.begin());
    ASSERT_GE(bodyAt + 8, DATA_OFFSET);
    const std::size_t skipped = bodyAt + 8 - DATA_OFFSET;  // chunk bytes the output begins with
    Bytes inSamples = SoxDecode(readable, c.decode), outSamples = SoxDecode(appState.iffWavPath, c.decode);
    ASSERT_FALSE(inSamples.empty());
    ASSERT_EQ(outSamples.size(), inSamples.size() + skipped);
    EXPECT_TRUE(std::equal(inSamples.begin(), inSamples.end(), outSamples.begin() + static_cast<long>(skipped)));
  }
}

}  // namespace

// AIFF and AIFF-C files ("FORM", big-endian). The chunks are not walked:
// every field sits at a fixed offset that holds when the common chunk comes
// first with its 18-byte body (plain AIFF), or when a 12-byte format-version
// chunk comes first and the common chunk follows it (AIFF-C). Nothing is
// decoded; samples are reordered, or shifted by a constant, under a header
// chosen so that they play.
//
// Fields read (all big-endian):
//   offset  width  field
//   20      2      channel count (AIFF): 1 mono, 2 stereo
//   26      2      sample size (AIFF): 8, 16, 24 or 32 picks the path; "MM",
//                  the end of "COMM" one chunk later, marks AIFF-C
//   28      4      first four bytes of the 80-bit sample rate (AIFF)
//   32      2      channel count (AIFF-C)
//   40      4      first four bytes of the 80-bit sample rate (AIFF-C)
//   50      4      compression type (AIFF-C): "ulaw", "alaw", "FL32" and
//                  "FL64" are recognised, anything else is uncompressed
// The rate is recognised by its leading bytes (sign and exponent, then the
// top of the mantissa) in a table, not by arithmetic; each path knows its
// own rows and its own default.
//
// Paths:
//   16-bit   pairs swapped, from 58
//   8-bit    pairs swapped, from 58: plays as 16-bit at half the rate
//   24-bit   each 3-byte sample reversed, from 54
//   32-bit   b0 b1 b2 b3 -> b1 b0 00 00 from 58: the sample's high half and
//            a silent word, at twice the rate
//   AIFF-C   µ-law and A-law copied unchanged, anything else each
//            little-endian word plus 0x807F, from 72 up to the last two bytes
// A channel count other than 1 and 2 gets a two-channel header, but only
// exactly 2 doubles the byte rate.
#include <cstdint>

#include "convert/conversion_driver.h"
#include "convert/duration_results.h"
#include "convert/formats.h"
#include "convert/wave_header.h"
#include "io/byte_order.h"
#include "state/app_state.h"

namespace {

// Plain AIFF: FORM header (12) + COMM chunk header (8), then its body.
constexpr std::size_t AIFF_CHANNELS = 20;
constexpr std::size_t AIFF_SAMPLE_SIZE = 26;  // 20 + channels 2 + frame count 4
constexpr std::size_t AIFF_RATE = 28;         // 26 + sample size 2
// AIFF-C: FORM header (12) + FVER chunk (12) + COMM chunk header (8).
constexpr std::size_t AIFC_COMM_TAIL = 26;  // "MM" of "COMM" at 24
constexpr std::size_t AIFC_CHANNELS = 32;
constexpr std::size_t AIFC_RATE = 40;         // 32 + channels 2 + frame count 4 + sample size 2
constexpr std::size_t AIFC_COMPRESSION = 50;  // 40 + 10-byte rate

// Sample data of a plain AIFF whose COMM chunk comes first: FORM header 12,
// COMM 8 + 18, SSND header 8, offset and block size 8.
constexpr std::int64_t AIFF_24_DATA_OFFSET = 54;
// The 8-, 16- and 32-bit paths start four bytes further on; stored
// conversions and their sizes (S − 58) have always been made that way.
constexpr std::int64_t AIFF_DATA_OFFSET = 58;
// AIFF-C: FORM 12, FVER 12, COMM 8 + 24 (22 + an empty two-byte name), SSND
// 8 + 8.
constexpr std::int64_t AIFC_DATA_OFFSET = 72;
// The AIFF-C copy stops two bytes short of the input's end (bound S − 74).
constexpr std::int64_t AIFC_LEFT_OUT_BYTES = 2;

struct RateRow {
  std::uint32_t leadingBytes;  // first four bytes of the 80-bit rate
  std::uint32_t rate;
};

// The full table: 16- and 24-bit paths.
// clang-format off
constexpr RateRow AIFF_RATES[] = {
    {0x400BFA00, 8000},
    {0x400CAC44, 11025},
    {0x400CFA00, 16000},
    {0x400DAC44, 22050},
    {0x400DFA00, 32000},
    {0x400EAC44, 44100},
    {0x400EBB80, 48000},
    {0x400FAC44, 88200},
    {0x400FBB80, 96000},
    {0x4010AC44, 176400},
};
// clang-format on
// 32-bit and AIFF-C paths: all but 176400.
// clang-format off
constexpr RateRow AIFF_RATES_TO_96000[] = {
    {0x400BFA00, 8000},
    {0x400CAC44, 11025},
    {0x400CFA00, 16000},
    {0x400DAC44, 22050},
    {0x400DFA00, 32000},
    {0x400EAC44, 44100},
    {0x400EBB80, 48000},
    {0x400FAC44, 88200},
    {0x400FBB80, 96000},
};
// clang-format on
// 8-bit path, whose output plays at half the rate. Half of 11025 is not
// whole, so those files play at 5512 Hz, 11024 bytes per second.
// clang-format off
constexpr RateRow AIFF_RATES_8_BIT[] = {
    {0x400BFA00, 8000},
    {0x400CAC44, 11024},
    {0x400CFA00, 16000},
    {0x400DAC44, 22050},
    {0x400DFA00, 32000},
    {0x400EAC44, 44100},
    {0x400EBB80, 48000},
    {0x400FAC44, 88200},
};
// clang-format on

constexpr std::uint32_t AIFF_16_DEFAULT_RATE = 22050;
constexpr std::uint32_t AIFF_24_DEFAULT_RATE = 192000;
constexpr std::uint32_t AIFF_32_DEFAULT_RATE = 96000;
constexpr std::uint32_t AIFF_8_DEFAULT_RATE = 44100;
constexpr std::uint32_t AIFC_DEFAULT_RATE = 176400;

// The header's channel decision: what is written, and the byte-rate factor.
struct Channels {
  std::uint16_t written;
  std::uint32_t byteRateFactor;
};

}  // namespace

static void ConvertAiff(const ConversionTarget& target);
static void WriteAiff16Wave(const ConversionTarget& target, ConversionInput& input);
static void WriteAiff24Wave(const ConversionTarget& target, ConversionInput& input);
static void WriteAiff32Wave(const ConversionTarget& target, ConversionInput& input);
static void WriteAiff8OrAifcWave(const ConversionTarget& target, ConversionInput& input);

void ImportAiffFile() { ConvertAiff(ExternalTarget(appState.aiffSourcePath, appState.aiffWavPath)); }

// The status line shows a stored AIFF's duration cut as a plain wave's is;
// the other converters' texts stay whole.
void ConvertStoredAiff() {
  appState.durationText.clear();
  ConvertAiff(StoredTarget());
  CutDurationTextForStatus();
}

template <std::size_t N>
static std::uint32_t LookUpRate(const RateRow (&rows)[N], std::uint32_t leadingBytes, std::uint32_t fallback) {
  for (const RateRow& row : rows) {
    if (row.leadingBytes == leadingBytes) return row.rate;
  }
  return fallback;
}

static Channels DecideChannels(std::uint16_t field) {
  return Channels{static_cast<std::uint16_t>(field == 1 ? 1 : 2), field == 2 ? 2u : 1u};
}

// A PCM header for the plain AIFF paths: data size S − dataOffset, the RIFF
// size eight less than the output's length.
static WaveHeader AiffPcmHeader(const ConversionInput& input, std::int64_t dataOffset) {
  WaveHeader h;
  h.dataSize = static_cast<std::uint32_t>(input.size - dataOffset);
  h.riffSize = h.dataSize + PCM_HEADER_AFTER_RIFF_SIZE;
  return h;
}

static void ConvertAiff(const ConversionTarget& target) {
  ConversionInput input;
  if (!OpenConversionInput(target, input)) return;
  const std::uint16_t sampleSize = ReadU16Be(input.head + AIFF_SAMPLE_SIZE);
  if (sampleSize == 16) return WriteAiff16Wave(target, input);
  if (sampleSize == 8 || ReadTag(input.head + AIFC_COMM_TAIL, "MM")) return WriteAiff8OrAifcWave(target, input);
  if (sampleSize == 32) return WriteAiff32Wave(target, input);
  if (sampleSize == 24) return WriteAiff24Wave(target, input);
  ReportUnsupported(target);
}

// 16- and 24-bit samples keep their size: only their bytes are reversed, in
// copy units of a whole number of 16-bit words (two samples for 24 bits).
static void WriteAiffLinearWave(const ConversionTarget& target, ConversionInput& input, std::uint16_t sampleBytes,
                                std::int64_t dataOffset, std::uint32_t defaultRate) {
  const Channels channels = DecideChannels(ReadU16Be(input.head + AIFF_CHANNELS));
  const std::uint32_t rate = LookUpRate(AIFF_RATES, ReadU32Be(input.head + AIFF_RATE), defaultRate);

  ConversionPlan plan;
  WaveHeader& h = plan.header = AiffPcmHeader(input, dataOffset);  // RIFF size S − 22 (16-bit), S − 18 (24-bit)
  h.channels = channels.written;
  h.sampleRate = rate;
  h.byteRate = sampleBytes * rate * channels.byteRateFactor;
  h.blockAlign = static_cast<std::uint16_t>(sampleBytes * channels.written);
  h.bitsPerSample = static_cast<std::uint16_t>(8 * sampleBytes);
  plan.copy = CopyToEnd(input, dataOffset, sampleBytes == 3 ? 6 : 2, UnitTransform::ReverseGroups);
  plan.copy.groupSize = sampleBytes;
  plan.durationSeconds = Quotient(static_cast<double>(input.size), h.byteRate);  // S / byte rate written
  RunConversion(target, input, plan);
}

static void WriteAiff16Wave(const ConversionTarget& target, ConversionInput& input) {
  WriteAiffLinearWave(target, input, 2, AIFF_DATA_OFFSET, AIFF_16_DEFAULT_RATE);
}

static void WriteAiff24Wave(const ConversionTarget& target, ConversionInput& input) {
  WriteAiffLinearWave(target, input, 3, AIFF_24_DATA_OFFSET, AIFF_24_DEFAULT_RATE);
}

// Only the high 16 bits of each sample are kept, each followed by a silent
// word; the rate is doubled to match, so the output is as long as the input.
static void WriteAiff32Wave(const ConversionTarget& target, ConversionInput& input) {
  const Channels channels = DecideChannels(ReadU16Be(input.head + AIFF_CHANNELS));
  const std::uint32_t rate = LookUpRate(AIFF_RATES_TO_96000, ReadU32Be(input.head + AIFF_RATE), AIFF_32_DEFAULT_RATE);

  ConversionPlan plan;
  WaveHeader& h = plan.header = AiffPcmHeader(input, AIFF_DATA_OFFSET);  // RIFF size S − 22
  h.channels = channels.written;
  h.sampleRate = 2 * rate;
  h.byteRate = 4 * rate * channels.byteRateFactor;
  h.blockAlign = static_cast<std::uint16_t>(2 * channels.written);
  h.bitsPerSample = 16;
  plan.copy = CopyToEnd(input, AIFF_DATA_OFFSET, 4, UnitTransform::HighHalfThenSilence);
  plan.durationSeconds = Quotient(static_cast<double>(input.size), h.byteRate);  // S / 4D, S / 8D stereo
  RunConversion(target, input, plan);
}

static ConversionPlan Aiff8Plan(const ConversionInput& input) {
  const Channels channels = DecideChannels(ReadU16Be(input.head + AIFF_CHANNELS));
  const std::uint32_t rate = LookUpRate(AIFF_RATES_8_BIT, ReadU32Be(input.head + AIFF_RATE), AIFF_8_DEFAULT_RATE);

  ConversionPlan plan;
  WaveHeader& h = plan.header = AiffPcmHeader(input, AIFF_DATA_OFFSET);  // RIFF size S − 22
  h.channels = channels.written;
  h.sampleRate = rate / 2;
  h.byteRate = rate * channels.byteRateFactor;
  h.blockAlign = static_cast<std::uint16_t>(2 * channels.written);
  h.bitsPerSample = 16;
  plan.copy = CopyToEnd(input, AIFF_DATA_OFFSET, 2, UnitTransform::ReverseGroups);
  plan.durationSeconds = Quotient(static_cast<double>(input.size), h.byteRate);
  return plan;
}

static ConversionPlan AifcPlan(const ConversionInput& input) {
  const std::uint16_t channelField = ReadU16Be(input.head + AIFC_CHANNELS);
  const Channels channels = DecideChannels(channelField);
  const std::uint32_t rate = LookUpRate(AIFF_RATES_TO_96000, ReadU32Be(input.head + AIFC_RATE), AIFC_DEFAULT_RATE);
  const std::uint32_t size = static_cast<std::uint32_t>(input.size);
  const bool mulaw = ReadTag(input.head + AIFC_COMPRESSION, "ulaw");
  const bool alaw = ReadTag(input.head + AIFC_COMPRESSION, "alaw");

  ConversionPlan plan;
  WaveHeader& h = plan.header;
  h.dataSize = size - static_cast<std::uint32_t>(AIFC_DATA_OFFSET + AIFC_LEFT_OUT_BYTES);  // S − 74
  plan.copy.dataOffset = AIFC_DATA_OFFSET;
  plan.copy.unitSize = 2;
  plan.copy.payloadBytes = h.dataSize;
  if (mulaw || alaw) {
    h.family = WaveFamily::G711;
    h.riffSize = h.dataSize + G711_HEADER_AFTER_RIFF_SIZE;  // S − 24
    h.formatTag = mulaw ? WAVE_FORMAT_MULAW : WAVE_FORMAT_ALAW;
    h.channels = channels.written;
    h.sampleRate = rate;
    h.byteRate = rate * channels.byteRateFactor;
    h.blockAlign = channels.written;
    h.bitsPerSample = 8;
    h.factSamples = h.dataSize / channels.written;
  } else {
    // Uncompressed AIFF-C plays as one channel; the 0x807F shift has always
    // been applied to make its words play.
    h.riffSize = h.dataSize + PCM_HEADER_AFTER_RIFF_SIZE;  // S − 38
    h.channels = 1;
    h.sampleRate = channelField == 1 ? rate / 2 : rate;
    h.byteRate = rate * channels.byteRateFactor;
    h.blockAlign = 2;
    h.bitsPerSample = 16;
    plan.copy.transform = UnitTransform::AddWord807F;
  }
  plan.durationSeconds = Quotient(static_cast<double>(input.size), h.byteRate);
  return plan;
}

// An 8-bit file whose bytes at 50 happen to read FL32 or FL64 is converted
// and still reported as failed: the float test comes after the 8-bit output.
static void WriteAiff8OrAifcWave(const ConversionTarget& target, ConversionInput& input) {
  const bool floatData =
      ReadTag(input.head + AIFC_COMPRESSION, "FL32") || ReadTag(input.head + AIFC_COMPRESSION, "FL64");
  if (ReadU16Be(input.head + AIFF_SAMPLE_SIZE) == 8) {
    ConversionPlan plan = Aiff8Plan(input);
    plan.reportFailure = floatData;
    return RunConversion(target, input, plan);
  }
  // An AIFF-C input must reach past its data offset and the two bytes the
  // copy leaves out, or its sizes would come out negative.
  if (floatData || input.size < AIFC_DATA_OFFSET + AIFC_LEFT_OUT_BYTES) return ReportUnsupported(target);
  RunConversion(target, input, AifcPlan(input));
}

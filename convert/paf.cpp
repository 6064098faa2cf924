// PAF import: external files and stored entries.
//
// A PAF file has a 2048-byte header of big-endian 32-bit words, then the
// samples. Only the low halves of most words are read; little-endian PAF files
// are not told apart and go through the same offsets.
//
// Fields read (offsets from the start of the file, big-endian):
//   12  4  sample rate, read whole for the 24-bit path only (0 means 22050)
//   14  2  low half of the sample rate: the rate code of the 8- and 16-bit
//          paths, looked up in PAF_RATES (192000 when missing)
//   18  2  low half of the sample format at 16: 0 16-bit, 1 24-bit, 2 8-bit
//   22  2  low half of the channel count at 20: 1 gives a one-channel header,
//          anything else a two-channel one; the byte rate is doubled and the
//          duration halved only for exactly 2
//   2048   sample data, to the end of the file
//
// Output: a PCM wave. 16-bit samples are byte-swapped, signed 8-bit ones made
// unsigned (both in 2-byte units). Mono 24-bit data is stored in 32-byte
// blocks of ten samples and two padding bytes; the blocks are copied as they
// are, less their padding, and the sizes follow from what was written.
#include "convert/formats.h"

#include <cstdint>

#include "convert/conversion_driver.h"
#include "convert/duration_results.h"
#include "convert/wave_header.h"
#include "io/byte_order.h"
#include "state/app_state.h"

namespace {

// --- Header fields --------------------------------------------------------------
constexpr std::size_t PAF_RATE = 12;          // marker (0), version (4), endianness (8), then the rate
constexpr std::size_t PAF_RATE_LOW = 14;      // the rate's low half
constexpr std::size_t PAF_FORMAT_LOW = 18;    // low half of the sample format at 16
constexpr std::size_t PAF_CHANNELS_LOW = 22;  // low half of the channel count at 20

constexpr std::uint16_t PAF_FORMAT_16 = 0;
constexpr std::uint16_t PAF_FORMAT_24 = 1;
constexpr std::uint16_t PAF_FORMAT_8 = 2;
constexpr std::uint16_t PAF_ONE_CHANNEL = 1;
constexpr std::uint16_t PAF_TWO_CHANNELS = 2;

constexpr std::uint32_t PAF_DEFAULT_RATE = 192000;    // rate code not in the table
constexpr std::uint32_t PAF_DEFAULT_RATE_24 = 22050;  // 24-bit file with a rate of 0

// --- Sample data -------------------------------------------------------------------
constexpr std::int64_t PAF_HEADER_BYTES = 2048;  // samples start here

// A 24-bit block: 16 units of 2 bytes, ten 3-byte samples then the padding.
constexpr int PAF24_UNIT_BYTES = 2;
constexpr int PAF24_UNITS_PER_BLOCK = 16;  // the last one is dropped

struct RateCode {
  std::uint16_t code;  // low half of the rate
  std::uint32_t rate;
};

// The low halves of the standard rates; 88200 and up do not fit in 16 bits
// and are known by what is left of them.
// clang-format off
constexpr RateCode PAF_RATES[] = {
    {0x1F40, 8000},
    {0x2B11, 11025},
    {0x3E80, 16000},
    {0x5622, 22050},
    {0x7D00, 32000},
    {0xAC44, 44100},
    {0xBB80, 48000},
    {0x5888, 88200},
    {0x7700, 96000},
    {0xB110, 176400},
};
// clang-format on

void ConvertPaf(const ConversionTarget& target);

}  // namespace

// --- Entry points ---------------------------------------------------------------------

void ImportPafFile() { ConvertPaf(ExternalTarget(appState.pafSourcePath, appState.pafWavPath)); }

void ConvertStoredPaf() { ConvertPaf(StoredTarget()); }

// --- Helpers -----------------------------------------------------------------------------

namespace {

std::uint32_t LookUpPafRate(std::uint16_t code) {
  for (const RateCode& entry : PAF_RATES) {
    if (entry.code == code) return entry.rate;
  }
  return PAF_DEFAULT_RATE;
}

// 8- and 16-bit samples: 2-byte units from 2048 to the end, sizes from S.
ConversionPlan PlanPafLinear(const ConversionInput& input, std::uint16_t format, std::uint16_t channelsCode) {
  const bool eightBit = format == PAF_FORMAT_8;
  const bool stereo = channelsCode == PAF_TWO_CHANNELS;
  const std::uint16_t channels = channelsCode == PAF_ONE_CHANNEL ? 1 : 2;
  const std::uint32_t bytesPerSample = eightBit ? 1 : 2;
  const std::uint32_t rate = LookUpPafRate(ReadU16Be(input.head + PAF_RATE_LOW));
  const std::uint32_t byteRate = bytesPerSample * rate;  // B, before the stereo doubling

  ConversionPlan plan;
  WaveHeader& h = plan.header;
  h.channels = channels;
  h.sampleRate = rate;
  h.byteRate = stereo ? 2 * byteRate : byteRate;
  h.blockAlign = static_cast<std::uint16_t>(bytesPerSample * channels);
  h.bitsPerSample = static_cast<std::uint16_t>(8 * bytesPerSample);
  h.dataSize = static_cast<std::uint32_t>(input.size - PAF_HEADER_BYTES);
  h.riffSize = h.dataSize + PCM_HEADER_AFTER_RIFF_SIZE;
  plan.copy =
      CopyToEnd(input, PAF_HEADER_BYTES, 2, eightBit ? UnitTransform::AddSignBit : UnitTransform::ReverseGroups);
  plan.durationSeconds = Quotient(static_cast<double>(input.size), byteRate);
  if (stereo) plan.durationSeconds /= 2;
  return plan;
}

// Mono 24-bit: the blocks less their padding. The sizes and the duration
// come from the bytes the copy writes, not from S.
ConversionPlan PlanPaf24(const ConversionInput& input) {
  std::uint32_t rate = ReadU32Be(input.head + PAF_RATE);
  if (rate == 0) rate = PAF_DEFAULT_RATE_24;

  ConversionPlan plan;
  plan.copy = CopyToEnd(input, PAF_HEADER_BYTES, PAF24_UNIT_BYTES);
  plan.copy.dropEvery = PAF24_UNITS_PER_BLOCK;
  const std::int64_t written = CopiedBytes(plan.copy);

  WaveHeader& h = plan.header;
  h.channels = 1;
  h.sampleRate = rate;
  h.byteRate = 3 * rate;
  h.blockAlign = 3;
  h.bitsPerSample = 24;
  h.dataSize = static_cast<std::uint32_t>(written);
  h.riffSize = h.dataSize + PCM_HEADER_AFTER_RIFF_SIZE;
  // 3.0 * rate: a rate near the top of the 32-bit range must not wrap round.
  plan.durationSeconds = Quotient(static_cast<double>(written), 3.0 * rate);
  return plan;
}

void ConvertPaf(const ConversionTarget& target) {
  ConversionInput input;
  if (!OpenConversionInput(target, input)) return;
  const std::uint16_t format = ReadU16Be(input.head + PAF_FORMAT_LOW);
  const std::uint16_t channelsCode = ReadU16Be(input.head + PAF_CHANNELS_LOW);
  if (format == PAF_FORMAT_8 || format == PAF_FORMAT_16) {
    RunConversion(target, input, PlanPafLinear(input, format, channelsCode));
  } else if (format == PAF_FORMAT_24 && channelsCode == PAF_ONE_CHANNEL) {
    RunConversion(target, input, PlanPaf24(input));
  } else {
    // Two-channel 24-bit blocks interleave differently; other formats are unknown.
    ReportUnsupported(target);
  }
}

}  // namespace

// MPC sample files: a 42-byte header, then 16-bit little-endian samples that
// are already in WAVE order, so they are copied unchanged.
//
// Fields read:
//   21  1  stereo flag, signed: 0 mono, above 0 stereo, below 0 a stereo
//          header with the mono byte rate and duration (the sampler's own
//          reading of that byte, which stored files rely on)
//   40  2  V, little-endian: the sample rate, or its low 16 bits when the
//          rate does not fit (88200, 96000 and 176400 arrive as 22664, 30464
//          and 45328); a V outside the rate table is refused
//   42  ..  samples, copied in 2-byte units to the end of the input
#include <cstdint>

#include "convert/conversion_driver.h"
#include "convert/duration_results.h"
#include "convert/formats.h"
#include "convert/wave_header.h"
#include "io/byte_order.h"
#include "state/app_state.h"

namespace {

constexpr std::size_t STEREO_FLAG_AT = 21;
constexpr std::size_t RATE_AT = 40;
constexpr std::int64_t MPC_DATA_OFFSET = 42;  // rate field at 40 plus its 2 bytes

struct RateEntry {
  std::uint16_t v;
  std::uint32_t rate;
};

// V as the header holds it, to the rate it stands for.
// clang-format off
constexpr RateEntry RATE_TABLE[] = {
    {8000, 8000},
    {11025, 11025},
    {16000, 16000},
    {22050, 22050},
    {32000, 32000},
    {44100, 44100},
    {48000, 48000},
    {22664, 88200},
    {30464, 96000},
    {45328, 176400},
};
// clang-format on

void ConvertMpc(const ConversionTarget& target);

}  // namespace

void ImportMpcFile() { ConvertMpc(ExternalTarget(appState.mpcSourcePath, appState.mpcWavPath)); }

namespace {

// 0 for a V the table does not hold.
std::uint32_t RateFor(std::uint16_t v) {
  for (const RateEntry& entry : RATE_TABLE) {
    if (entry.v == v) return entry.rate;
  }
  return 0;
}

void ConvertMpc(const ConversionTarget& target) {
  ConversionInput input;
  if (!OpenConversionInput(target, input)) return;
  const std::int8_t stereoFlag = ReadI8(input.head + STEREO_FLAG_AT);
  const std::uint32_t rate = RateFor(ReadU16Le(input.head + RATE_AT));
  if (rate == 0) {
    ReportUnsupported(target);
    return;
  }
  const bool twoChannels = stereoFlag != 0;
  const bool stereo = stereoFlag > 0;

  ConversionPlan plan;
  WaveHeader& h = plan.header;
  h.channels = twoChannels ? 2 : 1;
  h.sampleRate = rate;
  h.byteRate = stereo ? 4 * rate : 2 * rate;
  h.blockAlign = twoChannels ? 4 : 2;
  h.bitsPerSample = 16;
  h.dataSize = static_cast<std::uint32_t>(input.size - MPC_DATA_OFFSET);
  h.riffSize = h.dataSize + PCM_HEADER_AFTER_RIFF_SIZE;  // S - 6
  plan.copy = CopyToEnd(input, MPC_DATA_OFFSET, 2);
  plan.durationSeconds = Quotient(static_cast<double>(input.size), 2.0 * rate) / (stereo ? 2 : 1);
  RunConversion(target, input, plan);
}

}  // namespace

// HTK waveform files: a 12-byte big-endian header, then 16-bit big-endian
// samples. Output: 16-bit mono PCM, the samples swapped into little-endian
// order.
//
// Fields read (big-endian):
//   offset  width  field
//   6       2      low half of the sample period in 100 ns units (P); the
//                  high half at 4-5 is not read. P picks the rate from the
//                  period table; an unknown P plays at 22050 Hz, no failure.
//   8       2      bytes per sample: anything but 2 is refused.
//   12             samples, copied in 2-byte units, each unit swapped.
// The sample count (0-3) and the parameter kind (10-11) are not read.
//
// Durations come from the whole input size S: S / (2 × rate). Stored entries
// keep the fraction; the external importer has always shown the quotient in
// whole seconds, rounded down.
#include <cstdint>

#include "convert/conversion_driver.h"
#include "convert/duration_results.h"
#include "convert/formats.h"
#include "convert/wave_header.h"
#include "io/byte_order.h"
#include "state/app_state.h"

namespace {

constexpr std::size_t HTK_PERIOD_LOW = 6;     // 4-byte sample period at 4, its low half
constexpr std::size_t HTK_SAMPLE_BYTES = 8;   // after sample count (4) and period (4)
constexpr std::int64_t HTK_DATA_OFFSET = 12;  // count 4 + period 4 + sample bytes 2 + kind 2
constexpr std::uint16_t HTK_WAVEFORM_SAMPLE_BYTES = 2;
constexpr std::uint32_t HTK_DEFAULT_RATE = 22050;

struct PeriodRate {
  std::uint16_t period;
  std::uint32_t rate;
};

// Each period is 10 000 000 / rate, rounded down, as writers store it.
// clang-format off
constexpr PeriodRate HTK_PERIODS[] = {
    {1250, 8000},
    {907, 11025},
    {625, 16000},
    {453, 22050},
    {312, 32000},
    {226, 44100},
    {208, 48000},
    {113, 88200},
    {104, 96000},
    {56, 176400},
    {52, 192000},
};
// clang-format on

enum class HtkDuration { Fractional, WholeSeconds };

}  // namespace

static void ConvertHtk(const ConversionTarget& target, HtkDuration duration);

void ImportHtkFile() {
  ConvertHtk(ExternalTarget(appState.htkSourcePath, appState.htkWavPath), HtkDuration::WholeSeconds);
}

void ConvertStoredHtk() { ConvertHtk(StoredTarget(), HtkDuration::Fractional); }

static std::uint32_t RateOfPeriod(std::uint16_t period) {
  for (const PeriodRate& row : HTK_PERIODS) {
    if (row.period == period) return row.rate;
  }
  return HTK_DEFAULT_RATE;
}

static void ConvertHtk(const ConversionTarget& target, HtkDuration duration) {
  ConversionInput input;
  if (!OpenConversionInput(target, input)) return;
  if (ReadU16Be(input.head + HTK_SAMPLE_BYTES) != HTK_WAVEFORM_SAMPLE_BYTES) {
    ReportUnsupported(target);
    return;
  }
  const std::uint32_t size = static_cast<std::uint32_t>(input.size);
  const std::uint32_t rate = RateOfPeriod(ReadU16Be(input.head + HTK_PERIOD_LOW));

  ConversionPlan plan;
  WaveHeader& h = plan.header;
  h.dataSize = size - static_cast<std::uint32_t>(HTK_DATA_OFFSET);
  h.riffSize = h.dataSize + PCM_HEADER_AFTER_RIFF_SIZE;  // S + 24
  h.channels = 1;
  h.sampleRate = rate;
  h.byteRate = 2 * rate;
  h.blockAlign = 2;
  h.bitsPerSample = 16;
  plan.copy = CopyToEnd(input, HTK_DATA_OFFSET, 2, UnitTransform::ReverseGroups);
  plan.durationSeconds = duration == HtkDuration::WholeSeconds ? static_cast<double>(size / h.byteRate)
                                                               : Quotient(static_cast<double>(size), h.byteRate);
  RunConversion(target, input, plan);
}

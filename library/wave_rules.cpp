#include "library/wave_rules.h"

#include "convert/duration_results.h"
#include "io/byte_order.h"

namespace {

constexpr std::uint32_t FMT_LENGTH_THIRD_OF_RATE = 40;
constexpr std::uint32_t FMT_LENGTH_TIMED_BY_CHANNELS = 18;
constexpr std::uint16_t BITS_TIMED_AT_HALF = 32;

double Divide(std::uint64_t numerator, std::uint32_t divisor, WaveDivision division) {
  if (division == WaveDivision::Whole) return static_cast<double>(numerator / divisor);
  return Quotient(static_cast<double>(numerator), divisor);
}

}  // namespace

WaveFields ReadWaveFields(const unsigned char* head) {
  WaveFields wave;
  wave.riffSize = ReadU32Le(head + 4);
  wave.fmtSize = ReadU32Le(head + 16);
  wave.formatTag = ReadI16Le(head + 20);
  wave.channels = static_cast<std::uint32_t>(ReadI16Le(head + 22));
  wave.rate = ReadU32Le(head + 24);
  wave.blockAlign = ReadU16Le(head + 32);
  wave.bits = ReadU16Le(head + 34);
  return wave;
}

bool IsImaBlockAlign(std::uint16_t blockAlign) { return blockAlign == 1028 || blockAlign == 2056; }

bool IsMeasuredFmtLength(std::uint32_t fmtSize) {
  return fmtSize == 16 || fmtSize == 18 || fmtSize == 20 || fmtSize == 30 || fmtSize == 40 || fmtSize == 50;
}

std::uint32_t EstimatedByteRate(const WaveFields& wave, std::uint32_t rate) {
  return (wave.fmtSize * (wave.channels * rate)) >> 3;
}

std::uint32_t TimingRate(const WaveFields& wave) {
  std::uint32_t rate = wave.rate;
  if (wave.formatTag > 1) rate = 2 * rate;
  if (wave.fmtSize == FMT_LENGTH_THIRD_OF_RATE) rate = rate / 3;
  return rate;
}

double WaveSeconds(const WaveFields& wave, std::uint32_t bytes, WaveDivision division) {
  const std::uint32_t rate = TimingRate(wave);
  double seconds = Divide(bytes, EstimatedByteRate(wave, rate), division);
  if (wave.bits == BITS_TIMED_AT_HALF) seconds = seconds / 2.0;
  if (wave.fmtSize == FMT_LENGTH_TIMED_BY_CHANNELS) seconds = Divide(2ull * bytes, rate * wave.channels, division);
  return seconds;
}

// Creative Voice (VOC) import: external files and stored entries.
//
// The file is not walked block by block. The 26-byte file header is skipped
// unread and the first data block, at 26, is recognised by fields at fixed
// offsets; the samples are then copied to the end of the file, unchanged.
//
// Fields read (little-endian, offsets from the start of the file):
//   30  4  new-format block (type 9): sample rate R
//   30  2  the same bytes as a signed 16-bit time constant T:
//            classic block (type 1): the time-constant byte and the packing
//            byte 0, so T > 0 (8-bit mono, VOC_CLASSIC_RATES);
//            extended block (type 8): a 16-bit time constant of 32768 or
//            more, so T < 0 (8-bit stereo, VOC_EXTENDED_RATES)
//   34  1  new-format block: bits per sample; a sample byte in the others,
//          but it steers the dispatch all the same (16 new-format PCM,
//          8 new-format G.711 for stored entries, 24 refused when stored)
//   35  1  new-format block: channel count C
//   36  1  new-format block: low byte of the codec, 6 A-law, 7 mu-law
//
// Output: a PCM wave for 16-bit and time-constant blocks, a G.711 wave for
// stored 8-bit mu-law and A-law blocks. A time constant missing from its table
// gives a 22050 Hz wave that is written and still reported as failed.
#include "convert/formats.h"

#include <cstdint>
#include <iterator>

#include "convert/conversion_driver.h"
#include "convert/duration_results.h"
#include "convert/wave_header.h"
#include "io/byte_order.h"
#include "state/app_state.h"

namespace {

// --- Header fields --------------------------------------------------------------
// The first block's type (26) and 3-byte size (27) come before these.
constexpr std::size_t VOC_RATE = 30;  // new-format rate; the time constant(s) of the others
constexpr std::size_t VOC_TIME_CONSTANT = 30;
constexpr std::size_t VOC_BITS = 34;  // rate (30) + 4
constexpr std::size_t VOC_CHANNELS = 35;
constexpr std::size_t VOC_CODEC = 36;

constexpr unsigned VOC_BITS_16 = 16;
constexpr unsigned VOC_BITS_G711 = 8;
constexpr unsigned VOC_BITS_24 = 24;
constexpr unsigned VOC_CODEC_ALAW = 6;
constexpr unsigned VOC_CODEC_MULAW = 7;

// --- Sample data -------------------------------------------------------------------
// 16-bit and time-constant paths copy from 40: for a new-format block the
// last two bytes of its reserved field come first (samples start at 42); an
// extended block's samples follow its own 8 bytes and a classic block header
// (34 + 4 + 2); a classic block's first eight samples are skipped.
constexpr std::int64_t VOC_PCM_START = 40;
// New-format block header: type and size (26, 4), rate (4), bits, channels,
// codec (2), reserved (4): the samples start at 42.
constexpr std::int64_t VOC_G711_START = 42;
// The time-constant paths leave the file's last byte (the terminator block) out.
constexpr std::int64_t VOC_TERMINATOR_BYTES = 1;

constexpr std::uint32_t VOC_FALLBACK_RATE = 22050;  // time constant missing from its table

struct TimeConstant {
  std::int16_t value;  // T as read at 30
  std::uint32_t rate;
};

// Classic blocks: 256 - floor(1000000 / rate).
// clang-format off
constexpr TimeConstant VOC_CLASSIC_RATES[] = {
    {131, 8000},
    {166, 11025},
    {194, 16000},
    {211, 22050},
    {225, 32000},
    {234, 44100},
    {236, 48000},
    {245, 88200},
};
// clang-format on

// Extended blocks: the 16-bit constant 65536 - floor(256000000 / (2 * rate))
// read as signed, that is -floor(128000000 / rate).
// clang-format off
constexpr TimeConstant VOC_EXTENDED_RATES[] = {
    {-16000, 8000},
    {-11609, 11025},
    {-8000, 16000},
    {-5804, 22050},
    {-4000, 32000},
    {-2902, 44100},
    {-2666, 48000},
    {-1451, 88200},
    {-1333, 96000},
};
// clang-format on

void ConvertVoc(const ConversionTarget& target);
void ConvertVoc16Bit(const ConversionTarget& target, ConversionInput& input);
void WriteVocG711Wave(const ConversionTarget& target, ConversionInput& input);
void WriteVocTimeConstantWave(const ConversionTarget& target, ConversionInput& input);

}  // namespace

// --- Entry points ---------------------------------------------------------------------

void ImportVocFile() { ConvertVoc(ExternalTarget(appState.vocSourcePath, appState.vocWavPath)); }

void ConvertStoredVoc() { ConvertVoc(StoredTarget()); }

// --- Helpers -----------------------------------------------------------------------------

namespace {

void ConvertVoc(const ConversionTarget& target) {
  ConversionInput input;
  if (!OpenConversionInput(target, input)) return;
  const unsigned bits = input.head[VOC_BITS];
  if (bits == VOC_BITS_16) {
    ConvertVoc16Bit(target, input);
  } else if (target.stored && bits == VOC_BITS_G711) {
    WriteVocG711Wave(target, input);
  } else if (target.stored && bits == VOC_BITS_24) {
    ReportUnsupported(target);
  } else {
    // External 8-bit new-format files land here too, their rate read as T.
    WriteVocTimeConstantWave(target, input);
  }
}

// New-format 16-bit PCM. Channel counts other than 1 declare two channels;
// the duration still divides by the count as it stands (0 is refused).
void ConvertVoc16Bit(const ConversionTarget& target, ConversionInput& input) {
  const std::uint32_t rate = ReadU32Le(input.head + VOC_RATE);
  const unsigned count = input.head[VOC_CHANNELS];
  const std::uint16_t channels = count == 1 ? 1 : 2;

  ConversionPlan plan;
  WaveHeader& h = plan.header;
  h.channels = channels;
  h.sampleRate = rate;
  h.byteRate = 2 * rate * channels;
  h.blockAlign = static_cast<std::uint16_t>(2 * channels);
  h.bitsPerSample = 16;
  h.dataSize = static_cast<std::uint32_t>(input.size - VOC_PCM_START);
  h.riffSize = h.dataSize + PCM_HEADER_AFTER_RIFF_SIZE;
  plan.copy = CopyToEnd(input, VOC_PCM_START, 1);
  // In floating point: a large rate must not wrap the divisor round to 0.
  plan.durationSeconds = Quotient(static_cast<double>(input.size), 2.0 * count * rate);
  RunConversion(target, input, plan);
}

// Stored new-format 8-bit mu-law and A-law blocks.
void WriteVocG711Wave(const ConversionTarget& target, ConversionInput& input) {
  const unsigned codec = input.head[VOC_CODEC];
  if (codec != VOC_CODEC_MULAW && codec != VOC_CODEC_ALAW) {
    ReportUnsupported(target);
    return;
  }
  const std::uint32_t rate = ReadU32Le(input.head + VOC_RATE);
  const unsigned count = input.head[VOC_CHANNELS];
  const std::uint16_t channels = count == 1 ? 1 : 2;

  ConversionPlan plan;
  WaveHeader& h = plan.header;
  h.family = WaveFamily::G711;
  h.formatTag = codec == VOC_CODEC_MULAW ? WAVE_FORMAT_MULAW : WAVE_FORMAT_ALAW;
  h.channels = channels;
  h.sampleRate = rate;
  h.byteRate = rate * channels;
  h.blockAlign = channels;
  h.dataSize = static_cast<std::uint32_t>(input.size - VOC_G711_START);
  h.riffSize = h.dataSize + G711_HEADER_AFTER_RIFF_SIZE;
  // Per declared channel, so that a count of 0 cannot divide by zero.
  h.factSamples = h.dataSize / channels;
  plan.copy = CopyToEnd(input, VOC_G711_START, 2);
  plan.durationSeconds = Quotient(static_cast<double>(input.size), rate);
  if (count == 2) plan.durationSeconds /= 2;
  RunConversion(target, input, plan);
}

std::uint32_t LookUpTimeConstant(const TimeConstant* table, std::size_t entries, std::int16_t value, bool& known) {
  for (std::size_t i = 0; i < entries; ++i) {
    if (table[i].value == value) {
      known = true;
      return table[i].rate;
    }
  }
  known = false;
  return VOC_FALLBACK_RATE;
}

// Classic (T > 0, 8-bit mono) and extended (T < 0, 8-bit stereo) blocks.
void WriteVocTimeConstantWave(const ConversionTarget& target, ConversionInput& input) {
  const std::int16_t timeConstant = ReadI16Le(input.head + VOC_TIME_CONSTANT);
  // T = 0 names no rate; an input without a byte to leave out has no sound
  // and would give a negative data size.
  if (timeConstant == 0 || input.size < VOC_PCM_START + VOC_TERMINATOR_BYTES) {
    ReportUnsupported(target);
    return;
  }
  const bool stereo = timeConstant < 0;
  bool known = false;
  const std::uint32_t rate =
      stereo ? LookUpTimeConstant(VOC_EXTENDED_RATES, std::size(VOC_EXTENDED_RATES), timeConstant, known)
             : LookUpTimeConstant(VOC_CLASSIC_RATES, std::size(VOC_CLASSIC_RATES), timeConstant, known);
  const std::uint16_t channels = stereo ? 2 : 1;

  ConversionPlan plan;
  WaveHeader& h = plan.header;
  h.channels = channels;
  h.sampleRate = rate;
  h.byteRate = rate * channels;
  h.blockAlign = channels;
  h.bitsPerSample = 8;
  h.dataSize = static_cast<std::uint32_t>(input.size - VOC_PCM_START - VOC_TERMINATOR_BYTES);
  h.riffSize = h.dataSize + PCM_HEADER_AFTER_RIFF_SIZE;
  plan.copy = CopyToEnd(input, VOC_PCM_START, 1);
  plan.copy.payloadBytes = h.dataSize;
  plan.durationSeconds = Quotient(static_cast<double>(input.size), static_cast<double>(h.byteRate));
  // Written at the fallback rate, yet reported as failed.
  plan.reportFailure = !known;
  RunConversion(target, input, plan);
}

}  // namespace

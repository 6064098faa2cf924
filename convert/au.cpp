// AU/SND files (".snd", big-endian). Nothing is decoded: linear samples are
// swapped into little-endian 16-bit words, G.711 bytes are copied as they are
// under a header that declares them, and float samples are pair-swapped
// behind a float header whose two leading zero bytes line the words up.
//
// Fields read (all big-endian):
//   offset  width  field
//   1       3      "snd" (the external importer only, and only before it
//                  accepts encodings 5, 6 and 27; byte 0 is not examined)
//   15      1      low byte of the encoding, signed: 1 µ-law, 2 8-bit linear,
//                  3 16-bit linear, 5 32-bit linear, 6 32-bit float,
//                  27 A-law; anything else is refused
//   16      4      sample rate R
//   22      2      low half of the channel count: 00 02 is stereo for the
//                  linear path, anything else mono
//   23      1      low byte of the channel count C, for the G.711 and float
//                  paths
// The data offset (4) and data size (8) fields are not read: samples are
// taken from fixed offsets to the end of the input, 24 (the bare header) for
// G.711 and float data, 32 for linear data.
//
// Linear path: one channel is always declared. Stereo frames play as one
// channel at twice the rate; 8-bit data plays as 16-bit samples at half the
// rate; each 32-bit sample becomes two 16-bit ones at twice the rate.
#include <cstdint>

#include "convert/conversion_driver.h"
#include "convert/duration_results.h"
#include "convert/formats.h"
#include "convert/wave_header.h"
#include "io/byte_order.h"
#include "state/app_state.h"

namespace {

constexpr std::size_t AU_MAGIC_TAIL = 1;     // "snd" of ".snd"
constexpr std::size_t AU_ENCODING_LOW = 15;  // 4-byte encoding at 12, its low byte
constexpr std::size_t AU_SAMPLE_RATE = 16;
constexpr std::size_t AU_CHANNELS_LOW_HALF = 22;  // 4-byte channel count at 20, its low half
constexpr std::size_t AU_CHANNELS_LOW_BYTE = 23;  // and its low byte

// Magic, data offset, data size, encoding, rate and channels: 6 × 4 bytes.
constexpr std::int64_t AU_COMPRESSED_DATA_OFFSET = 24;
// The linear path starts 8 bytes later: an annotation of up to 8 bytes after
// the bare header is passed over whole; with a shorter one the first sample
// bytes are passed over instead. Stored sizes (S − 32) rely on this offset.
constexpr std::int64_t AU_LINEAR_DATA_OFFSET = 32;

// The float header's fact field has always held these fixed values, not a
// count from the file; players ignore it for format 3.
constexpr std::uint32_t AU_FLOAT_FACT_MONO = 125635;
constexpr std::uint32_t AU_FLOAT_FACT_STEREO = 0;

enum AuEncoding : std::int8_t {
  AU_ENCODING_MULAW = 1,
  AU_ENCODING_LINEAR_8 = 2,
  AU_ENCODING_LINEAR_16 = 3,
  AU_ENCODING_LINEAR_32 = 5,
  AU_ENCODING_FLOAT = 6,
  AU_ENCODING_ALAW = 27,
};

enum class AuMagic { Required, Ignored };

struct AuHeader {
  std::int8_t encoding = 0;
  std::uint32_t rate = 0;        // R
  bool stereoPair = false;       // linear path: channel count's low half is 2
  std::uint8_t channelByte = 0;  // C
  bool magic = false;
};

}  // namespace

static void ConvertAu(const ConversionTarget& target, AuMagic magic);
static void WriteAuLinearWave(const ConversionTarget& target, ConversionInput& input);
static void WriteAuG711Wave(const ConversionTarget& target, ConversionInput& input);
static void WriteAuFloatWave(const ConversionTarget& target, ConversionInput& input);

void ImportAuFile() { ConvertAu(ExternalTarget(appState.auSourcePath, appState.auWavPath), AuMagic::Required); }

void ConvertStoredAu() { ConvertAu(StoredTarget(), AuMagic::Ignored); }

static AuHeader ReadAuHeader(const ConversionInput& input) {
  AuHeader h;
  h.magic = ReadTag(input.head + AU_MAGIC_TAIL, "snd");
  h.encoding = ReadI8(input.head + AU_ENCODING_LOW);
  h.rate = ReadU32Be(input.head + AU_SAMPLE_RATE);
  h.stereoPair = ReadU16Be(input.head + AU_CHANNELS_LOW_HALF) == 2;
  h.channelByte = input.head[AU_CHANNELS_LOW_BYTE];
  return h;
}

// External files must carry the magic before the encodings that were added
// last (32-bit, float, A-law) are trusted; stored entries were recognised by
// it already.
static void ConvertAu(const ConversionTarget& target, AuMagic magic) {
  ConversionInput input;
  if (!OpenConversionInput(target, input)) return;
  const AuHeader h = ReadAuHeader(input);
  const bool trusted = magic == AuMagic::Ignored || h.magic;
  switch (h.encoding) {
    case AU_ENCODING_LINEAR_8:
    case AU_ENCODING_LINEAR_16:
      return WriteAuLinearWave(target, input);
    case AU_ENCODING_LINEAR_32:
      if (trusted) return WriteAuLinearWave(target, input);
      break;
    case AU_ENCODING_MULAW:
      return WriteAuG711Wave(target, input);
    case AU_ENCODING_ALAW:
      if (trusted) return WriteAuG711Wave(target, input);
      break;
    case AU_ENCODING_FLOAT:
      if (trusted) return WriteAuFloatWave(target, input);
      break;
    default:
      break;
  }
  ReportUnsupported(target);
}

static void WriteAuLinearWave(const ConversionTarget& target, ConversionInput& input) {
  const AuHeader au = ReadAuHeader(input);
  const std::uint32_t size = static_cast<std::uint32_t>(input.size);
  // Output rate and byte rate of the 16-bit words the swap produces.
  std::uint32_t rate = au.rate;
  std::uint32_t byteRate = 2 * au.rate;
  if (au.encoding == AU_ENCODING_LINEAR_8) {
    rate = au.rate / 2;
    byteRate = au.rate;
  } else if (au.encoding == AU_ENCODING_LINEAR_32) {
    rate = 2 * au.rate;
    byteRate = 4 * au.rate;
  }
  if (au.stereoPair) {
    rate *= 2;
    byteRate *= 2;
  }

  ConversionPlan plan;
  WaveHeader& h = plan.header;
  h.dataSize = size - static_cast<std::uint32_t>(AU_LINEAR_DATA_OFFSET);
  h.riffSize = h.dataSize + PCM_HEADER_AFTER_RIFF_SIZE;  // S + 4
  h.channels = 1;
  h.sampleRate = rate;
  h.byteRate = byteRate;
  h.blockAlign = 2;
  h.bitsPerSample = 16;
  plan.copy = CopyToEnd(input, AU_LINEAR_DATA_OFFSET, 2, UnitTransform::ReverseGroups);
  plan.durationSeconds = Quotient(static_cast<double>(size), rate) / 2;
  RunConversion(target, input, plan);
}

static void WriteAuG711Wave(const ConversionTarget& target, ConversionInput& input) {
  const AuHeader au = ReadAuHeader(input);
  const std::uint32_t size = static_cast<std::uint32_t>(input.size);
  const bool stereo = au.channelByte == 2;
  // A channel byte other than 1 and 2 gets a two-channel header with the
  // mono byte rate and duration; its sample count is per two channels,
  // which also keeps a channel byte of 0 from being divided by.
  const std::uint16_t channels = au.channelByte == 1 ? 1 : 2;

  ConversionPlan plan;
  WaveHeader& h = plan.header;
  h.family = WaveFamily::G711;
  h.dataSize = size - static_cast<std::uint32_t>(AU_COMPRESSED_DATA_OFFSET);
  h.riffSize = h.dataSize + G711_HEADER_AFTER_RIFF_SIZE;  // S + 26
  h.formatTag = au.encoding == AU_ENCODING_ALAW ? WAVE_FORMAT_ALAW : WAVE_FORMAT_MULAW;
  h.channels = channels;
  h.sampleRate = au.rate;
  h.byteRate = stereo ? 2 * au.rate : au.rate;
  h.blockAlign = channels;
  h.bitsPerSample = 8;
  h.factSamples = h.dataSize / channels;
  plan.copy = CopyToEnd(input, AU_COMPRESSED_DATA_OFFSET, 2);
  plan.durationSeconds = Quotient(static_cast<double>(size), au.rate);
  if (stereo) plan.durationSeconds /= 2;
  RunConversion(target, input, plan);
}

// The samples are swapped in 2-byte pairs, not reversed in fours: behind the
// two zero bytes the header ends with, each little-endian output word holds
// the upper half of one sample over the lower half of the sample before it,
// so sign, exponent and leading mantissa bits land where they belong.
static void WriteAuFloatWave(const ConversionTarget& target, ConversionInput& input) {
  const AuHeader au = ReadAuHeader(input);
  const std::uint32_t size = static_cast<std::uint32_t>(input.size);
  // Any channel byte but 2 gets the one-channel header.
  const bool stereo = au.channelByte == 2;

  ConversionPlan plan;
  WaveHeader& h = plan.header;
  h.family = WaveFamily::Float;
  h.dataSize = size - static_cast<std::uint32_t>(AU_COMPRESSED_DATA_OFFSET) + FLOAT_LEADING_ZERO_BYTES;  // S − 22
  // S + 50 mono, S + 58 stereo: the header's length counts its zero bytes
  // once, the data size counts them again.
  h.riffSize = (stereo ? FLOAT_WAVE_HEADER_BYTES_STEREO : FLOAT_WAVE_HEADER_BYTES_MONO) + h.dataSize -
               RIFF_SIZE_FIELD_END - FLOAT_LEADING_ZERO_BYTES;
  h.formatTag = WAVE_FORMAT_FLOAT;
  h.channels = stereo ? 2 : 1;
  h.sampleRate = au.rate;
  h.byteRate = (stereo ? 8 : 4) * au.rate;
  h.blockAlign = stereo ? 8 : 4;
  h.bitsPerSample = 32;
  h.factSamples = stereo ? AU_FLOAT_FACT_STEREO : AU_FLOAT_FACT_MONO;
  plan.copy = CopyToEnd(input, AU_COMPRESSED_DATA_OFFSET, 2, UnitTransform::ReverseGroups);
  plan.durationSeconds = Quotient(static_cast<double>(size), 4.0 * au.rate);
  if (stereo) plan.durationSeconds /= 2;
  RunConversion(target, input, plan);
}

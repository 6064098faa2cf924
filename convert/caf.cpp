// CAF (Core Audio Format) import: external files and stored entries.
//
// A CAF file is big-endian: the 8-byte file header, the desc chunk at 8, then
// further chunks. The files this reader was made for pad the header with a
// free chunk so that the audio samples begin at 4096; the chunk list is not
// followed, and samples are always taken from a fixed offset near there.
//
// Fields read (offsets from the start of the file):
//   20  2  first two bytes of the desc chunk's big-endian 64-bit float sample
//          rate: sign, exponent and the top of the mantissa, enough to tell the
//          standard rates apart; looked up in CAF_RATES, a path default else
//   28  4  format identifier: "ulaw" or "alaw" pick G.711 for 8-bit samples,
//          anything else counts as linear PCM
//   46  2  low half of the big-endian 32-bit channels per frame at 44:
//          00 01 one channel, anything else a two-channel header; the byte
//          rate is doubled and the duration halved only for exactly 00 02
//   50  2  low half of the big-endian 32-bit bits per channel at 48:
//          8, 16, 24 or 32, choosing the path
//   52  2  first two letters of the type of the chunk after the desc chunk;
//          32-bit files must continue with a free chunk ("fr")
//
// Output: a PCM or G.711 wave. 16-bit and 32-bit samples are byte-swapped in
// 2-byte units, 24-bit samples reversed in 3-byte units, signed 8-bit made
// unsigned, G.711 copied as it is. The two entry points differ only in the
// rate a code outside the table falls back to.
#include "convert/formats.h"

#include <cstdint>

#include "convert/conversion_driver.h"
#include "convert/duration_results.h"
#include "convert/wave_header.h"
#include "io/byte_order.h"
#include "state/app_state.h"

namespace {

// --- Header fields --------------------------------------------------------------
constexpr std::size_t CAF_RATE_CODE = 20;        // desc chunk (8) + tag and size (12): the rate's first bytes
constexpr std::size_t CAF_FORMAT_ID = 28;        // rate (20) + 8
constexpr std::size_t CAF_CHANNELS_LOW = 46;     // channels per frame at 44, its low half
constexpr std::size_t CAF_BITS_LOW = 50;         // bits per channel at 48, its low half
constexpr std::size_t CAF_NEXT_CHUNK_TYPE = 52;  // desc chunk (8 + 12 + 32) ends here

constexpr std::uint16_t CAF_ONE_CHANNEL = 0x0001;
constexpr std::uint16_t CAF_TWO_CHANNELS = 0x0002;
constexpr char CAF_FREE_CHUNK_START[] = "fr";  // "free", as far as it is read

// --- Sample data -------------------------------------------------------------------
// The samples of a 4096-byte header start at 4096. The 24-bit and G.711 paths
// copy from there; the 16-, 32- and 8-bit paths copy from two bytes earlier,
// so their output begins with the low half of the data chunk's edit count.
// Stored files rely on these offsets as they are.
constexpr std::int64_t CAF_SAMPLES_START = 4096;
constexpr std::int64_t CAF_EARLY_START = CAF_SAMPLES_START - 2;

struct RateCode {
  std::uint16_t code;  // leading two bytes of the big-endian double
  std::uint32_t rate;
};

// clang-format off
constexpr RateCode CAF_RATES[] = {
    {0x40BF, 8000},
    {0x40C5, 11025},
    {0x40CF, 16000},
    {0x40D5, 22050},
    {0x40DF, 32000},
    {0x40E5, 44100},
    {0x40E7, 48000},
    {0x40F5, 88200},
    {0x40F7, 96000},
    {0x4105, 176400},
};
// clang-format on

// One way through the converter. bytesPerSample gives B = bytesPerSample × R
// (before the stereo doubling), the block align per channel and the bits.
struct CafPath {
  std::uint16_t bitsCode;  // bytes 50-51
  std::uint32_t externalDefaultRate;
  std::uint32_t storedDefaultRate;
  std::int64_t dataOffset;
  std::uint32_t bytesPerSample;
  WaveFamily family;
  std::uint16_t formatTag;
  int unitSize;
  UnitTransform transform;
  int groupSize;
};

// 16- and 32-bit: 2-byte units swapped. For 32-bit samples, which begin two
// bytes after the copy start, this puts a sample's high half into the high
// half of one output sample and its low half into the low half of the next.
constexpr CafPath CAF_PCM16 = {
    0x10, 192000, 22050, CAF_EARLY_START, 2, WaveFamily::Pcm, WAVE_FORMAT_PCM, 2, UnitTransform::ReverseGroups, 2};
constexpr CafPath CAF_PCM32 = {
    0x20, 192000, 88200, CAF_EARLY_START, 4, WaveFamily::Pcm, WAVE_FORMAT_PCM, 2, UnitTransform::ReverseGroups, 2};
constexpr CafPath CAF_PCM24 = {
    0x18, 192000, 88200, CAF_SAMPLES_START, 3, WaveFamily::Pcm, WAVE_FORMAT_PCM, 3, UnitTransform::ReverseGroups, 3};
constexpr CafPath CAF_LINEAR8 = {
    0x08, 192000, 22050, CAF_EARLY_START, 1, WaveFamily::Pcm, WAVE_FORMAT_PCM, 2, UnitTransform::AddSignBit, 2};
constexpr CafPath CAF_MULAW = {
    0x08, 192000, 192000, CAF_SAMPLES_START, 1, WaveFamily::G711, WAVE_FORMAT_MULAW, 2, UnitTransform::Unchanged, 2};
constexpr CafPath CAF_ALAW = {
    0x08, 192000, 192000, CAF_SAMPLES_START, 1, WaveFamily::G711, WAVE_FORMAT_ALAW, 2, UnitTransform::Unchanged, 2};

void ConvertCaf(const ConversionTarget& target);

}  // namespace

// --- Entry points ---------------------------------------------------------------------

void ImportCafFile() { ConvertCaf(ExternalTarget(appState.cafSourcePath, appState.cafWavPath)); }

void ConvertStoredCaf() { ConvertCaf(StoredTarget()); }

// --- Helpers -----------------------------------------------------------------------------

namespace {

// The path for the header at head, first match in this order; nullptr when the
// sample size is not handled (or a 32-bit file lacks its free chunk).
const CafPath* ChooseCafPath(const unsigned char* head) {
  const std::uint16_t bits = ReadU16Be(head + CAF_BITS_LOW);
  if (bits == CAF_PCM16.bitsCode) return &CAF_PCM16;
  if (bits == CAF_PCM32.bitsCode && ReadTag(head + CAF_NEXT_CHUNK_TYPE, CAF_FREE_CHUNK_START)) return &CAF_PCM32;
  if (bits == CAF_PCM24.bitsCode) return &CAF_PCM24;
  if (bits == CAF_LINEAR8.bitsCode) {
    // The identifier matters for 8-bit samples only.
    if (ReadTag(head + CAF_FORMAT_ID, "ulaw")) return &CAF_MULAW;
    if (ReadTag(head + CAF_FORMAT_ID, "alaw")) return &CAF_ALAW;
    return &CAF_LINEAR8;
  }
  return nullptr;
}

std::uint32_t LookUpCafRate(std::uint16_t code, std::uint32_t fallback) {
  for (const RateCode& entry : CAF_RATES) {
    if (entry.code == code) return entry.rate;
  }
  return fallback;
}

void ConvertCaf(const ConversionTarget& target) {
  ConversionInput input;
  if (!OpenConversionInput(target, input)) return;
  const CafPath* path = ChooseCafPath(input.head);
  if (path == nullptr) {
    ReportUnsupported(target);
    return;
  }
  const std::uint16_t channelsCode = ReadU16Be(input.head + CAF_CHANNELS_LOW);
  const bool stereo = channelsCode == CAF_TWO_CHANNELS;
  const std::uint16_t channels = channelsCode == CAF_ONE_CHANNEL ? 1 : 2;
  const std::uint32_t rate = LookUpCafRate(ReadU16Be(input.head + CAF_RATE_CODE),
                                           target.stored ? path->storedDefaultRate : path->externalDefaultRate);
  const std::uint32_t byteRate = path->bytesPerSample * rate;  // B, before the stereo doubling
  // Refused by RunConversion before these sizes are used when S is below the offset.
  const std::uint32_t dataSize = static_cast<std::uint32_t>(input.size - path->dataOffset);

  ConversionPlan plan;
  WaveHeader& h = plan.header;
  h.family = path->family;
  h.formatTag = path->formatTag;
  h.channels = channels;
  h.sampleRate = rate;
  h.byteRate = stereo ? 2 * byteRate : byteRate;
  h.blockAlign = static_cast<std::uint16_t>(path->bytesPerSample * channels);
  h.bitsPerSample = static_cast<std::uint16_t>(8 * path->bytesPerSample);
  h.dataSize = dataSize;
  if (path->family == WaveFamily::G711) {
    h.riffSize = dataSize + G711_HEADER_AFTER_RIFF_SIZE;
    h.factSamples = dataSize / channels;  // one byte per sample and channel
  } else {
    h.riffSize = dataSize + PCM_HEADER_AFTER_RIFF_SIZE;
  }
  plan.copy = CopyToEnd(input, path->dataOffset, path->unitSize, path->transform);
  plan.copy.groupSize = path->groupSize;
  // S / B for every path; the 16-bit path's doubled B and the others' halving agree.
  plan.durationSeconds = Quotient(static_cast<double>(input.size), byteRate);
  if (stereo) plan.durationSeconds /= 2;
  RunConversion(target, input, plan);
}

}  // namespace

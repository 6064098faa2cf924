// WVE sound files: a 32-byte header whose text begins with "ALaw", then one
// channel of 8-bit G.711 A-law samples. The samples are copied unchanged
// under a WAVE header that declares A-law, and the player decodes them.
//
// Fields read:
//    0  ..  mark: the text up to the first full stop. Longer than five
//           characters, its first four are lower-cased and must read "alaw"
//           (so "ALawSoundFile**..." passes); five or fewer are compared as
//           they stand, so only a bare "alaw" passes
//   20  2  V, little-endian: a rate code from the rate table; a code the
//          table lacks means 8000 Hz, not a refusal
//   32  ..  A-law samples, copied in 2-byte units to the end of the input
#include <cctype>
#include <cstdint>
#include <string>

#include "convert/conversion_driver.h"
#include "convert/duration_results.h"
#include "convert/formats.h"
#include "convert/wave_header.h"
#include "io/byte_order.h"
#include "io/text_tokens.h"
#include "state/app_state.h"

namespace {

constexpr char MARK_END = '.';
constexpr std::size_t MARK_KEEP = 4;       // "alaw"
constexpr std::size_t SHORT_MARK_MAX = 5;  // marks this short are not lower-cased
constexpr std::size_t RATE_CODE_AT = 20;
constexpr std::int64_t WVE_DATA_OFFSET = 32;
constexpr std::uint32_t DEFAULT_RATE = 8000;

struct RateEntry {
  std::uint16_t code;
  std::uint32_t rate;
};

// clang-format off
constexpr RateEntry RATE_TABLE[] = {
    {3762, 8000},
    {25135, 11025},
    {22860, 16000},
    {50154, 22050},
    {15677, 32000},
    {34517, 44100},
    {5921, 48000},
    {51275, 88200},
    {41702, 96000},
};
// clang-format on

void ConvertWve(const ConversionTarget& target);

}  // namespace

void ImportWveFile() { ConvertWve(ExternalTarget(appState.wveSourcePath, appState.wveWavPath)); }

namespace {

bool HasAlawMark(ConversionInput& input) {
  if (!SeekStream(input.file.get(), 0)) return false;
  TokenReader reader;
  reader.file = input.file.get();
  std::string mark;
  ReadToken(reader, MARK_END, mark);  // an empty input leaves the mark empty
  if (mark.size() > SHORT_MARK_MAX) {
    mark.resize(MARK_KEEP);
    for (char& c : mark) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return mark == "alaw";
}

std::uint32_t RateFor(std::uint16_t code) {
  for (const RateEntry& entry : RATE_TABLE) {
    if (entry.code == code) return entry.rate;
  }
  return DEFAULT_RATE;
}

void ConvertWve(const ConversionTarget& target) {
  ConversionInput input;
  if (!OpenConversionInput(target, input)) return;
  if (!HasAlawMark(input)) {
    ReportUnsupported(target);
    return;
  }
  const std::uint32_t rate = RateFor(ReadU16Le(input.head + RATE_CODE_AT));
  const std::uint32_t payload = static_cast<std::uint32_t>(input.size - WVE_DATA_OFFSET);

  ConversionPlan plan;
  WaveHeader& h = plan.header;
  h.family = WaveFamily::G711;
  h.formatTag = WAVE_FORMAT_ALAW;
  h.channels = 1;
  h.sampleRate = rate;
  h.byteRate = rate;
  h.blockAlign = 1;
  h.bitsPerSample = 8;
  h.riffSize = payload + G711_HEADER_AFTER_RIFF_SIZE;  // S + 18
  h.factSamples = payload;
  h.dataSize = payload;
  plan.copy = CopyToEnd(input, WVE_DATA_OFFSET, 2);
  plan.durationSeconds = Quotient(static_cast<double>(input.size), rate);
  RunConversion(target, input, plan);
}

}  // namespace

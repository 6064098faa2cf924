// PVF: a first text line "PVF1", a second line "channels rate bits", then
// big-endian samples. The samples are always taken from offset 1024, the
// header length of the voice-modem files this was written for, whatever the
// header's real length; shorter headers lose their first samples.
//
// Fields read:
//      0  5   "PVF1" and its line break: skipped, not examined
//      5  ..  three space-separated tokens: C = the number at the start of the
//             first, R = the number at the start of the second, K = the digit
//             that starts the third: 1 (16) 16-bit, 8 8-bit, 3 (32) 32-bit;
//             any other K is refused
//   1024  ..  samples to the end of the input: 16- and 8-bit in 2-byte units
//             swapped, 32-bit in 4-byte units reversed. 8-bit samples thus
//             play as 16-bit samples at half the rate, each made of two input
//             samples, the earlier one as the high byte.
//
// An odd S makes both size fields one larger, covering the last 2-byte unit
// that the copy writes whole.
#include <cstdint>
#include <string>

#include "convert/conversion_driver.h"
#include "convert/duration_results.h"
#include "convert/formats.h"
#include "convert/wave_header.h"
#include "io/text_tokens.h"
#include "state/app_state.h"

namespace {

constexpr char TOKEN_END = ' ';
constexpr std::int64_t TOKENS_AT = 5;  // after "PVF1" and its line break
constexpr std::int64_t PVF_DATA_OFFSET = 1024;

void ConvertPvf(const ConversionTarget& target);

}  // namespace

void ImportPvfFile() { ConvertPvf(ExternalTarget(appState.pvfSourcePath, appState.pvfWavPath)); }

void ConvertStoredPvf() { ConvertPvf(StoredTarget()); }

namespace {

struct PvfFields {
  std::int32_t channels = 0;  // C
  std::int32_t rate = 0;      // R
  std::int32_t kind = 0;      // K
};

PvfFields ReadFields(ConversionInput& input) {
  PvfFields fields;
  if (!SeekStream(input.file.get(), TOKENS_AT)) return fields;
  TokenReader reader;
  reader.file = input.file.get();
  std::string token;  // a failed read leaves it empty, which reads as 0
  ReadToken(reader, TOKEN_END, token);
  fields.channels = LeadingInteger(token);
  ReadToken(reader, TOKEN_END, token);
  fields.rate = LeadingInteger(token);
  ReadToken(reader, TOKEN_END, token);
  fields.kind = LeadingInteger(token.substr(0, 1));
  return fields;
}

void ConvertPvf(const ConversionTarget& target) {
  ConversionInput input;
  if (!OpenConversionInput(target, input)) return;
  const PvfFields f = ReadFields(input);
  const bool sixteen = f.kind == 1;
  const bool eight = f.kind == 8;
  const bool thirtyTwo = f.kind == 3;
  const bool mono = f.channels == 1;
  const bool stereo = f.channels == 2;

  // Decided in 64 bits: a negative rate or one whose byte rate does not fit
  // the 32-bit field is refused instead of written wrapped.
  std::int64_t rate = f.rate;
  std::int64_t byteRate = (thirtyTwo ? 4 : 2) * rate;
  if (stereo) byteRate *= 2;
  if (eight) {
    rate /= 2;
    byteRate /= 2;
  }
  if (!(sixteen || eight || thirtyTwo) || rate < 0 || byteRate > INT64_C(0xFFFFFFFF)) {
    ReportUnsupported(target);
    return;
  }
  const std::int64_t oddExtra = input.size % 2;

  ConversionPlan plan;
  WaveHeader& h = plan.header;
  h.channels = mono ? 1 : 2;
  h.sampleRate = static_cast<std::uint32_t>(rate);
  h.byteRate = static_cast<std::uint32_t>(byteRate);
  h.bitsPerSample = thirtyTwo ? 32 : 16;
  h.blockAlign = thirtyTwo ? (mono ? 4 : 8) : (mono ? 2 : 4);
  h.dataSize = static_cast<std::uint32_t>(input.size - PVF_DATA_OFFSET + oddExtra);
  h.riffSize = h.dataSize + PCM_HEADER_AFTER_RIFF_SIZE;  // S - 988, and the odd extra
  plan.copy = CopyToEnd(input, PVF_DATA_OFFSET, thirtyTwo ? 4 : 2, UnitTransform::ReverseGroups);
  plan.copy.groupSize = thirtyTwo ? 4 : 2;
  plan.durationSeconds = Quotient(static_cast<double>(input.size), static_cast<double>((thirtyTwo ? 4 : 2) * rate));
  if (stereo) plan.durationSeconds /= 2;
  RunConversion(target, input, plan);
}

}  // namespace

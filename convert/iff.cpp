// IFF sampled sound: a FORM of type "8SVX" (signed 8-bit) or "16SV" (16-bit),
// both big-endian, with the VHDR chunk first. The chunk list is not walked:
// the samples are taken from offset 100, where the usual writers put the BODY
// data of a mono file, and the output always has one channel.
//
// Fields read (big-endian):
//    8  4  form type: "8SVX" or "16SV", anything else is refused
//   12  4  first chunk identifier: must be "VHDR"
//   30  4  R, the sample rate. Its last two bytes are the VHDR's 16-bit rate
//          field at 32, its first two the low half of the cycle length before
//          it, so a non-zero cycle length gives a rate of 65536 or more, which
//          goes into the header as it is
//  100  ..  samples to the end of the input, in 2-byte units: 8SVX bytes get
//           128 added (signed to unsigned 8-bit), 16SV words are swapped
#include <cstdint>

#include "convert/conversion_driver.h"
#include "convert/duration_results.h"
#include "convert/formats.h"
#include "convert/wave_header.h"
#include "io/byte_order.h"
#include "state/app_state.h"

namespace {

constexpr std::size_t FORM_TYPE_AT = 8;  // after "FORM" and its 32-bit size
constexpr std::size_t FIRST_CHUNK_AT = 12;
constexpr std::size_t RATE_AT = 30;  // VHDR data starts at 20; its rate field is at 32
constexpr std::int64_t IFF_DATA_OFFSET = 100;

void ConvertIff(const ConversionTarget& target);

}  // namespace

void ImportIffFile() { ConvertIff(ExternalTarget(appState.iffSourcePath, appState.iffWavPath)); }

namespace {

void ConvertIff(const ConversionTarget& target) {
  ConversionInput input;
  if (!OpenConversionInput(target, input)) return;
  const bool vhdrFirst = ReadTag(input.head + FIRST_CHUNK_AT, "VHDR");
  const bool eightBit = vhdrFirst && ReadTag(input.head + FORM_TYPE_AT, "8SVX");
  const bool sixteenBit = vhdrFirst && ReadTag(input.head + FORM_TYPE_AT, "16SV");
  const std::uint64_t rate = ReadU32Be(input.head + RATE_AT);
  const std::uint64_t byteRate = eightBit ? rate : 2 * rate;
  // A 16SV rate of 2^31 or more has no 32-bit byte rate; such a header is
  // refused rather than written with a wrapped one.
  if ((!eightBit && !sixteenBit) || byteRate > UINT32_MAX) {
    ReportUnsupported(target);
    return;
  }

  ConversionPlan plan;
  WaveHeader& h = plan.header;
  h.channels = 1;
  h.sampleRate = static_cast<std::uint32_t>(rate);
  h.byteRate = static_cast<std::uint32_t>(byteRate);
  h.blockAlign = eightBit ? 1 : 2;
  h.bitsPerSample = eightBit ? 8 : 16;
  h.dataSize = static_cast<std::uint32_t>(input.size - IFF_DATA_OFFSET);
  h.riffSize = h.dataSize + PCM_HEADER_AFTER_RIFF_SIZE;  // S - 64
  plan.copy = CopyToEnd(input, IFF_DATA_OFFSET, 2, eightBit ? UnitTransform::AddSignBit : UnitTransform::ReverseGroups);
  plan.durationSeconds = Quotient(static_cast<double>(input.size), static_cast<double>(byteRate));
  RunConversion(target, input, plan);
}

}  // namespace

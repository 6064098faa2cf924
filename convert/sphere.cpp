// NIST SPHERE: a 1024-byte text header, then raw samples. The header is not
// parsed by field name. The first ten space-separated tokens are scanned for
// the type markers "-i" (integer value) and "-s4" (four-character string),
// and the channel count, the rate, 24-bit samples and the G.711 coding are
// guessed from the values behind them. Files made by the recorders this was
// written for put those fields in the first ten tokens; the guesses, quirks
// included, decide how stored files play, so they are kept as they are.
//
// Fields read:
//      0  1024  header text. A token runs to the next space, so a value token
//               also holds the line break and the next field's name
//               ("1\nsample_rate"); the scan cuts values down to strip that.
//   1024  ..    samples, copied unchanged in 2-byte units to the end of the
//               input under one of four headers: 16-bit PCM, 24-bit PCM,
//               mu-law or A-law. Their byte order is never changed.
//
// Every input of at least 1024 bytes gives an output: a header without
// usable values gives 16-bit PCM, two channels, 44100 Hz.
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
constexpr int SCANNED_STEPS = 10;          // tokens that may start a scan step
constexpr std::size_t LONG_VALUE_MIN = 6;  // a value this long carries a field name behind it
constexpr std::size_t RATE_TEXT_KEEP = 5;  // a long value cut to five characters
constexpr std::size_t CODING_KEEP = 4;     // "ulaw" / "alaw"
constexpr std::int64_t SPHERE_DATA_OFFSET = 1024;
constexpr std::int32_t FALLBACK_RATE = 44100;

// Rate texts, in the order the scan tests them. "8000" matches any value that
// starts with it, "176400" only through the six-character prefix of a value.
const char* const RATE_TEXTS[] = {"11025", "22050", "44100", "88200", "16000", "48000", "96000", "32000"};
const char* const RATE_8000 = "8000";
const char* const RATE_176400 = "176400";

// What the header scan gathers.
struct SphereScan {
  bool headerRead = true;  // false when the header could not be read from its start
  bool channelSeen = false;
  bool is24Bit = false;
  bool isMuLaw = false;
  bool isALaw = false;
  std::string channelToken;
  std::string rateToken;
  std::string valuePrefix2;  // first two characters of the last long value
  std::string valuePrefix6;  // first six characters of the last long value
};

void ConvertSph(const ConversionTarget& target);

}  // namespace

void ImportSphFile() { ConvertSph(ExternalTarget(appState.sphSourcePath, appState.sphWavPath)); }

void ConvertStoredSph() { ConvertSph(StoredTarget()); }

namespace {

// The value behind "-i": the channel count, the rate and the 24-bit mark are
// all guessed from it. The first value starting with "1" or "2" is taken for
// the channel count, whatever its field.
void ScanIntegerValue(const std::string& value, SphereScan& scan) {
  std::string cut = value;
  if (!scan.channelSeen) {
    cut = value.substr(0, 1);
    if (cut == "1" || cut == "2") scan.channelSeen = true;
  } else if (value.size() >= LONG_VALUE_MIN) {
    scan.valuePrefix6 = value.substr(0, 6);
    cut = value.substr(0, RATE_TEXT_KEEP);
    scan.valuePrefix2 = value.substr(0, 2);
    if (scan.valuePrefix2 == "24") scan.is24Bit = true;
  }
  if (cut == "1" || cut == "2") scan.channelToken = value;

  bool isRate = cut.compare(0, 4, RATE_8000) == 0 || scan.valuePrefix6 == RATE_176400;
  for (const char* text : RATE_TEXTS) isRate = isRate || cut == text;
  if (isRate) scan.rateToken = scan.valuePrefix6 == RATE_176400 ? scan.valuePrefix6 : cut;
}

SphereScan ScanHeader(ConversionInput& input) {
  SphereScan scan;
  if (!SeekStream(input.file.get(), 0)) {
    scan.headerRead = false;
    return scan;
  }
  TokenReader reader;
  reader.file = input.file.get();
  std::string token;
  for (int step = 0; step < SCANNED_STEPS && ReadToken(reader, TOKEN_END, token); ++step) {
    if (token == "-s4") {
      // The value takes the marker's place as the current token.
      ReadToken(reader, TOKEN_END, token);
      const std::string coding = token.substr(0, CODING_KEEP);
      if (coding == "ulaw") scan.isMuLaw = true;
      if (coding == "alaw") scan.isALaw = true;
    }
    if (token != "-i") continue;
    std::string value;
    ReadToken(reader, TOKEN_END, value);  // a failed read leaves it empty
    ScanIntegerValue(value, scan);
  }
  return scan;
}

void ConvertSph(const ConversionTarget& target) {
  ConversionInput input;
  if (!OpenConversionInput(target, input)) return;
  const SphereScan scan = ScanHeader(input);
  if (!scan.headerRead) {
    ReportUnsupported(target);  // a header read from elsewhere would describe another file
    return;
  }
  const std::int32_t c = LeadingInteger(scan.channelToken);
  std::int32_t rate = LeadingInteger(scan.rateToken);
  if (rate == 0) rate = FALLBACK_RATE;
  const bool mono = c == 1;
  const double s = static_cast<double>(input.size);

  // Rate and byte rates of the three sample widths. The rate texts are
  // positive numbers of at most six digits, so none of these overflow.
  std::uint32_t rate16 = static_cast<std::uint32_t>(rate);
  std::uint32_t byteRate16 = c == 2 ? 4 * rate16 : 2 * rate16;
  std::uint32_t byteRate24 = 3 * static_cast<std::uint32_t>(rate);
  double seconds = Quotient(s, 2.0 * rate16);
  // A long value starting with "32" or "24" (usually the sample count) is
  // taken for the sample width; it changes the rates and the duration, while
  // only is24Bit (any such value) chooses the 24-bit header.
  if (scan.valuePrefix2 == "32") {
    rate16 *= 2;
    byteRate16 *= 2;
    seconds = Quotient(s, 4.0 * rate16);
  }
  if (scan.valuePrefix2 == "24") {
    seconds = Quotient(s, 3.0 * rate);
    byteRate24 *= 2;
  }
  if (scan.isALaw || scan.isMuLaw) seconds = Quotient(s, rate);
  if (c == 2) seconds /= 2;

  ConversionPlan plan;
  WaveHeader& h = plan.header;
  h.channels = mono ? 1 : 2;
  h.dataSize = static_cast<std::uint32_t>(input.size - SPHERE_DATA_OFFSET);
  if (scan.isMuLaw || scan.isALaw) {
    h.family = WaveFamily::G711;
    h.formatTag = scan.isMuLaw ? WAVE_FORMAT_MULAW : WAVE_FORMAT_ALAW;
    h.riffSize = h.dataSize + G711_HEADER_AFTER_RIFF_SIZE;  // S - 974
    h.sampleRate = static_cast<std::uint32_t>(rate);
    h.byteRate = mono ? h.sampleRate : 2 * h.sampleRate;
    h.blockAlign = mono ? 1 : 2;
    h.bitsPerSample = 8;
    h.factSamples = mono ? h.dataSize : h.dataSize / 2;
  } else if (scan.is24Bit) {
    h.riffSize = h.dataSize + PCM_HEADER_AFTER_RIFF_SIZE;  // S - 988
    h.sampleRate = static_cast<std::uint32_t>(rate);
    h.byteRate = byteRate24;
    h.blockAlign = mono ? 3 : 6;
    h.bitsPerSample = 24;
  } else {
    h.riffSize = h.dataSize + PCM_HEADER_AFTER_RIFF_SIZE;  // S - 988
    h.sampleRate = rate16;
    h.byteRate = byteRate16;
    h.blockAlign = mono ? 2 : 4;
    h.bitsPerSample = 16;
  }
  plan.copy = CopyToEnd(input, SPHERE_DATA_OFFSET, 2);
  plan.durationSeconds = seconds;
  RunConversion(target, input, plan);
}

}  // namespace

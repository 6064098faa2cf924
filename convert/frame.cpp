#include "convert/frame.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <sstream>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

#include "io/byte_order.h"
#include "state/app_state.h"

namespace {

constexpr std::size_t PCM_HEADER_BYTES = 44;
constexpr std::size_t G711_HEADER_BYTES = 58;
constexpr std::uint32_t LARGEST_DURATION_MS = 4294967u * 1000u;  // whole seconds within 32 bits

// PCM header: RIFF, a 16-byte fmt chunk, data.
std::vector<unsigned char> EncodePcmHeader(const WaveHeader& h) {
  std::vector<unsigned char> b(PCM_HEADER_BYTES);
  WriteTag(&b[0], "RIFF");
  WriteU32Le(&b[4], h.riffSize);
  WriteTag(&b[8], "WAVEfmt ");
  WriteU32Le(&b[16], 16);
  WriteU16Le(&b[20], h.formatTag);
  WriteU16Le(&b[22], h.channels);
  WriteU32Le(&b[24], h.sampleRate);
  WriteU32Le(&b[28], h.byteRate);
  WriteU16Le(&b[32], h.blockAlign);
  WriteU16Le(&b[34], h.bitsPerSample);
  WriteTag(&b[36], "data");
  WriteU32Le(&b[40], h.dataSize);
  return b;
}

// G.711 header: RIFF, an 18-byte fmt chunk (empty extension), fact, data.
std::vector<unsigned char> EncodeG711Header(const WaveHeader& h) {
  std::vector<unsigned char> b(G711_HEADER_BYTES);
  WriteTag(&b[0], "RIFF");
  WriteU32Le(&b[4], h.riffSize);
  WriteTag(&b[8], "WAVEfmt ");
  WriteU32Le(&b[16], 18);
  WriteU16Le(&b[20], h.formatTag);
  WriteU16Le(&b[22], h.channels);
  WriteU32Le(&b[24], h.sampleRate);
  WriteU32Le(&b[28], h.byteRate);
  WriteU16Le(&b[32], h.blockAlign);
  WriteU16Le(&b[34], 8);
  WriteU16Le(&b[36], 0);
  // fact
  WriteTag(&b[38], "fact");
  WriteU32Le(&b[42], 4);
  WriteU32Le(&b[46], h.factSamples);
  // data
  WriteTag(&b[50], "data");
  WriteU32Le(&b[54], h.dataSize);
  return b;
}

// Float header: RIFF, fmt (16), fact, a version-1 PEAK chunk with one zeroed
// entry per channel, data, and two zero bytes that the data size counts.
std::vector<unsigned char> EncodeFloatHeader(const WaveHeader& h) {
  const std::size_t peakEntries = h.channels == 2 ? 2 : 1;
  const std::size_t peakBytes = 8 + 8 * peakEntries;  // version, time stamp, entries
  const std::size_t dataTag = 56 + peakBytes;         // 72 mono, 80 stereo
  std::vector<unsigned char> b(dataTag + 8 + 2);
  WriteTag(&b[0], "RIFF");
  WriteU32Le(&b[4], h.riffSize);
  WriteTag(&b[8], "WAVEfmt ");
  WriteU32Le(&b[16], 16);
  WriteU16Le(&b[20], WAVE_FORMAT_FLOAT);
  WriteU16Le(&b[22], h.channels);
  WriteU32Le(&b[24], h.sampleRate);
  WriteU32Le(&b[28], h.byteRate);
  WriteU16Le(&b[32], h.blockAlign);
  WriteU16Le(&b[34], 32);
  // fact
  WriteTag(&b[36], "fact");
  WriteU32Le(&b[40], 4);
  WriteU32Le(&b[44], h.factSamples);
  // PEAK: version 1, time stamp 0, entries (value 0.0f, position 0) left zero
  WriteTag(&b[48], "PEAK");
  WriteU32Le(&b[52], static_cast<std::uint32_t>(peakBytes));
  WriteU32Le(&b[56], 1);
  // data
  WriteTag(&b[dataTag], "data");
  WriteU32Le(&b[dataTag + 4], h.dataSize);
  return b;
}

// Values in memory order of a little-endian word, on any host.
template <typename Word>
Word FromLittleEndian(Word w) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  Word swapped = 0;
  for (std::size_t i = 0; i < sizeof(Word); ++i) swapped = static_cast<Word>((swapped << 8) | ((w >> (8 * i)) & 0xFF));
  return swapped;
#else
  return w;
#endif
}

// Replaces each whole word of the buffer by op(word), in memory order.
template <typename Word, typename Op>
inline __attribute__((always_inline)) void ForEachWord(unsigned char* bytes, std::size_t size, Op op) {
  for (std::size_t i = 0; i + sizeof(Word) <= size; i += sizeof(Word)) {
    Word w;
    std::memcpy(&w, bytes + i, sizeof(Word));
    w = op(w);
    std::memcpy(bytes + i, &w, sizeof(Word));
  }
}

// Applies the rule's transform to whole units in place. The loops work on
// 16- and 32-bit words so that the compiler can vectorise them.
inline __attribute__((always_inline)) void TransformUnitsBody(unsigned char* bytes, std::size_t size,
                                                              const CopyRule& rule) {
  switch (rule.transform) {
    case UnitTransform::Unchanged:
      break;
    case UnitTransform::ReverseGroups:
      if (rule.groupSize == 2) {
        ForEachWord<std::uint16_t>(bytes, size,
                                   [](std::uint16_t w) { return static_cast<std::uint16_t>((w << 8) | (w >> 8)); });
      } else if (rule.groupSize == 4) {
        ForEachWord<std::uint32_t>(bytes, size, [](std::uint32_t w) {
          return (w >> 24) | ((w >> 8) & 0xFF00u) | ((w << 8) & 0xFF0000u) | (w << 24);
        });
      } else {
        const std::size_t g = static_cast<std::size_t>(rule.groupSize);
        for (std::size_t i = 0; i + g <= size; i += g) std::swap(bytes[i], bytes[i + g - 1]);
      }
      break;
    case UnitTransform::AddSignBit:
      for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<unsigned char>(bytes[i] ^ 0x80);
      break;
    case UnitTransform::AddWord807F:
      ForEachWord<std::uint16_t>(bytes, size, [](std::uint16_t w) {
        return FromLittleEndian(static_cast<std::uint16_t>(FromLittleEndian(w) + 0x807Fu));
      });
      break;
    case UnitTransform::HighHalfThenSilence:
      // b0 b1 b2 b3 -> b1 b0 00 00
      ForEachWord<std::uint32_t>(bytes, size, [](std::uint32_t w) {
        w = FromLittleEndian(w);
        return FromLittleEndian(((w & 0xFFu) << 8) | ((w >> 8) & 0xFFu));
      });
      break;
  }
}

void TransformUnitsGeneric(unsigned char* bytes, std::size_t size, const CopyRule& rule) {
  TransformUnitsBody(bytes, size, rule);
}

#if defined(__x86_64__) && defined(__GNUC__)
// The same loops compiled for AVX2, chosen at run time on processors that
// have it. The two reorderings the compiler cannot vectorise by itself (3-byte
// groups, the 32-bit high half) use byte shuffles, 16 bytes at a time.
__attribute__((target("avx2"))) void TransformUnitsAvx2(unsigned char* bytes, std::size_t size, const CopyRule& rule) {
  std::size_t done = 0;
  if (rule.transform == UnitTransform::ReverseGroups && rule.groupSize == 3) {
    // Five 3-byte groups per step; lane 15 keeps its byte, the next step's first.
    const __m128i order = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 14, 13, 12, 15);
    // Each step loads the next 16 bytes before storing, so no load waits on
    // the overlapping store before it.
    if (size >= 16) {
      __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
      for (; done + 31 <= size; done += 15) {
        __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + done + 15));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(bytes + done), _mm_shuffle_epi8(v, order));
        v = next;
      }
      _mm_storeu_si128(reinterpret_cast<__m128i*>(bytes + done), _mm_shuffle_epi8(v, order));
      done += 15;
    }
  } else if (rule.transform == UnitTransform::HighHalfThenSilence) {
    const __m128i order = _mm_setr_epi8(1, 0, -1, -1, 5, 4, -1, -1, 9, 8, -1, -1, 13, 12, -1, -1);
    for (; done + 16 <= size; done += 16) {
      __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + done));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(bytes + done), _mm_shuffle_epi8(v, order));
    }
  }
  TransformUnitsBody(bytes + done, size - done, rule);
}
#endif

void TransformUnits(unsigned char* bytes, std::size_t size, const CopyRule& rule) {
#if defined(__x86_64__) && defined(__GNUC__)
  static const bool hasAvx2 = __builtin_cpu_supports("avx2");
  if (hasAvx2) return TransformUnitsAvx2(bytes, size, rule);
#endif
  TransformUnitsGeneric(bytes, size, rule);
}

// Removes every dropEvery-th unit, moving the runs between them down;
// unitIndex counts units across blocks.
std::size_t DropUnits(unsigned char* bytes, std::size_t size, const CopyRule& rule, std::int64_t& unitIndex) {
  const std::size_t unit = static_cast<std::size_t>(rule.unitSize);
  std::size_t kept = 0;
  std::size_t i = 0;
  // The 24-bit block layout (16 units of 2 bytes, the last dropped) moves
  // 30 bytes per block; a fixed-size move is much cheaper than a variable one.
  constexpr std::size_t BLOCK = 32, KEEP = 30;
  if (unit * static_cast<std::size_t>(rule.dropEvery) == BLOCK && unit == 2 && unitIndex % rule.dropEvery == 0) {
    // Each block is moved whole through a temporary; its last two bytes land
    // where the next block's first ones go, or past what is kept.
    for (; i + BLOCK <= size; i += BLOCK, kept += KEEP) {
      unsigned char moved[BLOCK];
      std::memcpy(moved, bytes + i, BLOCK);
      std::memcpy(bytes + kept, moved, BLOCK);
    }
    unitIndex += static_cast<std::int64_t>(i / unit);
  }
  while (i < size) {
    std::size_t keepUnits = static_cast<std::size_t>(rule.dropEvery - 1 - unitIndex % rule.dropEvery);
    std::size_t run = std::min(keepUnits * unit, size - i);
    std::memmove(bytes + kept, bytes + i, run);
    kept += run;
    i += run;
    unitIndex += static_cast<std::int64_t>(run / unit);
    if (i < size) {
      i += unit;
      ++unitIndex;
    }
  }
  return kept;
}

std::int64_t UnitCount(const CopyRule& rule) {
  return rule.payloadBytes <= 0 ? 0 : (rule.payloadBytes + rule.unitSize - 1) / rule.unitSize;
}

}  // namespace

std::vector<unsigned char> EncodeWaveHeader(const WaveHeader& header) {
  switch (header.family) {
    case WaveFamily::G711:
      return EncodeG711Header(header);
    case WaveFamily::Float:
      return EncodeFloatHeader(header);
    case WaveFamily::Pcm:
      break;
  }
  return EncodePcmHeader(header);
}

std::int64_t CopiedBytes(const CopyRule& rule) {
  std::int64_t units = UnitCount(rule);
  if (rule.dropEvery > 0) units -= units / rule.dropEvery;
  return units * rule.unitSize;
}

bool CopyPayload(std::FILE* in, std::FILE* out, const CopyRule& rule) {
  const std::size_t unit = static_cast<std::size_t>(rule.unitSize);
  std::int64_t remaining = UnitCount(rule) * rule.unitSize;  // input bytes the units span
  if (remaining == 0) return true;
  if (!SeekStream(in, rule.dataOffset)) return false;
  std::unique_ptr<unsigned char[]> block = NewIoBlock();
  std::vector<unsigned char> previous(unit, 0);  // raw bytes of the last unit read
  std::int64_t unitIndex = 0;
  while (remaining > 0) {
    std::size_t want = static_cast<std::size_t>(std::min<std::int64_t>(remaining, IO_BLOCK_BYTES));
    std::size_t got = ReadBytes(in, block.get(), want);
    if (got < want) {
      // Only the last unit may be cut short by the end of the input.
      if (want - got >= unit || static_cast<std::int64_t>(want) != remaining) return false;
      std::size_t lastUnit = want - unit;
      if (lastUnit > 0) std::copy(block.get() + lastUnit - unit, block.get() + lastUnit, previous.begin());
      std::copy(previous.begin() + static_cast<std::ptrdiff_t>(got - lastUnit), previous.end(), block.get() + got);
    }
    std::copy(block.get() + want - unit, block.get() + want, previous.begin());
    TransformUnits(block.get(), want, rule);
    std::size_t keep = rule.dropEvery > 0 ? DropUnits(block.get(), want, rule, unitIndex) : want;
    if (!WriteBytes(out, block.get(), keep)) return false;
    remaining -= static_cast<std::int64_t>(want);
  }
  return true;
}

ConversionTarget ExternalTarget(const std::string& source, const std::string& output) {
  return ConversionTarget{source, output, false};
}

ConversionTarget StoredTarget() { return ConversionTarget{appState.tempWavPath, appState.decodedWavPath, true}; }

void ReportUnsupported(const ConversionTarget& target) {
  if (target.stored) {
    appState.wavTypeKnown = 0;
  } else {
    appState.conversionFailed = 1;
  }
}

bool OpenConversionInput(const ConversionTarget& target, ConversionInput& input) {
  input.file = OpenStream(target.source, "rb");
  input.size = input.file ? MeasureStream(input.file.get()) : -1;
  if (input.size < 0 || input.size > INT32_MAX) {
    input.file.reset();
    ReportUnsupported(target);
    return false;
  }
  std::fill(std::begin(input.head), std::end(input.head), 0);
  ReadBytes(input.file.get(), input.head, HEAD_BYTES);
  return true;
}

CopyRule CopyToEnd(const ConversionInput& input, std::int64_t offset, int unitSize, UnitTransform transform) {
  CopyRule rule;
  rule.dataOffset = offset;
  rule.unitSize = unitSize;
  rule.transform = transform;
  rule.payloadBytes = input.size - offset;
  return rule;
}

void RunConversion(const ConversionTarget& target, ConversionInput& input, const ConversionPlan& plan) {
  if (input.size < plan.copy.dataOffset || !std::isfinite(plan.durationSeconds) || plan.durationSeconds < 0) {
    ReportUnsupported(target);
    return;
  }
  Stream output = OpenStream(target.output, "wb");
  if (!output) {
    ReportUnsupported(target);
    return;
  }
  std::vector<unsigned char> header = EncodeWaveHeader(plan.header);
  bool written = WriteBytes(output.get(), header.data(), header.size()) &&
                 CopyPayload(input.file.get(), output.get(), plan.copy) && CloseStream(output);
  if (!written) {
    // A half-written wave must not be played as if it were this input.
    output.reset();
    RemoveFile(target.output);
    ReportUnsupported(target);
    return;
  }
  SetDurationResults(target, plan.durationSeconds);
  if (plan.reportFailure) ReportUnsupported(target);
}

double Quotient(double numerator, double divisor) {
  return divisor == 0 ? std::numeric_limits<double>::quiet_NaN() : numerator / divisor;
}

std::string FormatDuration(double seconds) {
  std::ostringstream text;
  text << seconds;
  return text.str();
}

void SetDurationResults(const ConversionTarget& target, double seconds) {
  AppState& s = appState;
  s.durationSeconds = seconds;
  double whole = std::trunc(seconds);
  s.durationMs = whole >= LARGEST_DURATION_MS / 1000 ? LARGEST_DURATION_MS
                 : whole > 0                         ? static_cast<std::uint32_t>(whole) * 1000u
                                                     : 0u;
  if (target.stored) {
    s.replayDurationMs = s.durationMs;
    s.durationText = FormatDuration(seconds);
  }
}

bool ReadToken(TokenReader& reader, char delimiter, std::string& token) {
  token.clear();
  bool readAny = false;
  for (;;) {
    if (reader.position == reader.filled) {
      reader.filled = ReadBytes(reader.file, reader.buffer.data(), reader.buffer.size());
      reader.position = 0;
      if (reader.filled == 0) return readAny;
    }
    readAny = true;
    const unsigned char* start = reader.buffer.data() + reader.position;
    const unsigned char* end = reader.buffer.data() + reader.filled;
    const unsigned char* stop = std::find(start, end, static_cast<unsigned char>(delimiter));
    std::size_t room = TOKEN_KEEP_BYTES - std::min(token.size(), TOKEN_KEEP_BYTES);
    token.append(start, start + std::min<std::size_t>(static_cast<std::size_t>(stop - start), room));
    reader.position = static_cast<std::size_t>(stop - reader.buffer.data());
    if (stop != end) {
      ++reader.position;  // the delimiter is consumed, not kept
      return true;
    }
  }
}

std::int32_t LeadingInteger(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i == text.size() || !std::isdigit(static_cast<unsigned char>(text[i]))) return 0;
  std::int64_t value = 0;
  for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > std::int64_t{INT32_MAX} + 1) break;
  }
  if (negative) return value > std::int64_t{INT32_MAX} + 1 ? INT32_MIN : static_cast<std::int32_t>(-value);
  return value > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(value);
}

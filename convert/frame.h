// The conversion frame. A foreign sound file becomes a RIFF/WAVE file without
// decoding: a format module reads a few header fields at fixed offsets and
// describes the output (a WAVE header of one of three families and a copy
// rule for the sample bytes); the frame measures the input, writes the header,
// moves the samples in large blocks and sets the result fields.
//
// Every converter has two faces. An external importer reads the format's
// source path, writes its output path and reports unsupported input through
// conversionFailed. A stored-entry converter reads tempWavPath, writes
// decodedWavPath, also sets replayDurationMs and durationText, and reports
// through wavTypeKnown. A failure writes nothing and leaves the duration
// fields as they were.
//
// S is the input's size in bytes. Output sizes and durations come from S,
// never from the input's own size fields, so they include the input header.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "io/file_io.h"

// --- Output headers ------------------------------------------------------------

enum class WaveFamily {
  Pcm,    // 44 bytes: RIFF, fmt (16), data
  G711,   // 58 bytes: RIFF, fmt (18) with format 6 or 7, fact, data
  Float,  // RIFF, fmt (16) with format 3, fact, PEAK, data, two zero bytes
};

constexpr std::uint16_t WAVE_FORMAT_PCM = 1;
constexpr std::uint16_t WAVE_FORMAT_FLOAT = 3;
constexpr std::uint16_t WAVE_FORMAT_ALAW = 6;
constexpr std::uint16_t WAVE_FORMAT_MULAW = 7;

struct WaveHeader {
  WaveFamily family = WaveFamily::Pcm;
  std::uint32_t riffSize = 0;
  std::uint16_t formatTag = WAVE_FORMAT_PCM;
  std::uint16_t channels = 1;
  std::uint32_t sampleRate = 0;
  std::uint32_t byteRate = 0;
  std::uint16_t blockAlign = 0;
  std::uint16_t bitsPerSample = 0;
  std::uint32_t factSamples = 0;  // G.711 and float only
  std::uint32_t dataSize = 0;
};

// The bytes of a header, in file order. The float family's two zero bytes
// that precede its samples are part of it.
std::vector<unsigned char> EncodeWaveHeader(const WaveHeader& header);

// --- Sample copy -----------------------------------------------------------------

enum class UnitTransform {
  Unchanged,
  ReverseGroups,        // each group of groupSize bytes reversed (2: swap, 3, 4)
  AddSignBit,           // 128 added to every byte: signed to unsigned 8-bit
  AddWord807F,          // each little-endian 16-bit word plus 0x807F
  HighHalfThenSilence,  // b0 b1 b2 b3 -> b1 b0 00 00
};

struct CopyRule {
  std::int64_t dataOffset = 0;  // input offset of the first sample byte
  int unitSize = 1;             // 1, 2, 3, 4 or 6 bytes
  UnitTransform transform = UnitTransform::Unchanged;
  int groupSize = 2;  // for ReverseGroups
  // The copy runs while payloadBytes is greater than the bytes counted so far,
  // so the last unit may reach past it. Normally S minus dataOffset.
  std::int64_t payloadBytes = 0;
  // When non-zero, every dropEvery-th unit is read but not written.
  int dropEvery = 0;
};

// Number of bytes the copy writes for rule: whole units, less the dropped ones.
std::int64_t CopiedBytes(const CopyRule& rule);

// Copies the payload of in (positioned anywhere) to out's position. When the
// input ends inside the last unit, that unit is written whole, its missing
// bytes keeping the previous unit's values (zeros when there was none).
bool CopyPayload(std::FILE* in, std::FILE* out, const CopyRule& rule);

// --- Conversions ---------------------------------------------------------------------

struct ConversionTarget {
  std::string source;
  std::string output;
  bool stored = false;  // stored-entry converter (else external importer)
};

ConversionTarget ExternalTarget(const std::string& source, const std::string& output);
ConversionTarget StoredTarget();

// Bytes of the input's start that a module may read fields from; fields past
// the end of a short input read as zero.
constexpr std::size_t HEAD_BYTES = 64;

struct ConversionInput {
  Stream file;
  std::int64_t size = 0;  // S
  unsigned char head[HEAD_BYTES] = {};
};

struct ConversionPlan {
  WaveHeader header;
  CopyRule copy;
  double durationSeconds = 0;
  // The output is written and the durations set, yet the conversion is still
  // reported as failed (formats whose Parts say so).
  bool reportFailure = false;
};

// Opens and measures the source; false (and the failure reported) when it
// cannot be opened or is too large for 32-bit sizes.
bool OpenConversionInput(const ConversionTarget& target, ConversionInput& input);
// Sets the target's failure flag: conversionFailed = 1 or wavTypeKnown = 0.
void ReportUnsupported(const ConversionTarget& target);
// Writes the output that plan describes and sets the result fields. An input
// shorter than the data offset, an undefined duration, or an output that
// cannot be written is reported as unsupported instead.
void RunConversion(const ConversionTarget& target, ConversionInput& input, const ConversionPlan& plan);
// The payload rule most formats use: from offset to the end of the input.
CopyRule CopyToEnd(const ConversionInput& input, std::int64_t offset, int unitSize,
                   UnitTransform transform = UnitTransform::Unchanged);

// --- Durations -------------------------------------------------------------------------

// numerator / divisor, or NaN for a zero divisor (the frame then refuses the input).
double Quotient(double numerator, double divisor);
// durationSeconds in the standard stream's default form: six significant digits.
std::string FormatDuration(double seconds);
// durationSeconds, durationMs and, for stored entries, replayDurationMs and durationText.
void SetDurationResults(const ConversionTarget& target, double seconds);

// --- Text headers ------------------------------------------------------------------------

// Reads a text header token by token, as a line-reading call with a
// one-character delimiter does: line breaks do not end a token, two adjacent
// delimiters give an empty token, and a read fails only when no character is
// left. Long tokens are kept to their first TOKEN_KEEP_BYTES characters.
constexpr std::size_t TOKEN_KEEP_BYTES = 4096;

struct TokenReader {
  std::FILE* file = nullptr;
  std::vector<unsigned char> buffer = std::vector<unsigned char>(4096);
  std::size_t position = 0;
  std::size_t filled = 0;
};

bool ReadToken(TokenReader& reader, char delimiter, std::string& token);
// The integer at the start of text as a stream extraction takes it: leading
// white space skipped, optional sign, digits; 0 when there is none, the
// limit of the 32-bit range when it overflows.
std::int32_t LeadingInteger(const std::string& text);

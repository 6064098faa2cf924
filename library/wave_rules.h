// The RIFF/WAVE header rules that a stored entry's play and Play_Wav share.
//
// Fields read, little-endian, at fixed offsets (the "fmt " chunk is taken to
// follow "WAVE" directly):
//    4 u32 RIFF size          16 u32 fmt chunk length   20 i16 format tag
//   22 i16 channels           24 u32 sample rate        32 u16 block align
//   34 u16 bits per sample
// The durations multiply by the fmt chunk length where bits per sample would
// be expected; waves have always been timed that way.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr std::size_t WAVE_FIELDS_BYTES = 36;

struct WaveFields {
  std::uint32_t riffSize = 0;
  std::uint32_t fmtSize = 0;
  std::int16_t formatTag = 0;
  std::uint32_t channels = 0;  // the signed field taken as unsigned
  std::uint32_t rate = 0;
  std::uint16_t blockAlign = 0;
  std::uint16_t bits = 0;
};

// head holds the first WAVE_FIELDS_BYTES bytes of the file.
WaveFields ReadWaveFields(const unsigned char* head);

// The fmt chunk length of an IMA ADPCM wave.
constexpr std::uint32_t IMA_FMT_LENGTH = 20;
// The IMA ADPCM block sizes that only stored entries are decoded for.
bool IsImaBlockAlign(std::uint16_t blockAlign);
// The fmt chunk lengths of the waves that are timed.
bool IsMeasuredFmtLength(std::uint32_t fmtSize);

// The byte rate the durations divide by, fmt chunk length for bits per
// sample, at the given rate. All arithmetic is unsigned 32-bit.
std::uint32_t EstimatedByteRate(const WaveFields& wave, std::uint32_t rate);
// The rate the durations reckon with: doubled for any format tag above 1, a
// third for a 40-byte fmt chunk.
std::uint32_t TimingRate(const WaveFields& wave);

enum class WaveDivision {
  Whole,     // integer quotients; the caller has refused a zero divisor
  Fraction,  // quotients of doubles; a zero divisor gives NaN
};

// Seconds of a wave of bytes bytes: bytes over the estimated byte rate,
// halved for 32-bit samples; for an 18-byte fmt chunk, twice the bytes over
// the timing rate times the channels instead.
double WaveSeconds(const WaveFields& wave, std::uint32_t bytes, WaveDivision division);

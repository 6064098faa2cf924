// The RIFF/WAVE headers the converters write, in three families: one for
// linear samples, one for G.711 bytes, one for 32-bit float words. A format
// module fills a WaveHeader; EncodeWaveHeader lays it out.
#pragma once

#include <cstdint>
#include <vector>

enum class WaveFamily {
  Pcm,    // RIFF, fmt (16), data
  G711,   // RIFF, fmt (18) with format 6 or 7, fact, data
  Float,  // RIFF, fmt (16) with format 3, fact, PEAK, data, two zero bytes
};

constexpr std::uint16_t WAVE_FORMAT_PCM = 1;
constexpr std::uint16_t WAVE_FORMAT_FLOAT = 3;
constexpr std::uint16_t WAVE_FORMAT_ALAW = 6;
constexpr std::uint16_t WAVE_FORMAT_MULAW = 7;

// Length of each family's header, the bytes in front of the samples. The
// float header's PEAK chunk has one entry per channel (two for stereo, one
// else), and the two zero bytes before its samples count as header.
constexpr std::uint32_t PCM_WAVE_HEADER_BYTES = 44;
constexpr std::uint32_t G711_WAVE_HEADER_BYTES = 58;
constexpr std::uint32_t FLOAT_WAVE_HEADER_BYTES_MONO = 82;
constexpr std::uint32_t FLOAT_WAVE_HEADER_BYTES_STEREO = 90;
constexpr std::uint32_t FLOAT_LEADING_ZERO_BYTES = 2;

// The RIFF size counts the bytes after its own field: the output's length
// less "RIFF" and the field itself.
constexpr std::uint32_t RIFF_SIZE_FIELD_END = 8;
// What a header adds to the data size in the RIFF size.
constexpr std::uint32_t PCM_HEADER_AFTER_RIFF_SIZE = PCM_WAVE_HEADER_BYTES - RIFF_SIZE_FIELD_END;
constexpr std::uint32_t G711_HEADER_AFTER_RIFF_SIZE = G711_WAVE_HEADER_BYTES - RIFF_SIZE_FIELD_END;

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

// The decoder of stored IMA ADPCM waves (4-bit DVI ADPCM in WAVE files with
// a 20-byte "fmt " chunk). Only the first channel is decoded; the result is a
// one-channel 16-bit PCM wave at the input's own rate.
#pragma once

#include <cstdint>

struct ImaDecoderState {
  std::int16_t predictor = 0;
  std::uint8_t stepIndex = 0;  // 0 ... 88
};

constexpr int IMA_MAX_STEP_INDEX = 88;

// One nibble (its low 4 bits) through the standard step; returns the sample.
std::int16_t DecodeImaNibble(ImaDecoderState& state, unsigned nibble);
// Decodes the extracted entry (tempWavPath) into decodedWavPath; wavTypeKnown 0 when it cannot.
void DecodeStoredImaAdpcm();

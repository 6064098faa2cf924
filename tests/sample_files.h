// Builders of small sound files in the layouts the converters read, shared by
// the test suite and the fuzzers' seed writer (which has no GoogleTest).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<unsigned char>;

Bytes BytesOf(const std::string& text);
// size bytes of a fixed pseudo-random pattern.
Bytes PatternBytes(std::size_t size, std::uint32_t seed = 1);

// A plain AIFF with its COMM chunk first: samples at 54. blockSizeTag, when
// given, fills the SSND block-size field at 50.
Bytes AiffFile(std::uint16_t channels, std::uint16_t sampleSize, std::uint32_t rate, const Bytes& samples,
               const char* blockSizeTag = nullptr);
// An AIFF-C with FVER first, COMM with an empty name, samples at 72.
Bytes AifcFile(std::uint16_t channels, std::uint32_t rate, const char* compression, const Bytes& samples);

// A VOC file of size bytes whose first block is new-format (type 9).
Bytes NewFormatVoc(std::size_t size, std::uint32_t rate, int bits, int channels, int codec, std::uint32_t seed = 1);
// A VOC file whose first block carries a time constant: classic (type 1,
// the constant byte then packing 0) or extended (type 8, 16 bits). The byte
// at 34 is a sample or a block type; it steers the dispatch.
Bytes TimeConstantVoc(std::size_t size, std::uint16_t timeConstant, int byte34 = 0x80, std::uint32_t seed = 1);

// Fills the first 44 bytes of wave with a PCM RIFF/WAVE header for dataBytes
// of samples.
void WritePcmWaveHeader(Bytes& wave, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits,
                        std::size_t dataBytes);

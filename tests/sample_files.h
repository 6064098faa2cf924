// Builders of small sound files in the layouts the program reads, and the one reader of the wave headers it writes.
// Shared by the test suite, the fuzz harness and the Windows driver: no GoogleTest, no program code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <vector>

using Bytes = std::vector<unsigned char>;

Bytes BytesOf(const std::string& text);
// A whole file's bytes (none when it cannot be read); writing says whether it worked.
Bytes ReadWholeFile(const std::string& path);
bool WriteWholeFile(const std::string& path, const Bytes& bytes);
// path and every file and folder below it, by path, with the files' bytes (a folder has none).
std::map<std::string, Bytes> FilesUnder(const std::string& path);
// The names in folder but "." and ".."; nothing when it is no folder. By the C library's listing: the file system
// library builds a path object of several allocations for every name, most of a fuzz input's allocations.
std::optional<std::vector<std::string>> NamesIn(const std::string& folder);
Bytes PatternBytes(std::size_t size, std::uint32_t seed = 1);  // a fixed pseudo-random pattern
// A copy with values written from offset.
Bytes WithBytesAt(Bytes bytes, std::size_t offset, std::initializer_list<int> values);
Bytes Tail(const Bytes& bytes, std::size_t from);
Bytes Head(const Bytes& bytes, std::size_t size);
// head, then tail: bytes, or words.
template <typename List>
List Joined(List head, const List& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

// --- RIFF/WAVE -------------------------------------------------------------------
// A 44-byte PCM header and dataBytes of patterned samples.
Bytes PcmWave(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits, std::size_t dataBytes);
// An IMA ADPCM wave with a 20-byte fmt chunk: blocks of 1024 data bytes a channel after each channel's 4-byte
// header (block align 1028 or 2056; block k starts at step index k % 89); the last block holds lastBlockBytes when
// that is not 0. Its samples a block and chunk sizes are filled in, so that sox decodes it too.
Bytes ImaWave(std::uint16_t channels, std::uint32_t rate, std::size_t blocks, std::size_t lastBlockBytes = 0);

// The fields of a wave the converters write, from the header family's fixed layout (PCM 44 bytes, G.711 58 bytes,
// float 82 or 90 bytes). ok: one of the three layouts; factSamples: G.711 and float only.
struct WaveInfo {
  bool ok = false;
  std::uint32_t riffSize = 0;
  std::uint32_t sampleRate = 0;
  std::uint32_t byteRate = 0;
  std::uint32_t factSamples = 0;
  std::uint32_t dataSize = 0;
  std::uint16_t formatTag = 0;
  std::uint16_t channels = 0;
  std::uint16_t blockAlign = 0;
  std::uint16_t bitsPerSample = 0;
  std::size_t dataOffset = 0;  // where the samples start in the file
};
WaveInfo ParseWave(const Bytes& bytes);

// --- The foreign formats ---------------------------------------------------------
// Each is a header over a payload; fields the converters do not read hold nonsense or a pattern where that proves
// they are not read.

// The leading four bytes of rate as an 80-bit extended float, as AIFF files hold it.
std::uint32_t AiffRate(std::uint32_t rate);
// A plain AIFF with COMM first: samples at 54. blockSizeTag, when given, fills the SSND block-size field at 50.
Bytes AiffFile(std::uint16_t channels, std::uint16_t sampleSize, std::uint32_t rate, const Bytes& samples,
               const char* blockSizeTag = nullptr);
// An AIFF-C with FVER first, COMM with an empty name, samples at 72.
Bytes AifcFile(std::uint16_t channels, std::uint32_t rate, const char* compression, const Bytes& samples);
// A 24-byte AU header (data offset and size fields hold nonsense) and payload.
Bytes AuFile(std::uint32_t encoding, std::uint32_t rate, std::uint32_t channels, const Bytes& payload,
             const char* magic = ".snd");
// A CAF file of size bytes: a pattern with the fields the converter reads: the rate as a double at 20, the format
// at 28-31, channels at 46-47, bits at 50-51 and the next chunk's type at 52-55.
Bytes CafFile(std::size_t size, double rate, const char* format, int channels, int bits,
              const char* nextChunk = "free");
// A big-endian PAF file of size bytes: a pattern with the rate at 12-15, the format at 18-19, channels at 22-23.
Bytes PafFile(std::size_t size, std::uint32_t rate, int format, int channels);
// "PVF1", the given second line, zeros up to 1024, then payload.
Bytes PvfFile(const std::string& line, const Bytes& payload);
// SPHERE header lines padded with blanks to 1024 bytes, then payload.
Bytes SphereFile(const std::string& lines, const Bytes& payload);
// A 12-byte HTK header (sample count zero) and payload.
Bytes HtkFile(std::uint16_t period, std::uint16_t sampleBytes, const Bytes& payload);
// An IFF file with VHDR first: rateField is the big-endian word at 30 (the cycle length's low half and the rate);
// zeros up to 100, then payload.
Bytes IffFile(const char* formType, const char* firstChunk, std::uint32_t rateField, const Bytes& payload);
// An MPC file: the stereo flag at 21, V at 40, payload from 42.
Bytes MpcFile(std::uint8_t stereoFlag, std::uint16_t v, const Bytes& payload);
// A WVE file: the mark text, the rate code at 20, payload from 32.
Bytes WveFile(const std::string& mark, std::uint16_t rateCode, const Bytes& payload);
// A VOC file of size bytes whose first block is new-format (type 9).
Bytes NewFormatVoc(std::size_t size, std::uint32_t rate, int bits, int channels, int codec);
// A VOC file whose first block carries a time constant: classic (type 1) or extended (type 8, for constants from
// 0x8000). The byte at 34 is a sample or a block type; it steers the dispatch.
Bytes TimeConstantVoc(std::size_t size, std::uint16_t timeConstant, int byte34 = 0x80);

// --- Containers --------------------------------------------------------------------
// A ".kvf" holding entries in order, with keys as given (the name list is the program's to write).
Bytes KvfFile(const std::vector<Bytes>& entries, const std::vector<std::uint32_t>& keys = {});

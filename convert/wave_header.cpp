#include "convert/wave_header.h"

#include "io/byte_order.h"

namespace {

constexpr std::uint32_t RIFF_HEAD_BYTES = 12;  // "RIFF", its size, "WAVE"
constexpr std::uint32_t CHUNK_HEAD_BYTES = 8;  // tag and size
constexpr std::uint32_t PCM_FMT_BYTES = 16;    // format tag to bits per sample
constexpr std::uint32_t G711_FMT_BYTES = 18;   // the same and an extension size of 0
constexpr std::uint32_t FACT_BYTES = 4;        // a sample count
constexpr std::uint32_t PEAK_HEAD_BYTES = 8;   // version and time stamp
constexpr std::uint32_t PEAK_ENTRY_BYTES = 8;  // a value and its position
constexpr std::uint32_t PEAK_VERSION = 1;
constexpr std::uint16_t G711_BITS = 8;
constexpr std::uint16_t FLOAT_BITS = 32;

constexpr std::uint32_t FloatHeaderBytes(std::uint32_t peakEntries) {
  return RIFF_HEAD_BYTES + CHUNK_HEAD_BYTES + PCM_FMT_BYTES + CHUNK_HEAD_BYTES + FACT_BYTES + CHUNK_HEAD_BYTES +
         PEAK_HEAD_BYTES + PEAK_ENTRY_BYTES * peakEntries + CHUNK_HEAD_BYTES + FLOAT_LEADING_ZERO_BYTES;
}

// The lengths the converters count with are the lengths the writers below lay out.
static_assert(PCM_WAVE_HEADER_BYTES == RIFF_HEAD_BYTES + CHUNK_HEAD_BYTES + PCM_FMT_BYTES + CHUNK_HEAD_BYTES);
static_assert(G711_WAVE_HEADER_BYTES ==
              RIFF_HEAD_BYTES + CHUNK_HEAD_BYTES + G711_FMT_BYTES + CHUNK_HEAD_BYTES + FACT_BYTES + CHUNK_HEAD_BYTES);
static_assert(FLOAT_WAVE_HEADER_BYTES_MONO == FloatHeaderBytes(1));
static_assert(FLOAT_WAVE_HEADER_BYTES_STEREO == FloatHeaderBytes(2));

using Bytes = std::vector<unsigned char>;

void PutTag(Bytes& bytes, const char* tag) { bytes.insert(bytes.end(), tag, tag + 4); }

void PutU16(Bytes& bytes, std::uint16_t value) {
  unsigned char field[2];
  WriteU16Le(field, value);
  bytes.insert(bytes.end(), field, field + 2);
}

void PutU32(Bytes& bytes, std::uint32_t value) {
  unsigned char field[4];
  WriteU32Le(field, value);
  bytes.insert(bytes.end(), field, field + 4);
}

void PutRiffHead(Bytes& bytes, const WaveHeader& h) {
  PutTag(bytes, "RIFF");
  PutU32(bytes, h.riffSize);
  PutTag(bytes, "WAVE");
}

// The fmt chunk up to its bits per sample. The families differ in its size,
// the format tag and the bits; G.711 adds an extension size after them.
void PutFmtFields(Bytes& bytes, const WaveHeader& h, std::uint32_t fmtBytes, std::uint16_t formatTag,
                  std::uint16_t bitsPerSample) {
  PutTag(bytes, "fmt ");
  PutU32(bytes, fmtBytes);
  PutU16(bytes, formatTag);
  PutU16(bytes, h.channels);
  PutU32(bytes, h.sampleRate);
  PutU32(bytes, h.byteRate);
  PutU16(bytes, h.blockAlign);
  PutU16(bytes, bitsPerSample);
}

void PutFact(Bytes& bytes, const WaveHeader& h) {
  PutTag(bytes, "fact");
  PutU32(bytes, FACT_BYTES);
  PutU32(bytes, h.factSamples);
}

void PutDataHead(Bytes& bytes, const WaveHeader& h) {
  PutTag(bytes, "data");
  PutU32(bytes, h.dataSize);
}

// PCM: RIFF, a 16-byte fmt chunk, data.
Bytes EncodePcmHeader(const WaveHeader& h) {
  Bytes bytes;
  bytes.reserve(PCM_WAVE_HEADER_BYTES);
  PutRiffHead(bytes, h);
  // fmt
  PutFmtFields(bytes, h, PCM_FMT_BYTES, h.formatTag, h.bitsPerSample);
  // data
  PutDataHead(bytes, h);
  return bytes;
}

// G.711: RIFF, an 18-byte fmt chunk (empty extension), fact, data.
Bytes EncodeG711Header(const WaveHeader& h) {
  Bytes bytes;
  bytes.reserve(G711_WAVE_HEADER_BYTES);
  PutRiffHead(bytes, h);
  // fmt
  PutFmtFields(bytes, h, G711_FMT_BYTES, h.formatTag, G711_BITS);
  PutU16(bytes, 0);  // extension size
  // fact
  PutFact(bytes, h);
  // data
  PutDataHead(bytes, h);
  return bytes;
}

// Float: RIFF, a 16-byte fmt chunk, fact, a version-1 PEAK chunk with one
// zeroed entry per channel, data, and two zero bytes that the data size counts.
Bytes EncodeFloatHeader(const WaveHeader& h) {
  const std::uint32_t peakEntries = h.channels == 2 ? 2 : 1;
  Bytes bytes;
  bytes.reserve(FloatHeaderBytes(peakEntries));
  PutRiffHead(bytes, h);
  // fmt
  PutFmtFields(bytes, h, PCM_FMT_BYTES, WAVE_FORMAT_FLOAT, FLOAT_BITS);
  // fact
  PutFact(bytes, h);
  // PEAK
  PutTag(bytes, "PEAK");
  PutU32(bytes, PEAK_HEAD_BYTES + PEAK_ENTRY_BYTES * peakEntries);  // version, time stamp, entries
  PutU32(bytes, PEAK_VERSION);
  PutU32(bytes, 0);                                                // time stamp
  bytes.resize(bytes.size() + PEAK_ENTRY_BYTES * peakEntries, 0);  // value 0.0f, position 0
  // data
  PutDataHead(bytes, h);
  bytes.resize(bytes.size() + FLOAT_LEADING_ZERO_BYTES, 0);
  return bytes;
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

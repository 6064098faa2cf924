#include "tests/sample_files.h"

#include <algorithm>

#include "library/byte_order.h"

Bytes BytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes PatternBytes(std::size_t size, std::uint32_t seed) {
  Bytes bytes(size);
  std::uint32_t x = seed * 2654435761u + 1;
  for (unsigned char& b : bytes) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    b = static_cast<unsigned char>(x);
  }
  return bytes;
}

Bytes AiffFile(std::uint16_t channels, std::uint16_t sampleSize, std::uint32_t rate, const Bytes& samples,
               const char* blockSizeTag) {
  Bytes b(54 + samples.size(), 0);
  WriteTag(&b[0], "FORM");
  WriteU32Be(&b[4], static_cast<std::uint32_t>(b.size() - 8));
  WriteTag(&b[8], "AIFFCOMM");
  WriteU32Be(&b[16], 18);
  WriteU16Be(&b[20], channels);
  WriteU32Be(&b[22], 1000);
  WriteU16Be(&b[26], sampleSize);
  WriteU32Be(&b[28], rate);
  WriteTag(&b[38], "SSND");
  WriteU32Be(&b[42], static_cast<std::uint32_t>(samples.size() + 8));
  if (blockSizeTag) WriteTag(&b[50], blockSizeTag);
  std::copy(samples.begin(), samples.end(), b.begin() + 54);
  return b;
}

Bytes AifcFile(std::uint16_t channels, std::uint32_t rate, const char* compression, const Bytes& samples) {
  Bytes b(72 + samples.size(), 0);
  WriteTag(&b[0], "FORM");
  WriteU32Be(&b[4], static_cast<std::uint32_t>(b.size() - 8));
  WriteTag(&b[8], "AIFCFVER");
  WriteU32Be(&b[16], 4);
  WriteU32Be(&b[20], 0xA2805140);
  WriteTag(&b[24], "COMM");
  WriteU32Be(&b[28], 24);
  WriteU16Be(&b[32], channels);
  WriteU32Be(&b[34], 1000);
  WriteU16Be(&b[38], 16);
  WriteU32Be(&b[40], rate);
  WriteTag(&b[50], compression);
  WriteTag(&b[56], "SSND");
  WriteU32Be(&b[60], static_cast<std::uint32_t>(samples.size() + 8));
  std::copy(samples.begin(), samples.end(), b.begin() + 72);
  return b;
}

Bytes NewFormatVoc(std::size_t size, std::uint32_t rate, int bits, int channels, int codec, std::uint32_t seed) {
  Bytes b = PatternBytes(std::max<std::size_t>(size, 64), seed);
  Bytes text = BytesOf("Creative Voice File\x1A");
  std::copy(text.begin(), text.end(), b.begin());
  b[26] = 9;
  WriteU32Le(&b[30], rate);
  b[34] = static_cast<unsigned char>(bits);
  b[35] = static_cast<unsigned char>(channels);
  WriteU16Le(&b[36], static_cast<std::uint32_t>(codec));
  b.resize(size);
  return b;
}

Bytes TimeConstantVoc(std::size_t size, std::uint16_t timeConstant, int byte34, std::uint32_t seed) {
  Bytes b = PatternBytes(std::max<std::size_t>(size, 64), seed);
  Bytes text = BytesOf("Creative Voice File\x1A");
  std::copy(text.begin(), text.end(), b.begin());
  b[26] = timeConstant < 0x8000 ? 1 : 8;
  WriteU16Le(&b[30], timeConstant);
  b[34] = static_cast<unsigned char>(byte34);
  b.resize(size);
  return b;
}

void WritePcmWaveHeader(Bytes& wave, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits,
                        std::size_t dataBytes) {
  unsigned char* b = wave.data();
  WriteTag(&b[0], "RIFF");
  WriteU32Le(&b[4], static_cast<std::uint32_t>(36 + dataBytes));
  WriteTag(&b[8], "WAVEfmt ");
  WriteU32Le(&b[16], 16);
  WriteU16Le(&b[20], 1);
  WriteU16Le(&b[22], channels);
  WriteU32Le(&b[24], rate);
  WriteU32Le(&b[28], rate * channels * bits / 8);
  WriteU16Le(&b[32], static_cast<std::uint16_t>(channels * bits / 8));
  WriteU16Le(&b[34], bits);
  WriteTag(&b[36], "data");
  WriteU32Le(&b[40], static_cast<std::uint32_t>(dataBytes));
}

#include "tests/sample_files.h"

#include <dirent.h>
#ifdef __linux__
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "io/byte_order.h"

Bytes BytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }
// Through C streams with no buffer of their own, read and written in large blocks: the fuzzers read and write
// files at every input, and a file stream's buffers and locale cost more than the bytes.
Bytes ReadWholeFile(const std::string& path) {
  Bytes bytes;  // nothing from a folder (a seek to its end there gives a huge size)
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return bytes;
  std::setvbuf(file, nullptr, _IONBF, 0);
  unsigned char block[1 << 14];
  for (std::size_t got; (got = std::fread(block, 1, sizeof block, file)) > 0;)
    bytes.insert(bytes.end(), block, block + got);
  std::fclose(file);
  return bytes;
}
bool WriteWholeFile(const std::string& path, const Bytes& b) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  std::setvbuf(file, nullptr, _IONBF, 0);
  const bool written = b.empty() || std::fwrite(b.data(), 1, b.size(), file) == b.size();  // no data() when empty
  return std::fclose(file) == 0 && written;
}
#ifdef __linux__
// Read from the kernel into a block on the stack: opendir takes 32 KiB from the heap for each listing, which under
// the fuzzers' sanitizer cost more than the listing itself (they list every scratch folder after each input).
std::optional<std::vector<std::string>> NamesIn(const std::string& folder) {
  const int listing = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (listing < 0) return std::nullopt;
  std::vector<std::string> names;
  alignas(dirent64) char block[4096];
  for (long got; (got = syscall(SYS_getdents64, listing, block, sizeof block)) > 0;) {
    for (long at = 0; at < got; at += reinterpret_cast<const dirent64*>(block + at)->d_reclen) {
      const char* name = reinterpret_cast<const dirent64*>(block + at)->d_name;
      if (std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0) names.emplace_back(name);
    }
  }
  close(listing);
  return names;
}
#else
std::optional<std::vector<std::string>> NamesIn(const std::string& folder) {
  DIR* listing = opendir(folder.c_str());
  if (listing == nullptr) return std::nullopt;
  std::vector<std::string> names;
  while (const dirent* entry = readdir(listing)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  closedir(listing);
  return names;
}
#endif
// As the file system library joins paths, so that the fault tests can match its listings against these.
static std::string PathIn(const std::string& folder, const std::string& name) {
  return folder + static_cast<char>(std::filesystem::path::preferred_separator) + name;
}
static void AddFilesUnder(const std::string& path, std::map<std::string, Bytes>& files) {
  const std::optional<std::vector<std::string>> names = NamesIn(path);
  files.emplace(path, names ? Bytes() : ReadWholeFile(path));  // a folder is never read
  for (const std::string& name : names.value_or(std::vector<std::string>())) AddFilesUnder(PathIn(path, name), files);
}
std::map<std::string, Bytes> FilesUnder(const std::string& path) {
  std::map<std::string, Bytes> files;
  AddFilesUnder(path, files);
  return files;
}
static void Put(Bytes& b, std::size_t at, std::initializer_list<int> vs) { std::copy(vs.begin(), vs.end(), &b[at]); }
Bytes WithBytesAt(Bytes b, std::size_t at, std::initializer_list<int> vs) {
  Put(b, at, vs);
  return b;
}
Bytes Tail(const Bytes& b, std::size_t from) { return Bytes(b.data() + std::min(from, b.size()), b.data() + b.size()); }
Bytes Head(const Bytes& b, std::size_t size) { return Bytes(b.data(), b.data() + std::min(size, b.size())); }

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

// Header bytes followed by payload, the header padded with fill to size.
static Bytes Framed(Bytes header, std::size_t size, unsigned char fill, const Bytes& payload) {
  header.resize(size, fill);
  header.insert(header.end(), payload.begin(), payload.end());
  return header;
}

// A pattern of size bytes (at least 64 while the fields go in) under a magic.
static Bytes Patterned(std::size_t size, const std::string& magic) {
  Bytes b = PatternBytes(std::max<std::size_t>(size, 64));
  std::copy(magic.begin(), magic.end(), b.begin());
  return b;
}

// "RIFF", "WAVEfmt " and the fmt fields up to the bits a sample.
static void RiffFmt(Bytes& b, std::uint32_t fmtSize, std::uint16_t tag, std::uint16_t channels, std::uint32_t rate,
                    std::uint32_t byteRate, std::uint32_t blockAlign, std::uint16_t bits) {
  WriteTag(&b[0], "RIFF");
  WriteU32Le(&b[4], static_cast<std::uint32_t>(b.size() - 8));
  WriteTag(&b[8], "WAVEfmt ");
  WriteU32Le(&b[16], fmtSize);
  WriteU16Le(&b[20], tag);
  WriteU16Le(&b[22], channels);
  WriteU32Le(&b[24], rate);
  WriteU32Le(&b[28], byteRate);
  WriteU16Le(&b[32], blockAlign);
  WriteU16Le(&b[34], bits);
}

Bytes PcmWave(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits, std::size_t dataBytes) {
  Bytes b = PatternBytes(44 + dataBytes, rate + channels);
  RiffFmt(b, 16, 1, channels, rate, rate * channels * bits / 8, channels * bits / 8u, bits);
  WriteTag(&b[36], "data");
  WriteU32Le(&b[40], static_cast<std::uint32_t>(dataBytes));
  return b;
}

Bytes ImaWave(std::uint16_t channels, std::uint32_t rate, std::size_t blocks, std::size_t lastBlockBytes) {
  const std::size_t dataPerBlock = 1024u * channels;
  Bytes b(60);
  for (std::size_t k = 0; k < blocks; ++k) {
    for (std::uint16_t c = 0; c < channels; ++c) {
      const auto first = static_cast<std::uint16_t>(100 * (k + 1) + c);
      b.insert(b.end(), {static_cast<unsigned char>(first), static_cast<unsigned char>(first >> 8),
                         static_cast<unsigned char>(k % 89), 0});
    }
    const Bytes data = PatternBytes(k + 1 == blocks && lastBlockBytes > 0 ? lastBlockBytes : dataPerBlock,
                                    static_cast<std::uint32_t>(k + 1));
    b.insert(b.end(), data.begin(), data.end());
  }
  RiffFmt(b, 20, 0x11, channels, rate, 0, static_cast<std::uint32_t>(dataPerBlock + 4u * channels), 4);
  Put(b, 36, {2, 0, 0x01, 0x08});  // an extension of 2 bytes: 2049 samples a block
  WriteTag(&b[40], "fact");
  WriteU32Le(&b[44], 4);
  WriteTag(&b[52], "data");
  WriteU32Le(&b[56], static_cast<std::uint32_t>(b.size() - 60));
  return b;
}

WaveInfo ParseWave(const Bytes& b) {
  WaveInfo w;
  if (b.size() < 44 || !ReadTag(&b[0], "RIFF") || !ReadTag(&b[8], "WAVEfmt ")) return w;
  w.riffSize = ReadU32Le(&b[4]);
  const std::uint32_t fmtSize = ReadU32Le(&b[16]);
  w.formatTag = ReadU16Le(&b[20]);
  w.channels = ReadU16Le(&b[22]);
  w.sampleRate = ReadU32Le(&b[24]);
  w.byteRate = ReadU32Le(&b[28]);
  w.blockAlign = ReadU16Le(&b[32]);
  w.bitsPerSample = ReadU16Le(&b[34]);
  std::size_t dataTag = 0;
  if (fmtSize == 16 && ReadTag(&b[36], "data")) {
    dataTag = 36;
  } else if (fmtSize == 18 && b.size() >= 58 && ReadTag(&b[38], "fact") && ReadTag(&b[50], "data")) {
    w.factSamples = ReadU32Le(&b[46]);
    dataTag = 50;
  } else if (fmtSize == 16 && b.size() >= 82 && ReadTag(&b[36], "fact") && ReadTag(&b[48], "PEAK")) {
    w.factSamples = ReadU32Le(&b[44]);
    dataTag = 56 + ReadU32Le(&b[52]);  // PEAK's body follows its size field
    if (dataTag + 8 > b.size() || !ReadTag(&b[dataTag], "data")) return WaveInfo{};
  } else {
    return w;
  }
  w.dataSize = ReadU32Le(&b[dataTag + 4]);
  w.dataOffset = dataTag + 8;
  w.ok = true;
  return w;
}

std::uint32_t AiffRate(std::uint32_t rate) {
  int exponent = 31;
  while ((rate >> exponent) == 0) --exponent;
  return (0x3FFFu + exponent) << 16 | static_cast<std::uint32_t>((std::uint64_t{rate} << (63 - exponent)) >> 48);
}

Bytes AiffFile(std::uint16_t channels, std::uint16_t sampleSize, std::uint32_t rate, const Bytes& samples,
               const char* blockSizeTag) {
  Bytes b = Framed(BytesOf("FORM    AIFFCOMM"), 54, 0, samples);
  WriteU32Be(&b[4], static_cast<std::uint32_t>(b.size() - 8));
  WriteU32Be(&b[16], 18);
  WriteU16Be(&b[20], channels);
  WriteU32Be(&b[22], 1000);
  WriteU16Be(&b[26], sampleSize);
  WriteU32Be(&b[28], rate);
  WriteTag(&b[38], "SSND");
  WriteU32Be(&b[42], static_cast<std::uint32_t>(samples.size() + 8));
  if (blockSizeTag) WriteTag(&b[50], blockSizeTag);
  return b;
}

Bytes AifcFile(std::uint16_t channels, std::uint32_t rate, const char* compression, const Bytes& samples) {
  Bytes b = Framed(BytesOf("FORM    AIFCFVER"), 72, 0, samples);
  WriteU32Be(&b[4], static_cast<std::uint32_t>(b.size() - 8));
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
  return b;
}

Bytes AuFile(std::uint32_t encoding, std::uint32_t rate, std::uint32_t channels, const Bytes& payload,
             const char* magic) {
  Bytes b = Framed(Bytes(magic, magic + 4), 24, 0, payload);
  WriteU32Be(&b[4], 0xFFFFFFF0);
  WriteU32Be(&b[8], 3);
  WriteU32Be(&b[12], encoding);
  WriteU32Be(&b[16], rate);
  WriteU32Be(&b[20], channels);
  return b;
}

Bytes CafFile(std::size_t size, double rate, const char* format, int channels, int bits, const char* nextChunk) {
  Bytes b = Patterned(size, std::string("caff\0\1\0\0desc", 12));
  std::uint64_t rateBits = 0;
  std::memcpy(&rateBits, &rate, sizeof rateBits);
  WriteU32Be(&b[20], static_cast<std::uint32_t>(rateBits >> 32));
  WriteU32Be(&b[24], static_cast<std::uint32_t>(rateBits));
  WriteTag(&b[28], format);
  Put(b, 44, {0, 0, channels >> 8, channels & 0xFF, 0, 0, bits >> 8, bits & 0xFF});
  WriteTag(&b[52], nextChunk);
  return Head(b, size);
}

Bytes PafFile(std::size_t size, std::uint32_t rate, int format, int channels) {
  Bytes b = Patterned(size, std::string(" paf\0\0\0\0\0\0\0\0", 12));
  WriteU32Be(&b[12], rate);
  Put(b, 16, {0, 0, format >> 8, format & 0xFF, 0, 0, channels >> 8, channels & 0xFF});
  return Head(b, size);
}

Bytes PvfFile(const std::string& line, const Bytes& payload) {
  return Framed(BytesOf("PVF1\n" + line + "\n"), 1024, 0, payload);
}
Bytes SphereFile(const std::string& lines, const Bytes& payload) { return Framed(BytesOf(lines), 1024, ' ', payload); }

Bytes HtkFile(std::uint16_t period, std::uint16_t sampleBytes, const Bytes& payload) {
  // After the sample count: the period (its high half never read), the sample size, the parameter kind (never read).
  return WithBytesAt(Framed({}, 12, 0, payload), 4,
                     {0xAB, 0, period >> 8, period & 0xFF, sampleBytes >> 8, sampleBytes & 0xFF, 0, 9});
}

Bytes IffFile(const char* formType, const char* firstChunk, std::uint32_t rateField, const Bytes& payload) {
  const std::string head = std::string("FORM\0\0\0\0", 8) + formType + firstChunk + std::string("\0\0\0\x14", 4);
  Bytes b = Framed(BytesOf(head), 100, 0, payload);  // the first chunk's size is VHDR's, 20
  WriteU32Be(&b[30], rateField);
  return b;
}

Bytes MpcFile(std::uint8_t stereoFlag, std::uint16_t v, const Bytes& payload) {
  Bytes b = Framed({}, 42, 0, payload);
  b[21] = stereoFlag;
  WriteU16Le(&b[40], v);
  return b;
}

Bytes WveFile(const std::string& mark, std::uint16_t rateCode, const Bytes& payload) {
  Bytes b = Framed(BytesOf(mark), 32, 0, payload);
  WriteU16Le(&b[20], rateCode);
  return b;
}

Bytes NewFormatVoc(std::size_t size, std::uint32_t rate, int bits, int channels, int codec) {
  Bytes b = Patterned(size, "Creative Voice File\x1A");
  b[26] = 9;
  WriteU32Le(&b[30], rate);
  Put(b, 34, {bits, channels, codec & 0xFF, codec >> 8});
  return Head(b, size);
}

Bytes TimeConstantVoc(std::size_t size, std::uint16_t timeConstant, int byte34) {
  Bytes b = Patterned(size, "Creative Voice File\x1A");
  b[26] = timeConstant < 0x8000 ? 1 : 8;
  WriteU16Le(&b[30], timeConstant);
  b[34] = static_cast<unsigned char>(byte34);
  return Head(b, size);
}

Bytes KvfFile(const std::vector<Bytes>& entries, const std::vector<std::uint32_t>& keys) {
  Bytes b(8016, 0);
  Put(b, 0, {0x50, 0x01, 0, 0, 1, 0, 0, 0, 0x18});
  WriteU32Le(&b[12], static_cast<std::uint32_t>(entries.size()));
  for (std::size_t k = 0; k < entries.size(); ++k) {
    unsigned char* record = &b[16 * (k + 1)];
    const auto start = static_cast<std::uint32_t>(b.size());
    const auto size = static_cast<std::uint32_t>(entries[k].size());
    WriteU32Le(record, k < keys.size() ? keys[k] : 0);
    WriteU32Le(record + 4, size);
    WriteU32Le(record + 8, start);
    WriteU32Le(record + 12, start + size);
    b.insert(b.end(), entries[k].begin(), entries[k].end());
  }
  return b;
}

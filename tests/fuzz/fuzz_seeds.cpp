// Writes starting inputs for every fuzzer: valid files of each format in
// the shapes the converter tests build them, containers, IMA ADPCM waves.
//   fuzz_seeds OUTPUT_FOLDER     writes OUTPUT_FOLDER/<target>/seed-<n>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "library/byte_order.h"
#include "library/container.h"
#include "tests/sample_files.h"

namespace {

Bytes Join(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}


Bytes Aiff(std::uint16_t channels, std::uint16_t bits, std::uint32_t rate, std::size_t samples) {
  return AiffFile(channels, bits, rate, PatternBytes(samples, bits));
}

Bytes Aifc(std::uint16_t channels, std::uint32_t rate, const char* compression, std::size_t samples) {
  return AifcFile(channels, rate, compression, PatternBytes(samples, 3));
}

Bytes Au(std::uint32_t encoding, std::uint32_t rate, std::uint32_t channels, std::size_t payload) {
  Bytes b = Join(Bytes(24, 0), PatternBytes(payload, encoding));
  WriteTag(&b[0], ".snd");
  WriteU32Be(&b[4], 24);
  WriteU32Be(&b[8], static_cast<std::uint32_t>(payload));
  WriteU32Be(&b[12], encoding);
  WriteU32Be(&b[16], rate);
  WriteU32Be(&b[20], channels);
  return b;
}

Bytes Caf(std::size_t size, int rateHi, int rateLo, const char* format, int channels, int bits) {
  Bytes b = PatternBytes(std::max<std::size_t>(size, 64), 5);
  Put(b, 0, {'c', 'a', 'f', 'f', 0, 1, 0, 0, 'd', 'e', 's', 'c'});
  Put(b, 20, {rateHi, rateLo, 0, 0, 0, 0, 0, 0});
  Put(b, 28, {format[0], format[1], format[2], format[3]});
  Put(b, 44, {0, 0, channels >> 8, channels & 0xFF, 0, 0, bits >> 8, bits & 0xFF});
  Put(b, 52, {'d', 'a', 't', 'a'});
  b.resize(size);
  return b;
}

Bytes Paf(std::size_t size, std::initializer_list<int> rate, int format, int channels) {
  Bytes b = PatternBytes(std::max<std::size_t>(size, 64), 7);
  Put(b, 0, {' ', 'p', 'a', 'f', 0, 0, 0, 0, 0, 0, 0, 0});
  Put(b, 12, rate);
  Put(b, 16, {0, 0, format >> 8, format & 0xFF, 0, 0, channels >> 8, channels & 0xFF});
  b.resize(size);
  return b;
}

Bytes Htk(std::uint16_t period, std::uint16_t sampleBytes, std::size_t payload) {
  Bytes b = Join(Bytes(12, 0), PatternBytes(payload, 11));
  WriteU16Be(&b[6], period);
  WriteU16Be(&b[8], sampleBytes);
  WriteU16Be(&b[10], 9);
  return b;
}

Bytes Iff(std::uint32_t rateField, std::size_t payload) {
  Bytes b = Join(Bytes(100, 0), PatternBytes(payload, 13));
  WriteTag(&b[0], "FORM");
  WriteTag(&b[8], "8SVX");
  WriteTag(&b[12], "VHDR");
  b[19] = 20;
  WriteU32Be(&b[30], rateField);
  return b;
}

Bytes Mpc(std::uint8_t stereo, std::uint16_t v, std::size_t payload) {
  Bytes b = Join(Bytes(42, 0), PatternBytes(payload, 17));
  b[21] = stereo;
  WriteU16Le(&b[40], v);
  return b;
}

Bytes Pvf(const std::string& line, std::size_t payload) {
  Bytes b = BytesOf("PVF1\n" + line + "\n");
  b.resize(1024, 0);
  return Join(b, PatternBytes(payload, 19));
}

Bytes Sphere(const std::string& lines, std::size_t payload) {
  Bytes b = BytesOf(lines);
  b.resize(1024, ' ');
  return Join(b, PatternBytes(payload, 23));
}

Bytes NewVoc(std::size_t size, std::uint32_t rate, int bits, int channels, int codec) {
  return NewFormatVoc(size, rate, bits, channels, codec, 29);
}

Bytes ConstantVoc(std::size_t size, std::uint16_t timeConstant, int byte34 = 0x80) {
  return TimeConstantVoc(size, timeConstant, byte34, 31);
}

Bytes Wve(std::uint16_t rateCode, std::size_t payload) {
  Bytes b = BytesOf("ALawSoundFile**");
  b.resize(32, 0);
  WriteU16Le(&b[20], rateCode);
  return Join(b, PatternBytes(payload, 37));
}



// A container holding entries, with its name list.
void Container(const std::vector<Bytes>& entries, Bytes& kvf, Bytes& dat) {
  kvf.assign(8016, 0);
  WriteU32Le(&kvf[0], 336);
  WriteU32Le(&kvf[4], 1);
  WriteU32Le(&kvf[8], 24);
  WriteU32Le(&kvf[12], static_cast<std::uint32_t>(entries.size()));
  dat.clear();
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const std::string name = "entry" + std::to_string(i + 1) + ".wav";
    const std::uint32_t crc = ~ComputeNameCrc(name);
    const auto start = static_cast<std::uint32_t>(kvf.size());
    unsigned char* record = &kvf[16 * (i + 1)];
    WriteU32Le(record, NameKeyOf(crc));
    WriteU32Le(record + 4, static_cast<std::uint32_t>(entries[i].size()));
    WriteU32Le(record + 8, start);
    WriteU32Le(record + 12, start + static_cast<std::uint32_t>(entries[i].size()));
    kvf = Join(kvf, entries[i]);
    dat = Join(dat, BytesOf(NameListPair(crc, name)));
  }
}

Bytes ContainerInput(const std::vector<Bytes>& entries) {
  Bytes kvf, dat;
  Container(entries, kvf, dat);
  Bytes input(2);
  WriteU16Le(&input[0], static_cast<std::uint32_t>(dat.size()));
  return Join(Join(input, dat), kvf);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_seeds OUTPUT_FOLDER\n");
    return 2;
  }
  std::map<std::string, std::vector<Bytes>> formats;
  formats["aiff"] = {Aiff(2, 16, 0x400EAC44, 120), Aiff(1, 8, 0x400BFA00, 100), Aiff(1, 24, 0x400EBB80, 96),
                     Aifc(2, 0x400DAC44, "ulaw", 100), Aifc(1, 0x400BFA00, "NONE", 100), Aifc(1, 0x400BFA00, "sowt", 64)};
  formats["au"] = {Au(3, 22050, 1, 101), Au(1, 8000, 2, 100), Au(27, 11025, 2, 100), Au(6, 44100, 1, 96),
                   Au(2, 8000, 1, 100), Au(5, 48000, 2, 100)};
  formats["caf"] = {Caf(4200, 0x40, 0xE5, "lpcm", 2, 0x10), Caf(4200, 0x40, 0xBF, "ulaw", 1, 8),
                    Caf(4200, 0x40, 0xBF, "alaw", 2, 8), Caf(4200, 0x40, 0xF7, "lpcm", 1, 0x20),
                    Caf(4200, 0x40, 0xE5, "lpcm", 1, 0x18)};
  formats["paf"] = {Paf(3001, {0, 0, 0xAC, 0x44}, 0, 2), Paf(3001, {0, 0, 0x56, 0x22}, 2, 1),
                    Paf(2048 + 64, {0, 1, 0x77, 0}, 1, 1), Paf(2048 + 70, {0, 0, 0x30, 0x39}, 1, 2)};
  formats["htk"] = {Htk(625, 2, 100), Htk(1250, 2, 99), Htk(227, 2, 64)};
  formats["iff"] = {Iff(8000, 100), Iff(22050, 51)};
  formats["mpc"] = {Mpc(1, 22050, 100), Mpc(0, 44100, 99)};
  formats["pvf"] = {Pvf("2 44100 16", 200), Pvf("1 8000 8", 101), Pvf("1 8000 24", 100), Pvf("1 11025 32", 64)};
  formats["sph"] = {
      Sphere("NIST_1A\n   1024\nchannel_count -i 1\nsample_rate -i 16000\nsample_n_bytes -i 2\n"
             "sample_coding -s4 ulaw\nend_head\n", 100),
      Sphere("NIST_1A\n   1024\nchannel_count -i 2\nsample_rate -i 8000\nsample_n_bytes -i 1\n"
             "sample_coding -s4 alaw\nend_head\n", 100),
      Sphere("NIST_1A\n   1024\nchannel_count -i 2\nsample_rate -i 22050\nsample_n_bytes -i 2\nend_head\n", 100),
      Sphere("NIST_1A\n   1024\nchannel_count -i 1\nsample_rate -i 8000\nsample_n_bytes -i 1\n"
             "sample_byte_format -s2 01\nsample_coding -s4 ulaw\nend_head\n", 64)};
  formats["voc"] = {NewVoc(200, 22050, 16, 2, 4), NewVoc(200, 8000, 8, 1, 0), NewVoc(200, 8000, 8, 1, 6),
                    NewVoc(200, 8000, 8, 2, 7), ConstantVoc(200, 131), ConstantVoc(200, 62634), ConstantVoc(200, 131, 16),
                    ConstantVoc(200, 77)};
  formats["wve"] = {Wve(3762, 100), Wve(8000, 64)};

  std::map<std::string, std::vector<Bytes>> seeds;
  for (const auto& [format, files] : formats) {
    seeds["import_" + format] = files;
    if (format != "iff" && format != "mpc" && format != "wve") seeds["stored_" + format] = files;
  }
  std::vector<Bytes> waves = {PcmWave(1, 8000, 16, 100), PcmWave(2, 44100, 16, 64), PcmWave(1, 22050, 8, 51),
                              ImaWave(1, 22050, 2, 100), ImaWave(2, 8000, 1, 0), ImaWave(2, 11025, 2, 13)};
  Bytes floatWave = PcmWave(1, 48000, 32, 64);
  WriteU16Le(&floatWave[20], 3);
  waves.push_back(floatWave);
  seeds["stored_wave"] = waves;
  seeds["external_wav"] = waves;
  seeds["external_wav"].push_back(formats["sph"][0]);
  // external_any: the first byte picks the extension (its index in the list the entry keeps).
  const std::vector<std::pair<int, std::string>> anyRows = {{0, "htk"}, {2, "voc"}, {4, "au"}, {8, "aiff"},
                                                             {12, "caf"}, {14, "paf"}, {16, "pvf"}, {18, "sph"},
                                                             {20, "wve"}, {22, "iff"}, {26, "mpc"}};
  for (const auto& [index, format] : anyRows) {
    seeds["external_any"].push_back(Join(Bytes{static_cast<unsigned char>(index)}, formats[format][0]));
  }
  seeds["external_any"].push_back(Join(Bytes{28}, waves[0]));
  seeds["container"] = {ContainerInput({}), ContainerInput({waves[0]}),
                        ContainerInput({formats["au"][1], waves[3], formats["aiff"][0], formats["voc"][4]}),
                        ContainerInput({formats["caf"][0], formats["paf"][0], formats["pvf"][0], formats["sph"][0],
                                        formats["htk"][0], waves[1]})};
  Bytes kvf, dat;
  Container({}, kvf, dat);
  seeds["add_to_container"].push_back(kvf);
  Container({waves[0], formats["au"][0]}, kvf, dat);
  seeds["add_to_container"].push_back(kvf);

  const std::filesystem::path root = argv[1];
  for (const auto& [target, files] : seeds) {
    std::filesystem::create_directories(root / target);
    for (std::size_t i = 0; i < files.size(); ++i) {
      std::ofstream out(root / target / ("seed-" + std::to_string(i + 1)), std::ios::binary | std::ios::trunc);
      out.write(reinterpret_cast<const char*>(files[i].data()), static_cast<std::streamsize>(files[i].size()));
    }
  }
  std::printf("seeds for %zu targets in %s\n", seeds.size(), root.string().c_str());
  return 0;
}

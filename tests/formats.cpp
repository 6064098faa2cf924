#include "tests/formats.h"

#include <algorithm>

#include "convert/format_registry.h"

namespace {

struct NamedSample {
  const char* format;
  FormatSample sample;
};

const std::vector<NamedSample>& Samples() {
  static const Bytes payload = PatternBytes(800, 3);
  static const Bytes shortPayload = PatternBytes(100, 5);
  static const std::string sph =
      "NIST_1A\n   1024\nchannel_count -i 2\nsample_rate -i 8000\nsample_n_bytes -i 1\nsample_coding -s4 ";
  static const std::vector<NamedSample> samples = {
      {"mpc", {"mono", MpcFile(0, 0x5622, payload)}},
      {"iff", {"8svx", IffFile("8SVX", "VHDR", 8000, payload)}},
      {"wve", {"a-law", WveFile("ALawSoundFile**", 0, payload)}},
      {"sph",
       {"16-bit", SphereFile("NIST_1A\n   1024\nchannel_count -i 1\nsample_rate -i 16000\nend_head\n", payload)}},
      {"sph", {"mu-law", SphereFile(sph + "ulaw\nend_head\n", shortPayload)}},
      {"sph", {"a-law", SphereFile(sph + "alaw\nend_head\n", shortPayload)}},
      {"pvf", {"16-bit", PvfFile("1 8000 16", payload)}},
      {"pvf", {"8-bit", PvfFile("1 8000 8", shortPayload)}},
      {"pvf", {"24-bit", PvfFile("2 8000 24", shortPayload)}},
      {"pvf", {"32-bit", PvfFile("1 11025 32", shortPayload)}},
      {"paf", {"16-bit", PafFile(2048 + 800, 0xAC44, 0, 1)}},
      {"paf", {"format 2", PafFile(3001, 0x5622, 2, 1)}},
      {"paf", {"format 1, stereo", PafFile(2118, 0x3039, 1, 2)}},
      {"caf", {"16-bit", CafFile(4096 + 800, 0x40E5, "lpcm", 1, 16, "data")}},
      {"caf", {"mu-law", CafFile(4200, 0x40BF, "ulaw", 1, 8, "data")}},
      {"caf", {"32-bit", CafFile(4200, 0x40F7, "lpcm", 2, 32, "data")}},
      {"voc", {"classic", TimeConstantVoc(40 + 800, 131)}},
      {"voc", {"new 16-bit", NewFormatVoc(200, 22050, 16, 2, 4)}},
      {"voc", {"new 8-bit", NewFormatVoc(200, 8000, 8, 1, 0)}},
      {"voc", {"new a-law", NewFormatVoc(200, 8000, 8, 1, 6)}},
      {"voc", {"new mu-law", NewFormatVoc(200, 8000, 8, 2, 7)}},
      {"voc", {"time constant 62634", TimeConstantVoc(200, 62634)}},
      {"voc", {"time constant 77", TimeConstantVoc(200, 77)}},
      {"htk", {"16-bit", HtkFile(625, 2, payload)}},
      {"au", {"mu-law", AuFile(1, 8000, 1, payload)}},
      {"au", {"8-bit", AuFile(2, 8000, 1, shortPayload)}},
      {"au", {"16-bit", AuFile(3, 22050, 2, shortPayload)}},
      {"au", {"32-bit", AuFile(5, 48000, 1, shortPayload)}},
      {"au", {"float", AuFile(6, 44100, 2, shortPayload)}},
      {"au", {"a-law", AuFile(27, 11025, 2, shortPayload)}},
      {"aiff", {"16-bit", AiffFile(1, 16, 0x400EAC44, payload)}},
      {"aiff", {"8-bit", AiffFile(1, 8, 0x400BFA00, shortPayload)}},
      {"aiff", {"aifc mu-law", AifcFile(2, 0x400DAC44, "ulaw", shortPayload)}},
      {"aiff", {"aifc sowt", AifcFile(1, 0x400BFA00, "sowt", shortPayload)}},
  };
  return samples;
}

}  // namespace

const std::vector<FormatRow>& Formats() {
  static const std::vector<FormatRow> rows = [] {
    std::vector<FormatRow> all;
    for (const ForeignFormat& f : ForeignFormats()) {
      const std::string name = f.name;
      FormatRow row{f.name, f.import, f.stored.convert, f.sourcePath, f.outputPath, name == "voc" || name == "aiff",
                    {}};
      for (const NamedSample& s : Samples())
        if (name == s.format) row.samples.push_back(s.sample);
      all.push_back(row);
    }
    return all;
  }();
  return rows;
}

const FormatRow* FormatNamed(const std::string& name) {
  const auto row = std::find_if(Formats().begin(), Formats().end(), [&](const FormatRow& r) { return name == r.name; });
  return row == Formats().end() ? nullptr : &*row;
}

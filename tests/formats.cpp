#include "tests/formats.h"

#include <algorithm>

#include "convert/formats.h"

const std::vector<FormatRow>& Formats() {
  using S = AppState;
  static const Bytes payload = PatternBytes(800, 3), p = PatternBytes(100, 5);
  static const std::string sph =
      "NIST_1A\n   1024\nchannel_count -i 2\nsample_rate -i 8000\nsample_n_bytes -i 1\nsample_coding -s4 ";
  static const std::vector<FormatRow> rows = {
      {"mpc", ImportMpcFile, nullptr, &S::mpcSourcePath, &S::mpcWavPath, false,
       {{"mono", MpcFile(0, 0x5622, payload)}}},
      {"iff", ImportIffFile, nullptr, &S::iffSourcePath, &S::iffWavPath, false,
       {{"8svx", IffFile("8SVX", "VHDR", 8000, payload)}}},
      {"wve", ImportWveFile, nullptr, &S::wveSourcePath, &S::wveWavPath, false,
       {{"a-law", WveFile("ALawSoundFile**", 0, payload)}}},
      {"sph", ImportSphFile, ConvertStoredSph, &S::sphSourcePath, &S::sphWavPath, false,
       {{"16-bit", SphereFile("NIST_1A\n   1024\nchannel_count -i 1\nsample_rate -i 16000\nend_head\n", payload)},
        {"mu-law", SphereFile(sph + "ulaw\nend_head\n", p)}, {"a-law", SphereFile(sph + "alaw\nend_head\n", p)}}},
      {"pvf", ImportPvfFile, ConvertStoredPvf, &S::pvfSourcePath, &S::pvfWavPath, false,
       {{"16-bit", PvfFile("1 8000 16", payload)}, {"8-bit", PvfFile("1 8000 8", p)},
        {"24-bit", PvfFile("2 8000 24", p)}, {"32-bit", PvfFile("1 11025 32", p)}}},
      {"paf", ImportPafFile, ConvertStoredPaf, &S::pafSourcePath, &S::pafWavPath, false,
       {{"16-bit", PafFile(2048 + 800, {{0, 0, 0xAC, 0x44}, 0, 1})},
        {"format 2", PafFile(3001, {{0, 0, 0x56, 0x22}, 2, 1})},
        {"format 1, stereo", PafFile(2118, {{0, 0, 0x30, 0x39}, 1, 2})}}},
      {"caf", ImportCafFile, ConvertStoredCaf, &S::cafSourcePath, &S::cafWavPath, false,
       {{"16-bit", CafFile(4096 + 800, {0x40, 0xE5, "lpcm", 1, 16, "data"})},
        {"mu-law", CafFile(4200, {0x40, 0xBF, "ulaw", 1, 8, "data"})},
        {"32-bit", CafFile(4200, {0x40, 0xF7, "lpcm", 2, 32, "data"})}}},
      {"voc", ImportVocFile, ConvertStoredVoc, &S::vocSourcePath, &S::vocWavPath, true,
       {{"classic", TimeConstantVoc(40 + 800, 131)}, {"new 16-bit", NewFormatVoc(200, 22050, 16, 2, 4)},
        {"new 8-bit", NewFormatVoc(200, 8000, 8, 1, 0)}, {"new a-law", NewFormatVoc(200, 8000, 8, 1, 6)},
        {"new mu-law", NewFormatVoc(200, 8000, 8, 2, 7)}, {"time constant 62634", TimeConstantVoc(200, 62634)},
        {"time constant 77", TimeConstantVoc(200, 77)}}},
      {"htk", ImportHtkFile, ConvertStoredHtk, &S::htkSourcePath, &S::htkWavPath, false,
       {{"16-bit", HtkFile(625, 2, payload)}}},
      {"au", ImportAuFile, ConvertStoredAu, &S::auSourcePath, &S::auWavPath, false,
       {{"mu-law", AuFile(1, 8000, 1, payload)}, {"8-bit", AuFile(2, 8000, 1, p)}, {"16-bit", AuFile(3, 22050, 2, p)},
        {"32-bit", AuFile(5, 48000, 1, p)}, {"float", AuFile(6, 44100, 2, p)}, {"a-law", AuFile(27, 11025, 2, p)}}},
      {"aiff", ImportAiffFile, ConvertStoredAiff, &S::aiffSourcePath, &S::aiffWavPath, true,
       {{"16-bit", AiffFile(1, 16, 0x400EAC44, payload)}, {"8-bit", AiffFile(1, 8, 0x400BFA00, p)},
        {"aifc mu-law", AifcFile(2, 0x400DAC44, "ulaw", p)}, {"aifc sowt", AifcFile(1, 0x400BFA00, "sowt", p)}}},
  };
  return rows;
}

const FormatRow* FormatNamed(const std::string& name) {
  const auto row = std::find_if(Formats().begin(), Formats().end(), [&](const FormatRow& r) { return name == r.name; });
  return row == Formats().end() ? nullptr : &*row;
}

#include "tests/formats.h"

#include "convert/formats.h"

namespace {

std::vector<FormatRow> MakeFormats() {
  using S = AppState;
  const Bytes payload = PatternBytes(800, 3);
  return {
      {"mpc", ImportMpcFile, nullptr, &S::mpcSourcePath, &S::mpcWavPath, false,
       {{"mono", MpcFile(0, 0x5622, payload)}}},
      {"iff", ImportIffFile, nullptr, &S::iffSourcePath, &S::iffWavPath, false,
       {{"8svx", IffFile("8SVX", "VHDR", 8000, payload)}}},
      {"wve", ImportWveFile, nullptr, &S::wveSourcePath, &S::wveWavPath, false,
       {{"a-law", WveFile("ALawSoundFile**", 0, payload)}}},
      {"sph", ImportSphFile, ConvertStoredSph, &S::sphSourcePath, &S::sphWavPath, false,
       {{"16-bit", SphereFile("NIST_1A\n   1024\nchannel_count -i 1\nsample_rate -i 16000\nend_head\n", payload)}}},
      {"pvf", ImportPvfFile, ConvertStoredPvf, &S::pvfSourcePath, &S::pvfWavPath, false,
       {{"16-bit", PvfFile("1 8000 16", payload)}}},
      {"paf", ImportPafFile, ConvertStoredPaf, &S::pafSourcePath, &S::pafWavPath, false,
       {{"16-bit", PafFile(2048 + 800, {{0, 0, 0xAC, 0x44}, 0, 1})}}},
      {"caf", ImportCafFile, ConvertStoredCaf, &S::cafSourcePath, &S::cafWavPath, false,
       {{"16-bit", CafFile(4096 + 800, {0x40, 0xE5, "lpcm", 1, 16, "data"})}}},
      {"voc", ImportVocFile, ConvertStoredVoc, &S::vocSourcePath, &S::vocWavPath, true,
       {{"classic", TimeConstantVoc(40 + 800, 131)}}},
      {"htk", ImportHtkFile, ConvertStoredHtk, &S::htkSourcePath, &S::htkWavPath, false,
       {{"16-bit", HtkFile(625, 2, payload)}}},
      {"au", ImportAuFile, ConvertStoredAu, &S::auSourcePath, &S::auWavPath, false,
       {{"mu-law", AuFile(1, 8000, 1, payload)}}},
      {"aiff", ImportAiffFile, ConvertStoredAiff, &S::aiffSourcePath, &S::aiffWavPath, true,
       {{"16-bit", AiffFile(1, 16, 0x400EAC44, payload)}}},
  };
}

}  // namespace

const std::vector<FormatRow>& Formats() {
  static const std::vector<FormatRow> rows = MakeFormats();
  return rows;
}

const FormatRow* FormatNamed(const std::string& name) {
  for (const FormatRow& row : Formats()) {
    if (name == row.name) return &row;
  }
  return nullptr;
}

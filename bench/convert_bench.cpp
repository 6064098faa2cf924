// Converts a 100 MB input of several formats with the real importers and
// compares each time with a plain block copy of the same file, in the same
// run. Prints one ratio per format; the goal is at most 1.25.
// Usage: bench_convert [scratch folder] [megabytes]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "convert/formats.h"
#include "io/byte_order.h"
#include "platform/headless.h"
#include "state/app_state.h"

namespace {

constexpr int RUNS = 7;

std::vector<unsigned char> Header(std::size_t size, std::initializer_list<std::pair<std::size_t, const char*>> tags,
                                  std::initializer_list<std::pair<std::size_t, int>> bytes) {
  std::vector<unsigned char> header(size, 0);
  for (const auto& tag : tags) WriteTag(&header[tag.first], tag.second);
  for (const auto& byte : bytes) header[byte.first] = static_cast<unsigned char>(byte.second);
  return header;
}

}  // namespace

int main(int argc, char** argv) {
  std::filesystem::path folder = argc > 1 ? argv[1] : std::filesystem::temp_directory_path() / "korvel-bench";
  std::int64_t megabytes = argc > 2 ? std::atoll(argv[2]) : 100;
  const std::int64_t size = megabytes * 1000 * 1000 + 1;
  std::filesystem::create_directories(folder / "Export" / "Conversions");
  std::filesystem::create_directories(folder / "Documents");
  HeadlessReset((folder / "Korvel_Player.exe").string(), (folder / "Documents").string());
  InitializeAppState();
  SetUpProgramPaths();

  struct Case {
    const char* name;
    std::vector<unsigned char> header;
    std::string* source;
    std::string* output;
    void (*import)();
  } cases[] = {
      // FORM, stereo (20), 16-bit (26), 44100 Hz rate bytes (28)
      {"AIFF 16-bit stereo",
       Header(58, {{0, "FORM"}, {8, "AIFF"}}, {{21, 2}, {27, 16}, {28, 0x40}, {29, 0x0E}, {30, 0xAC}, {31, 0x44}}),
       &appState.aiffSourcePath, &appState.aiffWavPath, ImportAiffFile},
      // .snd, encoding 1 (15), 8000 Hz (16..19), one channel (23)
      {"AU mu-law mono", Header(24, {{0, ".snd"}}, {{15, 1}, {18, 0x1F}, {19, 0x40}, {23, 1}}), &appState.auSourcePath,
       &appState.auWavPath, ImportAuFile},
      // caff, 44100 Hz (20-21), stereo (46-47), 24-bit (50-51)
      {"CAF 24-bit stereo", Header(4096, {{0, "caff"}, {28, "lpcm"}}, {{20, 0x40}, {21, 0xE5}, {47, 2}, {51, 0x18}}),
       &appState.cafSourcePath, &appState.cafWavPath, ImportCafFile},
      // " paf", 44100 Hz (12..15), 24-bit (18-19), mono (22-23)
      {"PAF 24-bit mono", Header(2048, {{0, " paf"}}, {{14, 0xAC}, {15, 0x44}, {19, 1}, {23, 1}}),
       &appState.pafSourcePath, &appState.pafWavPath, ImportPafFile},
  };

  const std::string input = (folder / "input.bin").string();
  const std::string copy = (folder / "copy.bin").string();
  std::printf("conversion benchmark: %lld-byte inputs, best of %d runs each\n", static_cast<long long>(size), RUNS);
  double worst = 0;
  for (Case& c : cases) {
    WriteInputFile(input, c.header, size, 777);
    *c.source = input;
    double plain = 1e9;
    double convert = 1e9;
    for (int run = 0; run < RUNS; ++run) {
      std::filesystem::remove(copy);
      plain = std::min(plain, Seconds([&] { PlainCopy(input, copy); }));
      std::filesystem::remove(*c.output);
      appState.conversionFailed = 0;
      convert = std::min(convert, Seconds(c.import));
      if (appState.conversionFailed != 0) std::printf("  %s: conversion failed\n", c.name);
    }
    double ratio = convert / plain;
    worst = std::max(worst, ratio);
    std::printf("  %-20s plain %7.1f ms  convert %7.1f ms  ratio %.2f\n", c.name, plain * 1000, convert * 1000, ratio);
  }
  std::printf("worst ratio %.2f (goal: at most 1.25)\n", worst);
  std::filesystem::remove_all(folder);
  return 0;
}

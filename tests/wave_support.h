// Test helpers for sound files: reading back the WAVE headers the converters
// write, and running an independent tool (sox, sndfile-info) on the host.
#pragma once

#include <cstdint>
#include <string>

#include "tests/test_support.h"

// The fields of a converter's output, read from the header family's fixed
// layout (PCM 44 bytes, G.711 58 bytes, float 82 or 90 bytes).
struct WaveInfo {
  std::uint32_t riffSize = 0;
  std::uint32_t fmtSize = 0;
  std::uint16_t formatTag = 0;
  std::uint16_t channels = 0;
  std::uint32_t sampleRate = 0;
  std::uint32_t byteRate = 0;
  std::uint16_t blockAlign = 0;
  std::uint16_t bitsPerSample = 0;
  std::uint32_t factSamples = 0;  // G.711 and float
  std::uint32_t dataSize = 0;
  std::size_t dataOffset = 0;     // where the samples start in the file
};

// Fails the current test (and returns an empty WaveInfo) when bytes are not
// one of the three layouts.
WaveInfo ParseWave(const Bytes& bytes);

// True when the host can run the named program (never under Wine: the tools
// are Linux programs, so these tests run in the native builds only).
bool HostToolAvailable(const std::string& program);
// Runs a shell command line on the host; returns its exit status. Output
// goes to outputPath when it is not empty.
int RunHostTool(const std::string& commandLine, const std::string& outputPath = "");
// Skips the current test when a host tool is missing.
#define REQUIRE_HOST_TOOL(program)                                             \
  do {                                                                         \
    if (!HostToolAvailable(program)) GTEST_SKIP() << program << " is not available here"; \
  } while (0)

// Test helpers for sound files: reading back the WAVE headers the converters
// write, running an independent tool (sox, sndfile-info) on the host, and the
// fixture every converter test builds on.
#pragma once

#include <cstdint>
#include <string>

#include "shell/app_state.h"
#include "tests/test_support.h"


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

// bytes without its last by bytes.
Bytes Shortened(Bytes bytes, std::size_t by);

// The two ways into a converter: importing a file from outside, and decoding
// an entry stored in a container.
enum class Face { External, Stored };
inline constexpr Face FACES[] = {Face::External, Face::Stored};
const char* NameOf(Face face);

// Where one format's converter reads and writes.
struct ConverterFaces {
  void (*import)();
  void (*convertStored)();  // null for the formats that are never stored
  std::string AppState::*source;
  std::string AppState::*output;
  const char* sourceName;  // the scratch file the importer reads
};

class ConverterTest : public ProgramTest {
 protected:
  explicit ConverterTest(const ConverterFaces& formatFaces) : faces(formatFaces) {}

  // Writes file as the face's input (a scratch source file for External,
  // tempWavPath for Stored), clears both failure flags, runs the face and
  // returns the output's path.
  std::string Convert(Face face, const Bytes& file);
  // The same, returning what the output path holds afterwards.
  Bytes ConvertToBytes(Face face, const Bytes& file);
  // The face's failure flag (conversionFailed or wavTypeKnown) says failed.
  bool Failed(Face face) const;
  std::string OutputPath(Face face) const;
  // Converts file through both faces: both must succeed and write the same
  // bytes. Returns the external output's path.
  std::string ConvertBothFaces(const Bytes& file);
  // Makes the scratch file fileName with sox (a quarter second of two tones,
  // written with soxOptions) and converts it through both faces as above.
  std::string ConvertSoxToneBothFaces(const std::string& fileName, const std::string& soxOptions);
  // Has libsndfile write a two-tone file at 8000 Hz as the scratch file
  // fileName, in mu-law and A-law, one channel and two, and converts each
  // through both faces. The output must hold sox's samples of the source but
  // the last droppedBytes, at the source's rate and channels. startOf reads
  // where the source's samples start, which must be samplesStart;
  // inputOptions tell sox how to read the source.
  void ExpectG711TonesKept(const std::string& fileName, std::size_t (*startOf)(const Bytes&),
                           std::size_t samplesStart, const std::string& inputOptions, std::size_t droppedBytes);
  // Converts file through face, which must refuse it: the face fails, and the
  // output found there and the duration fields stay as they were. The one
  // exception allowed is storedText, the duration text a stored failure
  // leaves when it is given.
  void ExpectRefused(Face face, const Bytes& file, const char* storedText = nullptr);

  // One header value of path as soxi reports it, without the line break.
  // soxi honours only its last option, so one is asked at a time.
  std::string SoxInfo(const std::string& path, const std::string& option) const;
  // Writes a tone with sox ("sox -n <soxFormat> tone.wav synth <synth>") and
  // has sndfile-convert turn it into path with encoding ("-ulaw", "-float32").
  // False, the failing command reported, when either tool fails.
  bool ToneThroughSndfile(const std::string& path, const std::string& soxFormat, const std::string& synth,
                          const std::string& encoding) const;
  // The samples of path as sox decodes them to raw bytes (rawOptions such as
  // "-e signed -b 16 -L"); inputOptions go before the path ("-t sndfile").
  Bytes SoxDecode(const std::string& path, const std::string& rawOptions,
                  const std::string& inputOptions = "") const;

  const ConverterFaces faces;
};

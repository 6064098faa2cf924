// The foreign formats as the suites, the fault-injection test and the fuzzers see them: the program's own rows
// (convert/format_registry.h), each with an input of every path and kept quirk it has and what its conversion must
// write, which no independent tool can tell, and the inputs it must refuse. A new format, path, quirk or refusal adds
// a sample here, not a new test file.
#pragma once

#include "convert/sample_copy.h"
#include "state/app_state.h"
#include "tests/sample_files.h"

constexpr UnitTransform SWAP = UnitTransform::ReverseGroups;
constexpr UnitTransform SIGN = UnitTransform::AddSignBit;

// A path of a format: an input of S bytes gets a data size of S - dataLess; copy is the payload rule, its
// payloadBytes adding to S - dataOffset.
struct Path {
  const char* format;
  std::int64_t dataLess;
  CopyRule copy;
  bool cutsToItsOffset = true;  // false where the sizes hold for S as given only (an odd S, 24-bit PAF blocks)
};

enum SampleFlags { WRITTEN_FAILED = 1, SECONDS_OF_DATA = 2, WHOLE_SECONDS_EXTERNAL = 4, EXT_ONLY = 8, STO_ONLY = 16 };
constexpr std::uint32_t REFUSED = 0;  // the tag of a sample its faces must refuse: no wave, no header fields

// An input and the header its conversion writes (format tag, channels, rate, byte rate, bits), its payload as the
// path copies it, and its durations.
struct FormatSample {
  Bytes bytes;
  std::uint32_t tag;
  std::uint32_t channels;
  std::uint32_t rate;
  std::uint32_t byteRate;
  std::uint32_t bits;
  const Path* path;
  int flags = 0;   // SampleFlags
  double per = 0;  // durationSeconds = S / per; 0: per the byte rate written
};

struct FormatRow {
  const char* name;  // the input's extension, and the fuzzers' import_<name> and stored_<name>
  void (*import)();
  void (*convertStored)();  // null for the three formats never stored (mpc, iff, wve)
  std::string AppState::*source;
  std::string AppState::*output;
  bool mayWriteAndFail;  // a sample is written and still reported failed (VOC, AIFF)
};

// Every format's samples, as its paths take them; the inputs they must refuse come last.
const std::vector<FormatSample>& FormatSamples();
const std::vector<FormatRow>& Formats();
const FormatRow* FormatNamed(const std::string& name);  // null when there is none

Bytes Payload(std::size_t size);  // the samples' patterned payload
// A SPHERE file of channels and rate, more header lines after them, then payload.
Bytes Sphere(int channels, int rate, const std::string& more = "", const Bytes& payload = Payload(1000));

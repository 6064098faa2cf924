// Entries into every routine that reads bytes the program did not write: one
// importer entry per format row (tests/formats.h) and one stored-converter
// entry per storable row, loading, playing and exporting a container (stored
// RIFF/WAVE and IMA ADPCM entries through the same flow), Play_Wav of outside
// files, and adding a file to a container. Each runs the program on files in
// scratch program and Documents folders (under $TMPDIR when set) and checks
// what it left behind; the regression test replays stored inputs through the
// same entries without libFuzzer.
#pragma once

#include <functional>
#include <map>

#include "tests/sample_files.h"

// Where a broken check goes; null prints it and aborts, so that libFuzzer keeps the input.
inline void (*fuzzFailureHandler)(const std::string& entry, const std::string& message) = nullptr;

struct FuzzEntry {
  std::function<void(const Bytes&)> run;
  std::vector<Bytes> seeds;  // valid starting inputs, each passing every check
};
// By name: the fuzzer fuzz_<name>, and its folder in tests/regressions.
const std::map<std::string, FuzzEntry>& FuzzEntries();

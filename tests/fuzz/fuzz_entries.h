// Entries into every routine that reads bytes the program did not write: one
// importer entry per format row (tests/formats.h) and one stored-converter
// entry per storable row, loading, playing and exporting a container, stored
// RIFF/WAVE and IMA ADPCM entries, Play_Wav of outside files, and adding a
// file to a container. Each runs the program's routines on files in scratch
// program and Documents folders (under $TMPDIR when set) and checks what the
// program left behind. A broken check goes to the failure handler, by default
// print and abort so that libFuzzer keeps the input; the regression test
// replays stored inputs through the same entries without libFuzzer.
#pragma once

#include <functional>

#include "tests/sample_files.h"

using FuzzFailureHandler = void (*)(const std::string& entry, const std::string& message);
void SetFuzzFailureHandler(FuzzFailureHandler handler);  // null: print and abort

struct FuzzEntry {
  std::string name;  // the fuzzer fuzz_<name>, and its folder in tests/regressions
  std::function<void(const Bytes&)> run;
  std::vector<Bytes> seeds;  // valid starting inputs, each passing every check
};
const std::vector<FuzzEntry>& FuzzEntries();
const FuzzEntry* FuzzEntryNamed(const std::string& name);

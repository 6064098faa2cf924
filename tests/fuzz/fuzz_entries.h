// Entries into every routine of the program that reads bytes it did not
// write: each external importer and stored-entry converter (one entry a
// format row of tests/formats.h), loading, playing and exporting a container,
// the stored RIFF/WAVE and IMA ADPCM paths, Play_Wav of outside files, and
// adding a file to a container. Each runs the program's real routines on
// files in scratch program and Documents folders (under $TMPDIR when set),
// then checks what the program left behind. A broken check goes to the
// failure handler, which by default prints it and aborts so that libFuzzer
// keeps the input; the regression test replays stored inputs through the
// same entries without libFuzzer.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "tests/sample_files.h"

using FuzzFailureHandler = void (*)(const std::string& entry, const std::string& message);
// Replaces the default handler (print and abort); null restores it.
void SetFuzzFailureHandler(FuzzFailureHandler handler);

struct FuzzEntry {
  std::string name;  // the fuzzer fuzz_<name>, and its folder in tests/regressions
  std::function<void(const Bytes&)> run;
  std::vector<Bytes> seeds;  // valid starting inputs; each passes every check
};
const std::vector<FuzzEntry>& FuzzEntries();
const FuzzEntry* FuzzEntryNamed(const std::string& name);

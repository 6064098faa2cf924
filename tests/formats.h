// The foreign formats as the suites, the fault-injection test and the fuzzers see them: the program's own rows
// (convert/format_registry.h) with a small valid input of every path each has. A new format or path adds a sample
// here, not a new test file.
#pragma once

#include "state/app_state.h"
#include "tests/sample_files.h"

struct FormatSample {
  const char* path;  // what the sample exercises, for messages
  Bytes bytes;
};

struct FormatRow {
  const char* name;  // the input's extension, and the fuzzers' import_<name> and stored_<name>
  void (*import)();
  void (*convertStored)();  // null for the three formats never stored (mpc, iff, wve)
  std::string AppState::*source;
  std::string AppState::*output;
  bool mayWriteAndFail;  // written and still reported failed: VOC, unknown time constant; 8-bit AIFF marked FL32/FL64
  std::vector<FormatSample> samples;  // valid inputs, one a path; the first is the plainest
};

const std::vector<FormatRow>& Formats();
const FormatRow* FormatNamed(const std::string& name);  // null when there is none

// Entries into every routine that reads bytes the program did not write: each runs the program in scratch folders
// (under $TMPDIR when set) and checks what it left behind. The fuzzers and the regression test run the same entries.
#pragma once

#include <functional>
#include <map>
#include <ostream>

#include "tests/sample_files.h"

// Where a broken check goes; null prints it and aborts, so that libFuzzer keeps the input.
inline void (*fuzzFailureHandler)(const std::string& entry, const std::string& message) = nullptr;

using FuzzEntry = std::function<void(const Bytes&)>;
const std::map<std::string, FuzzEntry>&
FuzzEntries();  // by name: fuzz_<name>, tests/regressions/<name>, tests/fuzz/corpus/<name>

// kvp run in-process, as the fuzzers and the suites run it: what it prints goes to out and err, and the names it
// gave the waves it handed to its sound output to kvpPlayedNames.
extern std::vector<std::string> kvpPlayedNames;
int KvpInProcess(const std::vector<std::string>& words, std::ostream& out, std::ostream& err);

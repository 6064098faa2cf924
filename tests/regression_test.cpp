// Replays, through each fuzzer's entry, every input of tests/regressions/<fuzzer>/ (each once crashed the program or
// broke a check, or probes an edge it must keep handling) and of its kept corpus tests/fuzz/corpus/<fuzzer>/ (the
// fewest inputs that reach all the fuzzers reached, valid ones among them). The folders are read at run time from
// KORVEL_TESTS_DIR; Wine sees the host's files under Z:.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/fuzz/fuzz_entries.h"

namespace fs = std::filesystem;

TEST(Regressions, ReplayThroughTheirEntries) {
  static std::string replaying;
  fuzzFailureHandler = [](const std::string& entry, const std::string& message) {
    ADD_FAILURE() << entry << " / " << replaying << ": " << message;
  };
  const fs::path tests = KORVEL_TESTS_DIR;
  for (const fs::path& inputs : {tests / "regressions", tests / "fuzz" / "corpus"})
    for (const auto& folder : fs::directory_iterator(inputs))
      EXPECT_EQ(FuzzEntries().count(folder.path().filename().string()), 1u) << folder.path() << " names no fuzzer";
  for (const auto& [name, run] : FuzzEntries()) {
    for (const fs::path& inputs : {tests / "regressions" / name, tests / "fuzz" / "corpus" / name}) {
      std::error_code missing;
      for (const auto& file : fs::directory_iterator(inputs, missing)) {
        replaying = file.path().string();
        run(ReadWholeFile(file.path().string()));
      }
      EXPECT_FALSE(missing) << "no inputs in " << inputs;
    }
  }
  fuzzFailureHandler = nullptr;
}

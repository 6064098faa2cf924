// Replays every input of tests/regressions/<fuzzer>/ (KORVEL_REGRESSIONS_DIR, read at run time; Wine sees the host's
// files under Z:) through that fuzzer's entry (each once crashed the program or broke a check, or probes an edge it
// must keep handling), and every fuzzer's seeds, which are valid inputs.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/fuzz/fuzz_entries.h"

namespace fs = std::filesystem;

TEST(Regressions, ReplayThroughTheirEntries) {
  static std::string replaying;
  fuzzFailureHandler = [](const std::string& entry, const std::string& message) {
    ADD_FAILURE() << entry << " / " << replaying << ": " << message;
  };
  for (const auto& folder : fs::directory_iterator(KORVEL_REGRESSIONS_DIR))
    EXPECT_EQ(FuzzEntries().count(folder.path().filename().string()), 1u) << folder.path() << " names no fuzzer";
  for (const auto& [name, entry] : FuzzEntries()) {
    std::error_code missing;
    for (const auto& file : fs::directory_iterator(fs::path(KORVEL_REGRESSIONS_DIR) / name, missing)) {
      replaying = name + "/" + file.path().filename().string();
      std::ifstream in(file.path(), std::ios::binary);
      entry.run({std::istreambuf_iterator<char>(in), {}});
    }
    EXPECT_FALSE(missing) << "no regression inputs for " << name;
    for (std::size_t i = 0; i < entry.seeds.size(); ++i) {
      replaying = name + "/seed-" + std::to_string(i + 1);
      entry.run(entry.seeds[i]);
    }
  }
  fuzzFailureHandler = nullptr;
}

// Replays every input of tests/regressions/<fuzzer>/ (KORVEL_REGRESSIONS_DIR, read at run time; Wine sees the host's
// files under Z:) through that fuzzer's entry (each once crashed the program or broke a check, or probes an edge it
// must keep handling), and every fuzzer's seeds, which are valid inputs.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "tests/fuzz/fuzz_entries.h"

TEST(Regressions, ReplayThroughTheirEntries) {
  static std::string replaying;
  fuzzFailureHandler = [](const std::string& entry, const std::string& message) {
    ADD_FAILURE() << entry << " / " << replaying << ": " << message;
  };
  std::set<std::string> folders;
  for (const auto& file : std::filesystem::recursive_directory_iterator(KORVEL_REGRESSIONS_DIR)) {
    if (file.is_directory()) continue;
    const std::string target = file.path().parent_path().filename().string();
    replaying = *folders.insert(target).first + "/" + file.path().filename().string();
    std::ifstream in(file.path(), std::ios::binary);
    if (FuzzEntries().count(target) == 1)
      FuzzEntries().at(target).run({std::istreambuf_iterator<char>(in), {}});
    else
      ADD_FAILURE() << replaying << " names no fuzzer";
  }
  for (const auto& [name, entry] : FuzzEntries()) {
    EXPECT_EQ(folders.count(name), 1u) << "no regression inputs for " << name;
    for (std::size_t i = 0; i < entry.seeds.size(); ++i) {
      replaying = name + "/seed-" + std::to_string(i + 1);
      entry.run(entry.seeds[i]);
    }
  }
  fuzzFailureHandler = nullptr;
}

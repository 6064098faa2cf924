// Replays every input of tests/regressions/<fuzzer>/ through that fuzzer's
// entry (each once crashed the program or broke a check, or probes an edge
// it must keep handling), and every fuzzer's seeds, which are valid inputs.
#include <gtest/gtest.h>

#include <set>

#include "tests/fuzz/fuzz_entries.h"
#include "tests/regression_corpus.h"

namespace {

std::string replaying;

void ReportBrokenCheck(const std::string& entry, const std::string& message) {
  ADD_FAILURE() << entry << " / " << replaying << ": " << message;
}

TEST(Regressions, ReplayThroughTheirEntries) {
  SetFuzzFailureHandler(ReportBrokenCheck);
  std::set<std::string> folders;
  for (const RegressionInput& input : RegressionCorpus()) {
    folders.insert(input.target);
    replaying = std::string(input.target) + "/" + input.name;
    const FuzzEntry* entry = FuzzEntryNamed(input.target);
    EXPECT_NE(entry, nullptr) << "tests/regressions/" << input.target << " names no fuzzer";
    if (entry != nullptr) entry->run(Bytes(input.data, input.data + input.size));
  }
  for (const FuzzEntry& entry : FuzzEntries()) {
    EXPECT_EQ(folders.count(entry.name), 1u) << "no regression inputs for " << entry.name;
    for (std::size_t i = 0; i < entry.seeds.size(); ++i) {
      replaying = entry.name + "/seed-" + std::to_string(i + 1);
      entry.run(entry.seeds[i]);
    }
  }
  SetFuzzFailureHandler(nullptr);
}

}  // namespace

// Replays every input of tests/regressions/<target>/ through the fuzzer
// entry of that name: each once crashed the program or broke one of the
// entry's checks, or probes an edge case the program must keep handling.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "tests/fuzz/fuzz_entries.h"
#include "tests/regression_corpus.h"

namespace {

std::string replaying;

void ReportBrokenCheck(const std::string& entry, const std::string& message) {
  ADD_FAILURE() << entry << " / " << replaying << ": " << message;
}

std::map<std::string, const FuzzEntry*> EntriesByName() {
  std::map<std::string, const FuzzEntry*> entries;
  for (const FuzzEntry& entry : FuzzEntries()) entries[entry.name] = &entry;
  return entries;
}

TEST(Regressions, EveryFolderNamesAFuzzer) {
  const auto entries = EntriesByName();
  for (const RegressionInput& input : RegressionCorpus()) {
    EXPECT_EQ(entries.count(input.target), 1u) << "tests/regressions/" << input.target << " names no fuzzer";
  }
}

TEST(Regressions, EveryFuzzerHasInputs) {
  std::set<std::string> targets;
  for (const RegressionInput& input : RegressionCorpus()) targets.insert(input.target);
  for (const FuzzEntry& entry : FuzzEntries()) {
    EXPECT_EQ(targets.count(entry.name), 1u) << "no regression inputs for " << entry.name;
  }
}

TEST(Regressions, ReplayThroughTheirEntries) {
  const auto entries = EntriesByName();
  SetFuzzFailureHandler(ReportBrokenCheck);
  for (const RegressionInput& input : RegressionCorpus()) {
    auto found = entries.find(input.target);
    if (found == entries.end()) continue;
    replaying = std::string(input.target) + "/" + input.name;
    SCOPED_TRACE(replaying);
    found->second->run(input.data, input.size);
  }
  SetFuzzFailureHandler(nullptr);
}

}  // namespace

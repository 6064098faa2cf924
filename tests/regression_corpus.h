// The inputs of tests/regressions/<fuzzer>/, compiled into the test program
// (tests/CMakeLists.txt generates the .cpp) so that every host, Wine
// included, replays them without the source tree.
#pragma once

#include <cstddef>
#include <vector>

struct RegressionInput {
  const char* target;  // the folder: a fuzzer's name
  const char* name;    // the file
  const unsigned char* data;
  std::size_t size;
};
const std::vector<RegressionInput>& RegressionCorpus();

// libFuzzer's entry for the fuzzer KORVEL_FUZZ_NAME (set per executable by
// CMake). With KORVEL_FUZZ_SEEDS set it first writes its seeds into that
// folder, which libFuzzer reads after this initialisation.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "tests/fuzz/fuzz_entries.h"

// Looked up once main runs: the table's builders use other files' statics.
static const FuzzEntry* entry = nullptr;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  entry = FuzzEntryNamed(KORVEL_FUZZ_NAME);
  if (entry == nullptr) std::fprintf(stderr, "no fuzz entry named %s\n", KORVEL_FUZZ_NAME), std::abort();
  const char* folder = std::getenv("KORVEL_FUZZ_SEEDS");
  for (std::size_t i = 0; folder != nullptr && i < entry->seeds.size(); ++i) {
    std::filesystem::create_directories(folder);
    std::ofstream(std::filesystem::path(folder) / ("seed-" + std::to_string(i + 1)), std::ios::binary)
        .write(reinterpret_cast<const char*>(entry->seeds[i].data()), std::streamsize(entry->seeds[i].size()));
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
  entry->run(Bytes(data, data + size));
  return 0;
}

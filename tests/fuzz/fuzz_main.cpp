// libFuzzer's entry for the fuzzer KORVEL_FUZZ_NAME (set per executable by
// CMake). With KORVEL_FUZZ_SEEDS set it first writes its seeds into that
// folder, which libFuzzer reads after this initialisation.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "tests/fuzz/fuzz_entries.h"

static const FuzzEntry& Entry() {
  static const FuzzEntry* entry = FuzzEntryNamed(KORVEL_FUZZ_NAME);
  if (entry == nullptr) std::fprintf(stderr, "no fuzz entry named %s\n", KORVEL_FUZZ_NAME), std::abort();
  return *entry;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const char* folder = std::getenv("KORVEL_FUZZ_SEEDS");
  if (folder != nullptr) std::filesystem::create_directories(folder);
  for (std::size_t i = 0; folder != nullptr && i < Entry().seeds.size(); ++i) {
    const Bytes& seed = Entry().seeds[i];
    std::ofstream(std::filesystem::path(folder) / ("seed-" + std::to_string(i + 1)), std::ios::binary)
        .write(reinterpret_cast<const char*>(seed.data()), std::streamsize(seed.size()));
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
  Entry().run(Bytes(data, data + size));
  return 0;
}

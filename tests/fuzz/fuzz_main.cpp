// libFuzzer's entry for the fuzzer KORVEL_FUZZ_NAME (set per executable by CMake).
#include <cstdio>
#include <cstdlib>

#include "tests/fuzz/fuzz_entries.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
  static const FuzzEntry* entry = FuzzEntryNamed(KORVEL_FUZZ_NAME);
  if (entry == nullptr) {
    std::fprintf(stderr, "no fuzz entry named %s\n", KORVEL_FUZZ_NAME);
    std::abort();
  }
  entry->run(Bytes(data, data + size));
  return 0;
}

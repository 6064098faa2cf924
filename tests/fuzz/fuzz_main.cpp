// libFuzzer's entry for one fuzzer; KORVEL_FUZZ_TARGET names the function of
// tests/fuzz/fuzz_entries.h it runs (set per executable by CMake).
#include <cstddef>
#include <cstdint>

#include "tests/fuzz/fuzz_entries.h"

#ifndef KORVEL_FUZZ_TARGET
#error "KORVEL_FUZZ_TARGET must name an entry of fuzz_entries.h"
#endif

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  KORVEL_FUZZ_TARGET(data, size);
  return 0;
}

// Writes every fuzzer's seeds (its FuzzEntry's) as OUTPUT_FOLDER/<fuzzer>/seed-<n>.
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "tests/fuzz/fuzz_entries.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_seeds OUTPUT_FOLDER\n");
    return 2;
  }
  for (const FuzzEntry& entry : FuzzEntries()) {
    const std::filesystem::path folder = std::filesystem::path(argv[1]) / entry.name;
    std::filesystem::create_directories(folder);
    for (std::size_t i = 0; i < entry.seeds.size(); ++i) {
      std::ofstream(folder / ("seed-" + std::to_string(i + 1)), std::ios::binary)
          .write(reinterpret_cast<const char*>(entry.seeds[i].data()), static_cast<std::streamsize>(entry.seeds[i].size()));
    }
  }
  return 0;
}

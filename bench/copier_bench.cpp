// Pushes a 100 MB payload through the sample copier with each copy rule and
// compares the time with a plain block copy of the same bytes through the C
// streams, in the same run. Prints one ratio per rule; the goal is at most
// 1.25. Usage: bench_copier [scratch folder] [megabytes]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "convert/sample_copy.h"
#include "io/file_io.h"

namespace {

void CopierCopy(const std::string& from, const std::string& to, CopyRule rule, std::int64_t size) {
  Stream in = OpenStream(from, "rb");
  Stream out = OpenStream(to, "wb");
  rule.payloadBytes = size - rule.dataOffset;
  if (!CopyPayload(in.get(), out.get(), rule) || !CloseStream(out)) std::fprintf(stderr, "copy failed\n");
}

}  // namespace

constexpr int RUNS = 7;

int main(int argc, char** argv) {
  std::filesystem::path folder = argc > 1 ? argv[1] : std::filesystem::temp_directory_path() / "korvel-bench";
  std::int64_t megabytes = argc > 2 ? std::atoll(argv[2]) : 100;
  std::filesystem::create_directories(folder);
  const std::string input = (folder / "payload.bin").string();
  const std::string output = (folder / "out.bin").string();
  const std::int64_t size = megabytes * 1000 * 1000 + 1;  // odd: the last unit is partial

  WriteInputFile(input, {}, size, 12345);

  struct Case {
    const char* name;
    int unit;
    UnitTransform transform;
    int group;
    int dropEvery;
  } cases[] = {
      {"unchanged, 1-byte units", 1, UnitTransform::Unchanged, 2, 0},
      {"unchanged, 2-byte units", 2, UnitTransform::Unchanged, 2, 0},
      {"swapped 16-bit", 2, UnitTransform::ReverseGroups, 2, 0},
      {"reversed 24-bit", 3, UnitTransform::ReverseGroups, 3, 0},
      {"reversed 32-bit", 4, UnitTransform::ReverseGroups, 4, 0},
      {"two 24-bit samples", 6, UnitTransform::ReverseGroups, 3, 0},
      {"signed to unsigned 8-bit", 2, UnitTransform::AddSignBit, 2, 0},
      {"word plus 0x807F", 2, UnitTransform::AddWord807F, 2, 0},
      {"32-bit high half", 4, UnitTransform::HighHalfThenSilence, 2, 0},
      {"24-bit blocks without padding", 2, UnitTransform::Unchanged, 2, 16},
  };

  std::printf("copier benchmark: %lld bytes, best of %d runs each\n", static_cast<long long>(size), RUNS);
  double worst = 0;
  for (const Case& c : cases) {
    CopyRule rule;
    rule.dataOffset = 44;
    rule.unitSize = c.unit;
    rule.transform = c.transform;
    rule.groupSize = c.group;
    rule.dropEvery = c.dropEvery;
    double plain = 1e9;
    double copier = 1e9;
    for (int run = 0; run < RUNS; ++run) {
      // Each run writes a new file, so neither side pays for truncating the other's output.
      std::filesystem::remove(output);
      plain = std::min(plain, Seconds([&] { PlainCopy(input, output); }));
      std::filesystem::remove(output);
      copier = std::min(copier, Seconds([&] { CopierCopy(input, output, rule, size); }));
    }
    double ratio = copier / plain;
    worst = std::max(worst, ratio);
    std::printf("  %-32s plain %7.1f ms  copier %7.1f ms  ratio %.2f\n", c.name, plain * 1000, copier * 1000, ratio);
  }
  std::printf("worst ratio %.2f (goal: at most 1.25)\n", worst);
  std::filesystem::remove(input);
  std::filesystem::remove(output);
  return 0;
}

#include "bench/bench_support.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

double Seconds(const std::function<void()>& work) {
  auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void PlainCopy(const std::string& from, const std::string& to) {
  std::FILE* in = std::fopen(from.c_str(), "rb");
  std::FILE* out = std::fopen(to.c_str(), "wb");
  std::vector<char> block(1 << 20);
  std::size_t got;
  while ((got = std::fread(block.data(), 1, block.size(), in)) > 0) std::fwrite(block.data(), 1, got, out);
  std::fclose(in);
  std::fclose(out);
}

void WriteInputFile(const std::string& path, const std::vector<unsigned char>& header, std::int64_t size,
                    std::uint32_t seed) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!header.empty()) std::fwrite(header.data(), 1, header.size(), file);
  std::vector<unsigned char> block(1 << 20);
  std::uint32_t x = seed;
  for (std::int64_t written = static_cast<std::int64_t>(header.size()); written < size;) {
    for (unsigned char& b : block) b = static_cast<unsigned char>(x = x * 1664525u + 1013904223u);
    std::size_t n = static_cast<std::size_t>(std::min<std::int64_t>(size - written, block.size()));
    std::fwrite(block.data(), 1, n, file);
    written += static_cast<std::int64_t>(n);
  }
  std::fclose(file);
}

// What both benchmarks measure with: a timer, the plain block copy every
// result is compared with, and the pseudo-random input files.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Wall-clock seconds that work takes.
double Seconds(const std::function<void()>& work);

// The baseline: read and write 1 MiB blocks, nothing else.
void PlainCopy(const std::string& from, const std::string& to);

// Writes a file of size bytes: header, then pseudo-random bytes from seed.
void WriteInputFile(const std::string& path, const std::vector<unsigned char>& header, std::int64_t size,
                    std::uint32_t seed);

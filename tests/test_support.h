// Shared scaffolding: every test runs the program against a scratch program
// folder (with Export and Export/Conversions) and a scratch Documents folder,
// through the headless platform backend.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

using Bytes = std::vector<unsigned char>;

Bytes ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const Bytes& bytes);
Bytes BytesOf(const std::string& text);
// size bytes of a fixed pseudo-random pattern.
Bytes PatternBytes(std::size_t size, std::uint32_t seed = 1);
bool FileExists(const std::string& path);

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // A path inside the scratch program folder ("a/b" uses the host separator).
  std::string ProgramFile(const std::string& relative) const;
  std::string ScratchFile(const std::string& name) const;

  std::filesystem::path root;
  std::string programFolder;
  std::string documentsFolder;
};

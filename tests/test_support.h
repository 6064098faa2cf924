// Shared scaffolding: every test runs the program against a scratch program
// folder (with Export and Export/Conversions) and a scratch Documents folder,
// through the headless platform backend.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/sample_files.h"

Bytes ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const Bytes& bytes);
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

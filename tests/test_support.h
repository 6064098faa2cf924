// Every test runs the program on a scratch program folder (with Export and
// Export/Conversions) and a scratch Documents folder under the temporary
// folder, through the headless backend: commands go through the window
// procedure, dialogs are answered from the backend's queue, and what the
// program did is read back from the recorded platform calls.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "io/byte_order.h"
#include "io/file_io.h"
#include "platform/headless.h"
#include "state/app_state.h"
#include "state/commands.h"
#include "tests/fuzz/fuzz_entries.h"
#include "tests/sample_files.h"

using Strings = std::vector<std::string>;

bool FileExists(const std::string& path);

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Starts the program afresh on these folders (Documents may be empty: none); without windows, up to making them.
  void StartProgram(const std::string& programDir, const std::string& documentsDir, bool withWindows = true);
  // A path inside the scratch program folder ("a/b" uses the host separator).
  std::string ProgramFile(const std::string& relative) const;
  std::string ScratchFile(const std::string& name) const;

  void Command(int id, unsigned notification = 0);
  std::string Status() const;
  // Sends one command; its sounds, beeps, status texts, message boxes and timer calls, in order: "start", "finish",
  // "beep", "asterisk", "play <path>", "status <text>", "box <caption>: <text>", "timer on", "timer off".
  Strings Run(int id, unsigned notification = 0);
  // The same, answering the open dialog it opens with path (empty = Cancel).
  Strings RunWithDialog(int id, const std::string& path);
  // Chooses row (0-based) in the entry list, which plays it.
  void Select(int row);

  // A new empty container in the program folder, loaded.
  std::string CreateAndLoad(const std::string& name);
  // Adds a scratch file with these bytes to the loaded container.
  void AddFile(const std::string& name, const Bytes& bytes);

  // Runs kvp in-process on the scratch folders; what it printed is in kvpOut and kvpErr.
  int Kvp(const Strings& words);

  std::string kvpOut;
  std::string kvpErr;

  std::filesystem::path root;
  std::string programFolder;
  std::string documentsFolder;
};

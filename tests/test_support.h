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

#include "tests/sample_files.h"

using Strings = std::vector<std::string>;

bool FileExists(const std::string& path);

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Starts the program afresh on these folders (Documents may be empty: none).
  void StartProgram(const std::string& programDir, const std::string& documentsDir);
  // A path inside the scratch program folder ("a/b" uses the host separator).
  std::string ProgramFile(const std::string& relative) const;
  std::string ScratchFile(const std::string& name) const;

  void Command(int id, unsigned notification = 0);
  // Answers the next open dialog with path (empty = Cancel), then sends id.
  void CommandWithDialog(int id, const std::string& path);
  std::string Status() const;
  // Sounds, beeps, status texts, message boxes and timer calls, in order:
  // "start", "finish", "beep", "asterisk", "play <path>", "status <text>",
  // "box <caption>: <text>", "timer on", "timer off".
  Strings Feedback() const;
  // The feedback of one command alone (with a dialog answer when path is given).
  Strings Run(int id, unsigned notification = 0);
  Strings RunWithDialog(int id, const std::string& path);
  // Chooses row (0-based) in the entry list, which plays it.
  void Select(int row);

  // A new empty container in the program folder, loaded.
  std::string CreateAndLoad(const std::string& name);
  // Adds a scratch file with these bytes to the loaded container.
  void AddFile(const std::string& name, const Bytes& bytes);
  // Types text into the entry number box and presses "Set ID#": the feedback of the press.
  Strings PinEntry(const std::string& text);

  std::filesystem::path root;
  std::string programFolder;
  std::string documentsFolder;
};

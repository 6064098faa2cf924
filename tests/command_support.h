// Scenario tests drive the program as a user would: commands go through the
// window procedure, dialogs are answered from the headless backend's queue,
// and what the program did is read back from the recorded platform calls.
#pragma once

#include <string>
#include <vector>

#include "tests/test_support.h"

class CommandTest : public ProgramTest {
 protected:
  void SetUp() override;

  // Sends command id (with a notification code) to the main window.
  void Command(int id, unsigned notification = 0);
  // Answers the next open dialog with path (empty = Cancel), then sends id.
  void CommandWithDialog(int id, const std::string& path);
  // Forgets what was recorded so far.
  void ClearCalls();

  std::string Status() const;
  std::vector<std::string> ListRows() const;
  // Sounds, beeps, status texts, message boxes and timer calls, in order:
  // "start", "finish", "beep", "asterisk", "play <path>", "status <text>",
  // "box <caption>: <text>", "timer on", "timer off".
  std::vector<std::string> Feedback() const;

  // A new empty container in the program folder, loaded.
  std::string CreateAndLoad(const std::string& name);
  // Adds a scratch file with these bytes to the loaded container.
  void AddFile(const std::string& name, const Bytes& bytes);
};

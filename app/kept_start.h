// A start of the program kept for the runs after it. The tests and the fuzzers
// start the program (and run kvp) hundreds of times in one process, and the
// start-up (thirty-odd paths, the windows and their menus) was a third of a
// kvp run: a start on the folders of an earlier one goes back to the state
// that start left instead.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/headless.h"
#include "state/app_state.h"

struct KeptStart {
  std::string folders;  // what the start was made on
  AppState state;       // holds no open file: a copy of the state never does
  std::shared_ptr<const HeadlessState> platform;
};

// Puts back the start kept for the same folders, or runs start and keeps what it left.
void StartOrGoBack(KeptStart& kept, const std::string& folders, const std::function<void()>& start);

// kvp's command handling: the words of a command line in, the program's texts
// out, an exit status back. Each subcommand sends the very commands a user
// would give through the window procedure, over the headless platform
// backend, answering the open dialogs with its arguments; the console backend
// prints what the program shows as it shows it. kvp's main supplies
// the host's folders, its sound output and its streams; the tests and the
// fuzzers drive the same routine with their own.
#pragma once

#include <ostream>
#include <string>
#include <vector>

// Plays a prepared wave file to its end; name is what the program calls the sound.
using KvpWavePlayer = void (*)(const std::string& wavePath, const std::string& name);

struct KvpHost {
  std::string programFolderDefault;  // when --program-dir is not given (made when missing)
  std::string documentsDefault;      // when --documents-dir is not given
  KvpWavePlayer playWave = nullptr;  // null: waves are prepared and never played
  std::ostream* out = nullptr;       // status texts, list rows, --state, --help
  std::ostream* err = nullptr;       // message boxes, refusals, usage mistakes
};

// Exit statuses: 0 done, 1 a step was refused or its play or conversion failed, 2 a usage mistake.
constexpr int KVP_DONE = 0;
constexpr int KVP_REFUSED = 1;
constexpr int KVP_USAGE = 2;

// Runs kvp on its arguments (the command line after the program's own name).
int RunKvp(const std::vector<std::string>& arguments, const KvpHost& host);

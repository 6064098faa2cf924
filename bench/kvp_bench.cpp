// Runs kvp on a container of 499 entries (about 150 MB once the last one is
// added) and compares each copying command with a plain block copy of the
// same bytes, in the same run:
//   add         a 100 MB file, against copying that file
//   play        a 50 MB stored wave, against copying 50 MB
//   export-all  every entry, against copying the exported files again
//   list        the 499 names, against a goal of 20 ms
// Usage: bench_kvp KVP [scratch folder]   (Linux)
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "io/byte_order.h"
#include "library/container.h"
#include "platform/headless.h"
#include "state/app_state.h"

namespace {

namespace fs = std::filesystem;

// Runs a program directly (no shell in between), its output discarded.
double SecondsOf(const std::vector<std::string>& command) {
  std::vector<char*> argv;
  for (const std::string& word : command) argv.push_back(const_cast<char*>(word.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  auto start = std::chrono::steady_clock::now();
  pid_t child = 0;
  int status = -1;
  if (posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ) == 0) waitpid(child, &status, 0);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  posix_spawn_file_actions_destroy(&actions);
  if (status != 0) std::printf("  failed: %s %s\n", command[command.size() - 2].c_str(), command.back().c_str());
  return seconds;
}

double PlainCopySeconds(const std::string& from, const std::string& to) {
  return Seconds([&] { PlainCopy(from, to); });
}

// The plain copy that export-all is measured against: the same bytes into
// as many files, each copy overwriting the one of the run before.
double CopyExports(const fs::path& folder) {
  const fs::path mirror = folder / "mirror";
  fs::create_directories(mirror);
  double seconds = 0;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder / "Export")) {
    if (!entry.is_regular_file()) continue;
    seconds += PlainCopySeconds(entry.path().string(), (mirror / entry.path().filename()).string());
  }
  return seconds;
}

// A RIFF/WAVE file of 16-bit stereo at 44100 Hz with size bytes in all.
void WriteWave(const std::string& path, std::size_t size) {
  std::vector<unsigned char> header(44);
  WriteTag(&header[0], "RIFF");
  WriteU32Le(&header[4], static_cast<std::uint32_t>(size - 8));
  WriteTag(&header[8], "WAVEfmt ");
  WriteU32Le(&header[16], 16);
  WriteU16Le(&header[20], 1);
  WriteU16Le(&header[22], 2);
  WriteU32Le(&header[24], 44100);
  WriteU32Le(&header[28], 176400);
  WriteU16Le(&header[32], 4);
  WriteU16Le(&header[34], 16);
  WriteTag(&header[36], "data");
  WriteU32Le(&header[40], static_cast<std::uint32_t>(size - 44));
  WriteInputFile(path, header, static_cast<std::int64_t>(size), static_cast<std::uint32_t>(size));
}

// Builds the container with the program's own append: 497 entries of 100 kB
// and, as entry 498, a 50 MB wave.
void BuildContainer(const fs::path& folder, const std::string& kvf) {
  HeadlessReset((folder / "kvp").string(), (folder / "Documents").string());
  InitializeAppState();
  SetUpProgramPaths();
  appState.newContainerPath = kvf;
  appState.newDatPath = CompanionDatPath(kvf);
  CreateEmptyContainerFiles();
  appState.loadedContainerPath = kvf;
  appState.datPath = appState.newDatPath;
  const std::string small = (folder / "small.wav").string();
  const std::string large = (folder / "large.wav").string();
  WriteWave(small, 100 * 1000);
  WriteWave(large, 50 * 1000 * 1000);
  for (int n = 1; n <= 498; ++n) {
    appState.addWavPickedPath = n == 498 ? large : small;
    appState.logWavName = "entry" + std::to_string(n) + ".wav";
    AppendEntryToContainer();
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_kvp KVP [scratch folder]\n");
    return 2;
  }
  const std::string kvp = fs::absolute(argv[1]).string();
  const fs::path folder = argc > 2 ? fs::path(argv[2]) : fs::temp_directory_path() / "korvel-kvp-bench";
  fs::remove_all(folder);
  fs::create_directories(folder / "Export" / "Conversions");
  fs::create_directories(folder / "Documents");
  const std::string kvf = (folder / "Bench.kvf").string();
  BuildContainer(folder, kvf);
  const std::string hundred = (folder / "hundred.wav").string();
  WriteWave(hundred, 100 * 1000 * 1000);
  auto run = [&](std::vector<std::string> words) {
    // The preparing is measured, not the listening: no sound is played.
    std::vector<std::string> command = {
        kvp, "--no-sound", "--program-dir", folder.string(), "--documents-dir", (folder / "Documents").string()};
    command.insert(command.end(), words.begin(), words.end());
    return SecondsOf(command);
  };
  const std::string copy = (folder / "copy.bin").string();
  const std::string savedKvf = (folder / "saved.kvf").string();
  const std::string savedDat = (folder / "saved.dat").string();
  fs::copy_file(kvf, savedKvf);
  fs::copy_file(CompanionDatPath(kvf), savedDat);

  std::printf("kvp benchmark: container of 499 entries\n");
  double worst = 0;
  auto report = [&](const char* name, double command, double plain) {
    double ratio = command / plain;
    worst = std::max(worst, ratio);
    std::printf("  %-12s kvp %8.1f ms  plain copy %8.1f ms  ratio %.2f\n", name, command * 1000, plain * 1000, ratio);
  };

  // Each run of a command is compared with a copy that writes its target the
  // same way: add appends new bytes, so its copy makes a new file; play and
  // export-all overwrite the files of the run before, and so do their copies.
  double add = 1e9;
  double addPlain = 1e9;
  double play = 1e9;
  double playPlain = 1e9;
  double all = 1e9;
  double allPlain = 1e9;
  double list = 1e9;
  // Before each timed step the disk is synced, so that no step pays for
  // writing back what the one before it (or the restore) left dirty.
  for (int i = 0; i < 3; ++i) {
    fs::copy_file(savedKvf, kvf, fs::copy_options::overwrite_existing);
    fs::copy_file(savedDat, CompanionDatPath(kvf), fs::copy_options::overwrite_existing);
    fs::remove(copy);
    sync();
    addPlain = std::min(addPlain, PlainCopySeconds(hundred, copy));
    sync();
    add = std::min(add, run({"add", kvf, hundred}));
  }
  report("add 100 MB", add, addPlain);
  for (int i = 0; i < 3; ++i) {
    sync();
    playPlain = std::min(playPlain, PlainCopySeconds((folder / "large.wav").string(), copy));
    sync();
    play = std::min(play, run({"play", kvf, "498"}));
    sync();
    all = std::min(all, run({"export-all", kvf}));
    sync();
    allPlain = std::min(allPlain, CopyExports(folder));
    list = std::min(list, run({"list", kvf}));
  }
  report("play 50 MB", play, playPlain);
  report("export-all", all, allPlain);
  std::printf("  %-12s kvp %8.1f ms  (goal: under 20 ms)\n", "list", list * 1000);
  std::printf("worst copy ratio %.2f (goal: at most 1.25)\n", worst);
  fs::remove_all(folder);
  return 0;
}

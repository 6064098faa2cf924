// kvp: the program's commands from a shell (the command handling lives in
// kvp_commands). This file gives it the host's side: where the program and
// Documents folders are by default, the standard streams, and on Linux the
// default sound output with a progress line and Ctrl-C.
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "app/kvp_commands.h"
#ifndef _WIN32
#include <unistd.h>

#include "platform/linux_sound.h"
#endif

namespace {

std::filesystem::path SelfPath(const char* argv0) {
  std::error_code error;
#ifndef _WIN32
  std::filesystem::path self = std::filesystem::canonical("/proc/self/exe", error);
  if (!error) return self;
#endif
  return std::filesystem::absolute(argv0, error);
}

// The program folder when none is given: the folder of this kvp file, as
// for a build or a copied installation, while it holds a writable
// Export/Conversions; otherwise (an installed kvp cannot write beside
// itself) the user's data folder for the program.
std::filesystem::path ProgramFolderDefault(const char* argv0) {
  const std::filesystem::path beside = SelfPath(argv0).parent_path();
#ifdef _WIN32
  return beside;
#else
  if (access((beside / "Export" / "Conversions").c_str(), W_OK) == 0) return beside;
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data != nullptr && *data == '/') return std::filesystem::path(data) / "korvel-player";
  const char* home = std::getenv("HOME");
  const std::filesystem::path homeFolder = home != nullptr ? home : ".";
  return homeFolder / ".local" / "share" / "korvel-player";
#endif
}

std::string DocumentsDefault() {
#ifdef _WIN32
  const char* home = std::getenv("USERPROFILE");
  return std::string(home != nullptr ? home : ".") + "\\Documents";
#else
  if (const char* xdg = std::getenv("XDG_DOCUMENTS_DIR")) return xdg;
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr ? home : ".") + "/Documents";
#endif
}

#ifndef _WIN32
volatile std::sig_atomic_t interruptRequested = 0;
std::string playingName;

std::string ClockText(double seconds) {
  const long whole = static_cast<long>(seconds);
  const long minutes = whole / 60;
  const long rest = whole % 60;
  return std::to_string(minutes) + ":" + (rest < 10 ? "0" : "") + std::to_string(rest);
}

void ShowProgress(double elapsed, double total) {
  std::cerr << "\r\033[K" << playingName << "  " << ClockText(elapsed) << " / " << ClockText(total) << std::flush;
}

// Plays the wave on the default sound output and returns when it has
// finished. Ctrl-C stops it and ends kvp with 130.
void PlayOnDefaultOutput(const std::string& wavePath, const std::string& name) {
  playingName = name;
  struct sigaction interrupt = {};
  struct sigaction previous = {};
  interrupt.sa_handler = [](int) { interruptRequested = 1; };
  sigaction(SIGINT, &interrupt, &previous);  // no SA_RESTART: a blocked write returns at once
  const bool terminal = isatty(STDERR_FILENO) != 0;
  const SoundPlayback playback = LinuxPlayWaveFile(wavePath, interruptRequested, terminal ? ShowProgress : nullptr);
  sigaction(SIGINT, &previous, nullptr);
  if (terminal) std::cerr << "\r\033[K" << std::flush;
  if (playback.interrupted) std::exit(130);
  if (!playback.error.empty()) std::cerr << "kvp: cannot play " << name << ": " << playback.error << "\n";
}
#endif

}  // namespace

int main(int argc, char** argv) {
  KvpHost host;
  host.programFolderDefault = ProgramFolderDefault(argv[0]).string();
  host.documentsDefault = DocumentsDefault();
#ifndef _WIN32
  host.playWave = PlayOnDefaultOutput;  // the Windows build of kvp prepares waves only; the program plays them
#endif
  host.out = &std::cout;
  host.err = &std::cerr;
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  return RunKvp(arguments, host);
}

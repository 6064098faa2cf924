// The sound role on Linux, for the command-line front-end: a wave file is
// read with libsndfile and played on ALSA's default output (the way into
// PulseAudio and PipeWire on desktops too). Unlike the program's sound
// service it plays synchronously: the call returns once the sound has
// finished, or at once when stop becomes nonzero.
#pragma once

#include <csignal>
#include <string>

struct SoundPlayback {
  std::string error;         // why nothing (or not all) could be played; empty when it played
  bool interrupted = false;  // stop ended it
};

// Called a few times a second while the sound plays.
using SoundProgress = void (*)(double elapsedSeconds, double totalSeconds);

SoundPlayback LinuxPlayWaveFile(const std::string& path, const volatile std::sig_atomic_t& stop,
                                SoundProgress progress);

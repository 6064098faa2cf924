#!/usr/bin/env bash
# What the real program handed to Wine's sound service, as ALSA's file device received it: the driver kept
# three plays (a stored PCM wave, a G.711 and a float conversion) with the waves played, in FOLDER.
source "$(dirname "$0")/../sound_capture.sh"
for p in stored g711 float; do
  captured_matches "$1/$p.captured.wav" "$1/$p.played.wav" 2>/dev/null || { echo "FAILED $p: $mismatch" && exit 1; }
done
echo "Windows sound: 3 passed"

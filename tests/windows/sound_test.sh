#!/usr/bin/env bash
# What the real program handed to Wine's sound service, as ALSA's file device
# received it: the driver kept three plays (a stored PCM wave, a G.711 and a
# float conversion) with the waves played, in FOLDER.
set -uo pipefail
folder=$1
source "$(dirname "$0")/../sound_capture.sh"
passed=0 failed=0
for play in stored g711 float; do
  if captured_matches "$folder/$play.captured.wav" "$folder/$play.played.wav" 2>/dev/null; then
    passed=$((passed + 1))
  else
    echo "FAILED $play: $mismatch"
    failed=$((failed + 1))
  fi
done
echo "Windows sound: $passed passed, $failed failed"
[ "$failed" = 0 ]

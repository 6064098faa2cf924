#!/usr/bin/env bash
# What a listener hears from kvp: ALSA's default device is sent into a file ("file"
# over "null", by an .asoundrc in a home made for the test), and each wave family
# the program hands to its sound service is played through kvp and compared.
set -euo pipefail
kvp=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
type -P sox soxi sndfile-convert >/dev/null || { echo "kvp sound: skipped, sox, soxi or sndfile-convert is missing"; exit 77; }
mkdir -p "$work/home" "$work/program/Export/Conversions" "$work/docs"
capture=$work/home/captured.wav
source "$(dirname "$0")/sound_capture.sh"
printf 'pcm.!default { type file; slave.pcm "null"; file "%s"; format "wav" }\n' "$capture" >"$work/home/.asoundrc"
kvp_run() { HOME=$work/home "$kvp" --program-dir "$work/program" --documents-dir "$work/docs" "$@"; }
tone() { sox -n "$@" synth 0.3 sine 300 sine 1210 vol 0.8; }

# Two families need more than sox: the float path wants an AU header without
# sox's text (which the converter reads as samples), IMA ADPCM 512-byte blocks.
printf '.snd\x00\x00\x00\x18\xff\xff\xff\xff\x00\x00\x00\x06\x00\x00\xac\x44\x00\x00\x00\x01' >"$work/float.au"
tone -r 44100 -c 1 -t raw -e floating-point -b 32 -B - >>"$work/float.au"
tone -r 22050 -c 1 -e signed -b 16 "$work/ima-source.wav"
sndfile-convert -ima-adpcm "$work/ima-source.wav" "$work/ima.wav"
# A stored IMA ADPCM entry is decoded before it is played: one 2056-byte block a channel pair.
printf 'RIFF\x3c\x08\x00\x00WAVEfmt \x14\x00\x00\x00\x11\x00\x02\x00\x22\x56\x00\x00\x00\x00\x00\x00\x08\x08\x04\x00\x02\x00\xf9\x07data\x08\x08\x00\x00' >"$work/stored-ima.wav"
tail -c 2056 "$work/ima-source.wav" >>"$work/stored-ima.wav"
kvp_run new Box >/dev/null
kvp_run add "$work/program/Box.kvf" "$work/stored-ima.wav" >/dev/null

fail() { echo "FAILED $*" && exit 1; }
while IFS="|" read -r family command sox; do
  # shellcheck disable=SC2086  # the words of a row are split on purpose
  [ -z "$sox" ] || tone $sox "${command#open }"
  rm -f "$capture"
  # shellcheck disable=SC2086
  state=$(kvp_run --state $command) || fail "$family: kvp failed"
  # The wave handed over: the external one when there is one (--state prints it after the stored one).
  played=$(sed -n 's/^\(playWavPath\|externalWavPath\)=\(.\+\)/\2/p' <<<"$state" | tail -1)
  captured_matches "$capture" "$played" || fail "$family: $mismatch"
done <<ROWS
pcm-8|open $work/pcm8.wav|-r 8000 -c 1 -e unsigned -b 8
pcm-16|open $work/pcm16.wav|-r 22050 -c 2 -e signed -b 16
pcm-24|open $work/pcm24.wav|-r 44100 -c 1 -e signed -b 24
pcm-32|open $work/pcm32.wav|-r 48000 -c 2 -e signed -b 32
mu-law|open $work/mulaw.au|-r 8000 -c 1 -e u-law
a-law|open $work/alaw.au|-r 8000 -c 2 -e a-law
float|open $work/float.au
ima-adpcm|open $work/ima.wav
decoded-ima|play $work/program/Box.kvf 1
ROWS

# --no-sound prepares the wave and plays nothing.
rm -f "$capture"
kvp_run --no-sound open "$work/pcm16.wav" >/dev/null
[ ! -e "$capture" ] || fail "--no-sound played"
echo "kvp sound: 10 passed"

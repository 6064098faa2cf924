#!/usr/bin/env bash
# kvp from the shell: a container made, filled, listed, played, exported and
# shared, and an external file played and exported, checking what kvp prints,
# its exit status and the files it leaves.
set -euo pipefail
kvp=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/program/Export/Conversions" "$work/docs"
run() { "$kvp" --no-sound --program-dir "$work/program" --documents-dir "$work/docs" "$@"; }
fail() { echo "FAILED: $*" >&2; exit 1; }
expect_line() { grep -qxF -- "$2" <<<"$1" || fail "expected the line '$2' in: $1"; }

# A wave and an AU file to store, made here by hand (16-bit stereo PCM, 8-bit mu-law).
printf 'RIFF\x2c\x00\x01\x00WAVEfmt \x10\x00\x00\x00\x01\x00\x02\x00\x44\xac\x00\x00\x10\xb1\x02\x00\x04\x00\x10\x00data\x00\x00\x01\x00' >"$work/one.wav"
head -c 65536 /dev/zero >>"$work/one.wav"
printf '.snd\x00\x00\x00\x18\xff\xff\xff\xff\x00\x00\x00\x01\x00\x00\x1f\x40\x00\x00\x00\x01' >"$work/two.au"
head -c 99976 /dev/zero >>"$work/two.au"

out=$(run new Box) || fail "new"
expect_line "$out" "New KorvelFile ( Box.kvf ) has been exported to this program's directory . . ."
[ "$(stat -c %s "$work/program/Box.kvf")" = 8016 ] || fail "new container size"
if run new Box >/dev/null; then fail "a second new Box must be refused"; fi

out=$(run add "$work/program/Box.kvf" "$work/one.wav" "$work/two.au") || fail "add"
expect_line "$out" "The wav file labeled ' two.au ' has been added to slected kvf file . . "

out=$(run list "$work/program/Box.kvf") || fail "list"
[ "$out" = "$(printf ' "one.wav"\n "two.au"\nThere are 0 to 2 valid entries within .kvf file')" ] || fail "list printed: $out"

out=$(run --state play "$work/program/Box.kvf" 2) || fail "play"
expect_line "$out" 'Now playing stored  "two.au" Duration: 12.5'
expect_line "$out" "durationMs=12000"
expect_line "$out" "isAu=1"

out=$(run --pcm export "$work/program/Box.kvf" 2) || fail "export"
expect_line "$out" "Completed. Wav file exported to program's directory (Export Folder)"
cmp -s "$work/program/Export/KVFS_Wav1.wav" "$work/program/Export/Conversions/decoded.wav" || fail "exported wave"

run --documents export-all "$work/program/Box.kvf" >/dev/null || fail "export-all"
cmp -s "$work/docs/KVP_Wavs/KVFM_Wav2.au" "$work/two.au" || fail "export-all copy"

out=$(run share "$work/program/Box.kvf") || fail "share"
expect_line "$out" "Currently loaded kvf/dat files exported to Documents/Export_Kvf Folder"
cmp -s "$work/docs/Export_KVF/Box.kvf" "$work/program/Box.kvf" || fail "shared container"

out=$(run open "$work/two.au" --export) || fail "open --export"
expect_line "$out" "External wav file saved to Documents\\KVP_Wavs (Exported as PCM)"
[ -s "$work/docs/KVP_Wavs/ext_wav1.wav" ] || fail "external export"

if run open "$work/two.unknown" 2>/dev/null; then fail "an unknown extension must be refused"; fi
if out=$(run list "$work/program/Missing.kvf" 2>"$work/err"); then fail "a missing container must fail"; fi
expect_line "$out" "Operation aborted . . ."
grep -qF "Could not find, or open selected file. .." "$work/err" || fail "message box on standard error"
"$kvp" --help | grep -q "export-all CONTAINER" || fail "help"

# Usage mistakes: one line naming the mistake, the hint, status 2, nothing done.
while IFS='|' read -r words expected; do
  status=0
  # shellcheck disable=SC2086  # the words of a row are split on purpose
  run $words >"$work/out" 2>"$work/err" || status=$?
  [ "$status" = 2 ] || fail "kvp $words: status $status, expected 2"
  grep -qF -- "kvp: $expected" "$work/err" || fail "kvp $words said: $(cat "$work/err")"
done <<ROWS
bogus|unknown command 'bogus'
play $work/program/Box.kvf abc|'abc' is not an entry number
play $work/program/Box.kvf -1|'-1' is not an entry number
play $work/program/Box.kvf 99999999999999999999|'99999999999999999999' is not an entry number
play $work/program/Box.kvf 3|entry 3 is beyond the 2 entries
list|wrong arguments for list
--frob list $work/program/Box.kvf|unknown option '--frob'
ROWS
for option in --program-dir --documents-dir; do
  status=0
  "$kvp" "$option" '' list "$work/program/Box.kvf" 2>"$work/err" || status=$?
  [ "$status" = 2 ] && grep -qF "kvp: $option needs a folder" "$work/err" || fail "$option ''"
done

# Refusals stop at the first refused step and say what was refused.
out=$(run play "$work/program/Missing.kvf" 1 2>/dev/null) && fail "play from a missing container"
[ "$out" = "Operation aborted . . ." ] || fail "play went on after the failed load: $out"
if run list "$work" >/dev/null 2>&1; then fail "a folder loaded as a container"; fi
status=0
run open "$work" 2>"$work/err" || status=$?
[ "$status" = 1 ] && grep -qF "kvp: refused: Play_Wav of $work" "$work/err" || fail "open of a folder"
echo "kvp end-to-end: 1 passed, 0 failed"

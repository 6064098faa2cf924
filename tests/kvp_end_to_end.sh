#!/usr/bin/env bash
# kvp from the shell, as a user types it: what it prints, its exit status and
# the files it leaves, for every command, usage mistakes and refusals.
set -euo pipefail
kvp=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/program/Export/Conversions" "$work/docs"
box=$work/program/Box.kvf
run() { "$kvp" --no-sound --program-dir "$work/program" --documents-dir "$work/docs" "$@"; }
fail() { echo "FAILED: $*" >&2; exit 1; }
# expect STATUS LINE ARGS...: kvp ARGS ends with STATUS, LINE among what it printed on either stream.
expect() {
  local status=$1 line=$2 got=0
  shift 2
  out=$(run "$@" 2>&1) || got=$?
  [ "$got" = "$status" ] && grep -qF -- "$line" <<<"$out" || fail "kvp $*: status $got (not $status) and: $out"
}

# A 16-bit stereo wave and an 8-bit mu-law AU file, made by hand.
printf 'RIFF\x2c\x00\x01\x00WAVEfmt \x10\x00\x00\x00\x01\x00\x02\x00\x44\xac\x00\x00\x10\xb1\x02\x00\x04\x00\x10\x00data\x00\x00\x01\x00' >"$work/one.wav"
head -c 65536 /dev/zero >>"$work/one.wav"
printf '.snd\x00\x00\x00\x18\xff\xff\xff\xff\x00\x00\x00\x01\x00\x00\x1f\x40\x00\x00\x00\x01' >"$work/two.au"
head -c 99976 /dev/zero >>"$work/two.au"

expect 0 "New KorvelFile ( Box.kvf ) has been exported to this program's directory . . ." new Box
[ "$(stat -c %s "$box")" = 8016 ] || fail "new container size"
expect 1 "Export error - kvf filename already exists. . ." new Box
expect 0 "The wav file labeled ' two.au ' has been added to slected kvf file . . " add "$box" "$work/one.wav" "$work/two.au"
[ "$(run list "$box")" = "$(printf ' "one.wav"\n "two.au"\nThere are 0 to 2 valid entries within .kvf file')" ] || fail "list"
expect 0 'Now playing stored  "two.au" Duration: 12.5' --state play "$box" 2
grep -qx "durationMs=12000" <<<"$out" && grep -qx "isAu=1" <<<"$out" || fail "--state: $out"
expect 0 "Completed. Wav file exported to program's directory (Export Folder)" --pcm export "$box" 2
cmp -s "$work/program/Export/KVFS_Wav1.wav" "$work/program/Export/Conversions/decoded.wav" || fail "exported wave"
expect 0 "Completed. All wav files exported to Documents\\KVP_Wavs" --documents export-all "$box"
cmp -s "$work/docs/KVP_Wavs/KVFM_Wav2.au" "$work/two.au" || fail "export-all copy"
expect 0 "Currently loaded kvf/dat files exported to Documents/Export_Kvf Folder" share "$box"
cmp -s "$work/docs/Export_KVF/Box.kvf" "$box" || fail "shared container"
expect 0 "External wav file saved to Documents\\KVP_Wavs (Exported as PCM)" open "$work/two.au" --export
[ -s "$work/docs/KVP_Wavs/ext_wav1.wav" ] || fail "external export"
"$kvp" --help | grep -q "export-all CONTAINER" || fail "help"

# Usage mistakes: one line naming the mistake, the hint, status 2. Refusals:
# the first refused step ends the command, and what was refused is named.
while IFS='|' read -r status line words; do
  # shellcheck disable=SC2086  # the words of a row are split on purpose
  expect "$status" "$line" $words
done <<ROWS
2|kvp: unknown command 'bogus'|bogus
2|kvp: 'abc' is not an entry number|play $box abc
2|kvp: '-1' is not an entry number|play $box -1
2|kvp: '99999999999999999999' is not an entry number|play $box 99999999999999999999
2|kvp: entry 3 is beyond the 2 entries|play $box 3
2|kvp: wrong arguments for list|list
2|kvp: unknown option '--frob'|--frob list $box
1|Could not find, or open selected file. ..|list $work/program/Missing.kvf
1|Could not find, or open selected file. ..|list $work
1|kvp: refused: Play_Wav of $work|open $work
1|kvp: refused: Play_Wav of $work/two.unknown|open $work/two.unknown
ROWS
[ "$(run play "$work/program/Missing.kvf" 1 2>/dev/null)" = "Operation aborted . . ." ] || fail "play went on after a failed load"
for option in --program-dir --documents-dir; do
  "$kvp" "$option" '' list "$box" 2>"$work/err" && fail "$option ''"
  grep -qF "kvp: $option needs a folder" "$work/err" || fail "$option '' said: $(cat "$work/err")"
done
echo "kvp end-to-end: 1 passed, 0 failed"

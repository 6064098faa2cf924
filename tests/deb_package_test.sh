#!/usr/bin/env bash
# The Debian package of kvp, built with cpack from the build folder given: its
# files and dependencies, and a kvp unpacked from it that keeps its program
# folder in the user's XDG data folder.
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -B "$work/out" >/dev/null
deb=$(echo "$work"/out/korvel-player_*_amd64.deb)
contents=$(dpkg-deb --contents "$deb" | awk '{print $NF}')
for path in ./usr/bin/kvp ./usr/share/man/man1/kvp.1.gz ./usr/share/doc/korvel-player/kvp.1 \
  ./usr/share/bash-completion/completions/kvp; do
  grep -qxF "$path" <<<"$contents" || fail "the package lacks $path"
done
depends=$(dpkg-deb -f "$deb" Depends)
for library in libasound2 libsndfile1; do grep -q "$library" <<<"$depends" || fail "no dependency on $library"; done

dpkg-deb -x "$deb" "$work/root"
man -l "$work/root/usr/share/man/man1/kvp.1.gz" 2>/dev/null | grep -q "korvel-player" || fail "the manual page"
mkdir -p "$work/home"
kvp() { HOME=$work/home XDG_DATA_HOME=$work/data "$work/root/usr/bin/kvp" --no-sound "$@"; }
kvp --help | grep -qF "This kvp's program folder: $work/data/korvel-player" || fail "--help does not say where"
kvp new Box >/dev/null || fail "new"
data=$work/data/korvel-player
[ -d "$data/Export/Conversions" ] && [ "$(stat -c %s "$data/Box.kvf")" = 8016 ] || fail "new did not make $data"
printf 'RIFF\x2c\x00\x00\x00WAVEfmt \x10\x00\x00\x00\x01\x00\x01\x00\x40\x1f\x00\x00\x80\x3e\x00\x00\x02\x00\x10\x00data\x08\x00\x00\x00\x01\x02\x03\x04\x05\x06\x07\x08' >"$work/a.wav"
kvp add "$data/Box.kvf" "$work/a.wav" >/dev/null || fail "add"
[ "$(kvp list "$data/Box.kvf")" = "$(printf ' "a.wav"\nThere are 0 to 1 valid entries within .kvf file')" ] || fail "list"
[ -e "$work/root/usr/bin/Export" ] && fail "kvp wrote beside itself"
kvp --version | grep -qx "kvp (Korvel Player) [0-9.]*" || fail "--version"

# The completion offers the commands, containers where one is asked for, and sound files after it for add.
completions() {
  (cd "$work" && source "$work/root/usr/share/bash-completion/completions/kvp" && COMP_WORDS=("$@") &&
    COMP_CWORD=$(($# - 1)) && _kvp && printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' ')
}
cp "$data/Box.kvf" "$work/Box.kvf"
[ "$(completions kvp ex)" = "export export-all " ] || fail "completion of commands: $(completions kvp ex)"
[ "$(completions kvp check B)" = "Box.kvf " ] || fail "completion of a container: $(completions kvp check B)"
[ "$(completions kvp add Box.kvf a)" = "a.wav " ] || fail "completion of a sound file: $(completions kvp add Box.kvf a)"
echo "deb package: 1 passed, 0 failed"

#!/usr/bin/env bash
# Korvel_Player-setup.exe under Wine: a silent install into a scratch folder,
# the installed program started and closed, a container and exports made in
# the installed folder (by the Windows kvp.exe), an upgrade install over it and
# an uninstall. After each step the files are checked: the user's files stay
# byte for byte, the program's own files are there, then gone.
#   setup_test.sh SETUP.exe KVP.exe SNAPSHOT.exe
set -euo pipefail
setup=$1 kvp=$2 snapshot=$3
: "${WINEPREFIX:?the test command runs this with its Wine profile}"
target='C:\korvel-setup-test\Korvel_Player'
dir=$WINEPREFIX/drive_c/korvel-setup-test/Korvel_Player
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Korvel_Player'
shortcut="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Korvel Player.lnk"
program_files=(Korvel_Player.exe Korvel_Player-help.chm Uninstall.exe)
passed=0 failed=0
check() {  # check WHAT COMMAND...
  local what=$1; shift
  if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $what"; fi
}
user_files() { (cd "$dir" && find . -type f ! -name Korvel_Player.exe ! -name Korvel_Player-help.chm ! -name Uninstall.exe -exec sha256sum {} + | sort); }
all_there() { for f in "${program_files[@]}"; do [ -f "$dir/$f" ] || return 1; done; }
none_there() { for f in "${program_files[@]}"; do [ ! -e "$dir/$f" ] || return 1; done; }
registered() { wine reg query "$key" /v DisplayVersion 2>/dev/null | grep -q 'REG_SZ'; }
uninstall() { wine "$target\\Uninstall.exe" /S; wineserver -w; }  # it reruns itself from a copy: wait for all
rm -rf "$WINEPREFIX/drive_c/korvel-setup-test"

wine "$setup" /S "/D=$target"; wineserver -w
check "install lays out the program" all_there
check "install makes Export\\Conversions" test -d "$dir/Export/Conversions"
check "install adds the Start-menu shortcut" test -f "$shortcut"
check "install registers the uninstaller" registered
check "the installed program starts and closes" wine "$snapshot" 'C:\korvel-setup-test\shot.bmp' "$target\\Korvel_Player.exe"

# The user's files: two containers (one without its name list, so its names
# go to CrcLog.dat), exports, and a file of their own.
printf 'RIFF\x2c\x00\x00\x00WAVEfmt \x10\x00\x00\x00\x01\x00\x01\x00\x40\x1f\x00\x00\x80\x3e\x00\x00\x02\x00\x10\x00data\x08\x00\x00\x00\x01\x02\x03\x04\x05\x06\x07\x08' >"$dir/../a.wav"
user() { wine "$kvp" --no-sound --program-dir "$target" --documents-dir 'C:\korvel-setup-test\Documents' "$@" >/dev/null; }
user new Box && user add "$target\\Box.kvf" 'C:\korvel-setup-test\a.wav' && user export "$target\\Box.kvf" 1
user new Loose && rm "$dir/Loose.dat" && user add "$target\\Loose.kvf" 'C:\korvel-setup-test\a.wav'
user export-all "$target\\Box.kvf"
echo "mine" >"$dir/Export/Conversions/notes.txt"
before=$(user_files)
check "the user's files were made" test "$(wc -l <<<"$before")" -eq 8

printf 'x' >>"$dir/Korvel_Player.exe"  # an older program file, to be replaced
wine "$setup" /S "/D=$target"; wineserver -w
check "an upgrade replaces the program" cmp -s "$dir/Korvel_Player.exe" "$(dirname "$setup")/setup-staging/Korvel_Player.exe"
check "an upgrade keeps every user file" test "$(user_files)" = "$before"

uninstall
check "the uninstaller removes the program's files" none_there
check "the uninstaller removes the shortcut" test ! -e "$shortcut"
check "the uninstaller removes the uninstall key" bash -c "! wine reg query '$key' >/dev/null 2>&1"
check "the uninstaller keeps every user file" test "$(user_files)" = "$before"

# With nothing of the user's inside, no folder is left behind.
rm -rf "$WINEPREFIX/drive_c/korvel-setup-test"
wine "$setup" /S "/D=$target"; wineserver -w
uninstall
check "the uninstaller removes the folders it leaves empty" test ! -e "$dir"
rm -rf "$WINEPREFIX/drive_c/korvel-setup-test"
echo "setup: $passed passed, $failed failed"
[ "$failed" = 0 ]

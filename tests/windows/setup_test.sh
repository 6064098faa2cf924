#!/usr/bin/env bash
# setup_test.sh SETUP.exe KVP.exe SNAPSHOT.exe: under Wine, a silent install into a scratch folder, the program
# started and closed, the user's files made there by kvp.exe, an upgrade and an uninstall around them.
set -euo pipefail
setup=$1 kvp=$2 snapshot=$3 top=$WINEPREFIX/drive_c/korvel-setup-test  # WINEPREFIX: the test command's
dir=$top/Korvel_Player c='C:\korvel-setup-test' target='C:\korvel-setup-test\Korvel_Player'
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Korvel_Player'
shortcut="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Korvel Player.lnk"
ours=(Korvel_Player.exe Korvel_Player-help.chm Uninstall.exe) failed=0
check() { "${@:2}" || { failed=$((failed + 1)) && echo "FAILED: $1"; }; }  # WHAT COMMAND...
user_files() { (cd "$dir" && find . -type f $(printf '! -name %s ' "${ours[@]}") -exec sha256sum {} + | sort); }
ours_there() { [ "$(cd "$dir" 2>/dev/null && ls "${ours[@]}" 2>/dev/null | wc -l)" = "$1" ]; }
install() { wine "$setup" /S "/D=$target" && wineserver -w; }
uninstall() { wine "$target\\Uninstall.exe" /S && wineserver -w; }  # it reruns itself from a copy: wait for all
user() { wine "$kvp" --no-sound --program-dir "$target" --documents-dir "$c\\Documents" "$@" >/dev/null; }
rm -rf "$top" && install
check "install lays out the program" ours_there 3
check "install makes Export\\Conversions" test -d "$dir/Export/Conversions"
check "install adds the Start-menu shortcut" test -f "$shortcut"
check "install registers the uninstaller" wine reg query "$key" /v UninstallString
check "the installed program starts and closes" wine "$snapshot" "$c\\shot.bmp" "$target\\Korvel_Player.exe"
# Two containers (one without its name list, so its names go to CrcLog.dat), exports, a file of the user's own.
sox -n -r 8000 -b 16 "$top/a.wav" synth 0.001 sine 440
user new Box && user add "$target\\Box.kvf" "$c\\a.wav" && user export "$target\\Box.kvf" 1
user new Loose && rm "$dir/Loose.dat" && user add "$target\\Loose.kvf" "$c\\a.wav" && user export-all "$target\\Box.kvf"
echo "mine" >"$dir/Export/Conversions/notes.txt"
before=$(user_files)
check "the user's files were made" test "$(wc -l <<<"$before")" -eq 8
printf 'x' >>"$dir/Korvel_Player.exe" && install  # over an older program file
check "an upgrade replaces the program" cmp -s "$dir/Korvel_Player.exe" "${setup%/*}/setup-staging/Korvel_Player.exe"
check "an upgrade keeps every user file" test "$(user_files)" = "$before"
uninstall
check "the uninstaller removes the program's files" ours_there 0
check "the uninstaller removes the shortcut" test ! -e "$shortcut"
check "the uninstaller removes the uninstall key" bash -c "! wine reg query '$key' >/dev/null 2>&1"
check "the uninstaller keeps every user file" test "$(user_files)" = "$before"
rm -rf "$top" && install && uninstall  # with nothing of the user's inside, no folder is left behind
check "the uninstaller removes the folders it leaves empty" test ! -e "$dir"
rm -rf "$top" && echo "setup: $failed failed" && [ "$failed" = 0 ]

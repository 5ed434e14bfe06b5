#!/usr/bin/env bash
# The Windows installer under wine: a silent install into Program Files,
# the installed qkcli.exe runs and its folder is on the user's PATH; the
# silent uninstall leaves no file, no registry entry and no PATH entry.
# Usage: wine-install.sh WINDOWS_BUILD_DIR
set -euo pipefail
win=$(realpath "$1")
here=$(dirname "$(realpath "$0")")
source "$here/../../scripts/wine-env.sh" "$win"
setup=$(ls "$win"/package/qk-jtag-*-setup.exe)
qk_wine_start

fail() { echo "FAIL: $*" >&2; exit 1; }
pass() { echo "ok: $*"; }
out=$(mktemp)
trap 'rm -f "$out"' EXIT
# wine ARGS...: its output in $out (a file, never a pipe), its status returned.
run() { timeout 120 wine "$@" </dev/null >"$out" 2>&1; }

programs=$(winepath -u 'C:\Program Files' 2>/dev/null)
folder="$programs/QK-JTAG"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\QK-JTAG'
user_path() { run reg query 'HKCU\Environment' /v Path || true; tr -d '\r' <"$out" | grep -i 'REG_.*SZ' || true; }

[ ! -e "$folder" ] || fail "$folder is there before the installation"
path_before=$(user_path)

run "$setup" /S || fail "the installer ended with $?: $(cat "$out")"
for file in qkcli.exe qkerr32.dll qkdb32.dll qkcom32.dll qkboot32.dll manual.html README-Windows.txt uninstall.exe; do
  [ -f "$folder/$file" ] || fail "$file was not installed"
done
pass "installed into $folder"

run 'C:\Program Files\QK-JTAG\qkcli.exe' devices PCD807 || fail "the installed qkcli.exe: $(cat "$out")"
grep -q PCD80710 "$out" || fail "the installed qkcli.exe listed no PCD80710: $(cat "$out")"
pass "the installed qkcli.exe lists the devices"

[[ $(user_path) == *'C:\Program Files\QK-JTAG'* ]] || fail "the folder is not on the user's PATH: $(user_path)"
pass "on the user's PATH"
run reg query "$uninstall_key" /v UninstallString || fail "no uninstaller registered"

run 'C:\Program Files\QK-JTAG\uninstall.exe' /S || fail "the uninstaller ended with $?"
# The uninstaller copies itself away and works from there: wait for it.
for _ in $(seq 100); do [ -e "$folder" ] || break; sleep 0.1; done
[ ! -e "$folder" ] || fail "left behind: $(ls -A "$folder")"
! run reg query "$uninstall_key" || fail "the uninstall entry is still registered"
[ "$(user_path)" == "$path_before" ] || fail "PATH was '$path_before', is '$(user_path)'"
pass "uninstalled, nothing left behind"

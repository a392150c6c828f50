#!/usr/bin/env bash
# End to end: the setup program and its uninstaller under Wine, in a fresh prefix of their own
# under the build folder (run inside scripts/with-xvfb, as the Win32 tests are).
#   installer_e2e.sh BUILD_DIR
# Installs silently into C:\Player, installs again over an older version and a settings file
# into the folder the player recorded, tries both programs while a player window is open, and
# uninstalls silently.
set -uo pipefail
build=$(cd "${1:?usage: installer_e2e.sh BUILD_DIR}" && pwd)
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
work=$build/e2e-installer
. "$root/tests/e2e/e2e_common.sh"

export WINEPREFIX=$work/prefix
host_pid=""
cleanup() {
  [ -z "$host_pid" ] || kill "$host_pid" 2>/dev/null
  wineserver -k >/dev/null 2>&1 || true
}
trap cleanup EXIT
wineserver -k >/dev/null 2>&1   # a server left from an interrupted run would keep the old prefix
rm -rf "$work" && mkdir -p "$work"

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
setup=$work/tidewell-$version-setup.exe
"$root/scripts/build-installer" "$build" "$setup" || { echo "FAIL build-installer"; exit 1; }
"$root/scripts/stage-release" "$build" "$work/release" || { echo "FAIL stage-release"; exit 1; }

run() { "$root/scripts/wine-run" "$@" </dev/null >>"$work/wine.log" 2>&1; }
# The new prefix, then one server for the whole run with Wine's own processes started now,
# their output going nowhere (as scripts/with-xvfb does for the shared prefix).
run rundll32.exe user32.dll,GetDesktopWindow
wineserver -w && wineserver -p && run rundll32.exe user32.dll,GetDesktopWindow

player=$WINEPREFIX/drive_c/Player
plugins=$player/Plugins
tools=$plugins/Tidewell
readonly entry='Software\Microsoft\Windows\CurrentVersion\Uninstall\Tidewell'
mkdir -p "$plugins"
echo "the player" > "$player/winamp.exe"
echo "another plug-in" > "$plugins/dsp_other.dll"

# installed_as_built: every file setup installs is byte for byte the release file.
installed_as_built() {
  cmp -s "$work/release/dsp_qxtidewell.dll" "$plugins/dsp_qxtidewell.dll" || return 1
  for f in tidewell-remote.exe tidewell-web.exe tidewell-host.exe user-guide.md web-panel-phone.png; do
    cmp -s "$work/release/$f" "$tools/$f" || return 1
  done
  [ -f "$tools/Uninstall.exe" ]
}
# entry ROOT: the uninstall entry's values under HKLM or HKCU (fails when there is none).
entry() {
  local values
  values=$("$root/scripts/wine-run" reg query "$1\\$entry" 2>/dev/null) || return 1
  tr -d '\r' <<<"$values"
}
files() { (cd "$player" && find . -type f | sort); }

# A fresh install: the files where they belong and the entry. Wine's user is an
# administrator, so the entry is the machine's (HKLM).
run "$setup" /S '/D=C:\Player'
check "silent install exits 0" $?
installed_as_built
check "installed files are the release files, in Plugins and Plugins\\Tidewell" $?
values=$(entry HKLM)
missing=""
for expected in "DisplayName    REG_SZ    Quorvex Tidewell" "DisplayVersion    REG_SZ    $version" \
    "Publisher    REG_SZ    Quorvex" 'UninstallString    REG_SZ    "C:\Player\Plugins\Tidewell\Uninstall.exe"' \
    'InstallLocation    REG_SZ    C:\Player\Plugins\Tidewell' "EstimatedSize    REG_DWORD    0x"; do
  grep -qF "$expected" <<<"$values" || missing+="[$expected] "
done
[ -z "$missing" ]
check "the uninstall entry is in HKLM with its six values" $? "missing: $missing"

# An upgrade over an older plug-in, in the folder the player's own installer recorded: the
# files are replaced, the settings file stays.
printf '[QXTidewell]\r\nMixInMode=2\r\n[QXTidewellStack]\r\nModuleCount=0\r\n' > "$plugins/QXWTidewell.ini"
cp "$plugins/QXWTidewell.ini" "$work/settings.ini"
echo "an older version" > "$plugins/dsp_qxtidewell.dll"
run reg add 'HKCU\Software\Winamp' /ve /d 'C:\Player' /f
run "$setup" /S
check "install over an older one, into the player's recorded folder, exits 0" $?
installed_as_built
check "install over an older one replaces its files" $?
cmp -s "$work/settings.ini" "$plugins/QXWTidewell.ini"
check "install over an older one keeps the settings file" $?

# The player running (the substitute host's main window, held open by a long pause): both
# programs refuse with exit code 2 and change nothing.
sox -n -r 44100 -c 2 -b 16 "$work/silence.wav" trim 0 1
"$root/scripts/wine-run" "$build/tidewell-host.exe" "$(win "$build/fixtures/dsp_halve.dll")" \
  "$(win "$work/silence.wav")" "$(win "$work/out.wav")" --fast --pause 0:600 </dev/null >"$work/host.log" 2>&1 &
host_pid=$!
for _ in $(seq 1 300); do
  grep -qs "host: main window" "$work/host.log" && break
  kill -0 "$host_pid" 2>/dev/null || break
  sleep 0.1
done
grep -q "host: main window" "$work/host.log" || { echo "FAIL player window: $(tail -3 "$work/host.log")"; exit 1; }
before=$(files; entry HKLM)
run "$setup" /S '/D=C:\Busy'
[ $? -eq 2 ]
check "with the player running, silent install exits 2" $?
[ ! -e "$WINEPREFIX/drive_c/Busy" ] && [ "$before" = "$(files; entry HKLM)" ]
check "with the player running, silent install changes nothing" $?
run "$tools/Uninstall.exe" /S '_?=C:\Player\Plugins\Tidewell'
[ $? -eq 2 ]
check "with the player running, silent uninstall exits 2" $?
[ "$before" = "$(files; entry HKLM)" ]
check "with the player running, silent uninstall changes nothing" $?
kill "$host_pid" && wait "$host_pid" 2>/dev/null
host_pid=""

# The silent uninstall: what setup installed and its entry go; the settings, the other
# plug-in and the player stay. Run in place (_?=), the uninstaller cannot delete itself.
run "$tools/Uninstall.exe" /S '_?=C:\Player\Plugins\Tidewell'
check "silent uninstall exits 0" $?
expected_left=$(printf '%s\n' ./Plugins/QXWTidewell.ini ./Plugins/Tidewell/Uninstall.exe ./Plugins/dsp_other.dll ./winamp.exe)
[ "$(files)" = "$expected_left" ]
check "silent uninstall leaves the settings, the other plug-in and the player" $? "$(files | tr '\n' ' ')"
cmp -s "$work/settings.ini" "$plugins/QXWTidewell.ini"
check "silent uninstall keeps the settings file as it was" $?
! entry HKLM >/dev/null && ! entry HKCU >/dev/null
check "silent uninstall removes the uninstall entry" $?

checks_passed

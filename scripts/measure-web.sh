#!/usr/bin/env bash
# measure-web.sh BUILD_DIR [N]: how long tidewell-web takes to answer, with the plug-in playing
# in tidewell-host (inside scripts/with-xvfb and scripts/pulse-session, as below). Times N
# GET /api/state (one GetState over the window-message link) and N POST /api/mode (SetMode
# then GetState), all to 127.0.0.1, and prints the median and the slowest of each.
#   scripts/with-xvfb scripts/pulse-session run --sink "m=Tidewell Measure Mic" \
#     --tone m=1000@0.25 -- scripts/measure-web.sh build/win32 50
set -uo pipefail
build=$(cd "${1:?usage: measure-web.sh BUILD_DIR [N]}" && pwd)
n=${2:-50}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
work=$build/measure-web
rm -rf "$work" && mkdir -p "$work/Plugins"
win() { echo "Z:${1//\//\\}"; }
cp "$build/dsp_qxtidewell.dll" "$work/Plugins/"
: > "$work/winamp.ini"
printf '[QXTidewell]\nInputDeviceName=Monitor of Tidewell Measure Mic\nWantActive=1\n' > "$work/Plugins/QXWTidewell.ini"
sox -n -r 44100 -c 2 -b 16 "$work/music.wav" synth 600 sine 330 vol 0.5
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
"$root/scripts/wine-run" "$build/tidewell-host.exe" "$(win "$work/Plugins/dsp_qxtidewell.dll")" "$(win "$work/music.wav")" \
  "$(win "$work/out.wav")" --plugin-dir "$(win "$work/Plugins")" --ini "$(win "$work/winamp.ini")" > "$work/host.log" 2>&1 &
host=$!
"$root/scripts/wine-run" "$build/tidewell-web.exe" --listen "127.0.0.1:$port" > "$work/web.log" 2>&1 &
web=$!
trap 'kill $host $web 2>/dev/null; wait $host $web 2>/dev/null' EXIT
for _ in $(seq 1 300); do grep -qs ' play: ' "$work/host.log" && grep -qs 'listening' "$work/web.log" && break; sleep 0.1; done
sleep 3
curl -s -o /dev/null "http://127.0.0.1:$port/api/state"  # the first request connects
summary() {  # summary NAME < times in seconds
  sort -n | awk -v name="$1" '{ t[NR] = $1 } END { printf "%-28s n=%d  median %.0f ms  slowest %.0f ms\n", name, NR, 1000 * t[int((NR + 1) / 2)], 1000 * t[NR] }'
}
for _ in $(seq 1 "$n"); do
  curl -s -o /dev/null -w '%{time_total}\n' "http://127.0.0.1:$port/api/state"
done | summary "GET /api/state"
modes=(auto manual)
for i in $(seq 1 "$n"); do
  curl -s -o /dev/null -w '%{time_total}\n' -X POST -d "{\"mode\":\"${modes[i % 2]}\"}" "http://127.0.0.1:$port/api/mode"
done | summary "POST /api/mode"

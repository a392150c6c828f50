#!/usr/bin/env bash
# End to end: the control words (SetMode, PTT, SetLevel, GetState) sent by tidewell-remote to
# the plug-in running in the substitute host with a real PulseAudio microphone, then the same
# through tidewell-web's HTTP API with curl: its answers, its refusals (400, 401, 413), 503
# once the plug-in is gone, and its reconnection when the plug-in comes back.
# Run inside scripts/pulse-session with a sink "control_mic" described "Tidewell Control Mic".
#   remote_control_e2e.sh BUILD_DIR
# Network: everything goes to 127.0.0.1 only.
set -uo pipefail
build=$(cd "${1:?usage: remote_control_e2e.sh BUILD_DIR}" && pwd)
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
work=$build/e2e-remote-control
rm -rf "$work" && mkdir -p "$work/Plugins"
. "$root/tests/e2e/e2e_common.sh"

require_audio_server

remote() { "$root/scripts/wine-run" "$build/tidewell-remote.exe" --timeout 20000 "$@" 2>&1 | tr -d '\r'; }
stat_of() { sed -n "s/^\t$1: //p" <<<"$2"; }
ini_of() { tr -d '\r' < "$work/Plugins/QXWTidewell.ini" | sed -n "s/^$1=//p"; }
# Asks for MixInStats until KEY shows VALUE (the mixer applies marks a few buffers later).
await_stat() {  # await_stat KEY VALUE -> the last report on stdout, status 0 when seen
  local report
  for _ in $(seq 1 30); do
    report=$(remote --expect 1 MixInStats)
    [ "$(stat_of "$1" "$report")" = "$2" ] && { echo "$report"; return 0; }
    sleep 0.3
  done
  echo "$report"
  return 1
}

cp "$build/dsp_qxtidewell.dll" "$work/Plugins/"
: > "$work/winamp.ini"
printf '[QXTidewell]\nInputDeviceName=Monitor of Tidewell Control Mic\nMixInMode=0\nWantActive=1\n' \
  > "$work/Plugins/QXWTidewell.ini"
sox -n -r 44100 -c 2 -b 16 "$work/music.wav" synth 120 sine 330 vol 0.5

host=""
start_host() {
  "$root/scripts/wine-run" "$build/tidewell-host.exe" "$(win "$work/Plugins/dsp_qxtidewell.dll")" \
    "$(win "$work/music.wav")" "$(win "$work/out.wav")" --plugin-dir "$(win "$work/Plugins")" \
    --ini "$(win "$work/winamp.ini")" > "$work/host-$1.log" 2>&1 &
  host=$!
  for _ in $(seq 1 300); do grep -qs ' play: ' "$work/host-$1.log" && break; sleep 0.1; done
}
web=""
web2=""
trap 'kill $host $web $web2 2>/dev/null; wait $host $web $web2 2>/dev/null' EXIT
start_host 1
sleep 3  # the capture device opens and records a few buffers

# --- The words over the window-message link.
state=$(remote --server-on --expect 1 GetState)
check "GetState answers one line of JSON" "$([[ $state == '{"mode":"off","ptt":"up",'*'}' && $(wc -l <<<"$state") -eq 1 ]]; echo $?)" "$state"
check "GetState shows capture, device and stream format" \
  "$([[ $state == *'"state":"DataReady"'* && $state == *'"device":"Monitor of Tidewell Control Mic"'* && $state == *'"rate":44100,"bits":16,"channels":2'* ]]; echo $?)" "$state"

reply=$(remote --expect 1 "SetMode Auto")
stats=$(remote --expect 1 MixInStats)
state=$(remote --expect 1 GetState)
check "SetMode Auto: OK, MSMode 2, the A button down, MixInMode=2 saved" \
  "$([ "$reply" = OK ] && [ "$(stat_of MSMode "$stats")" = 2 ] && [[ $state == '{"mode":"auto"'* ]] && [ "$(ini_of MixInMode)" = 2 ]; echo $?)" \
  "reply $reply, MSMode $(stat_of MSMode "$stats"), $state, MixInMode=$(ini_of MixInMode)"

# Each word's effect on every control and setting is the Win32 MixInFormControlWords test's;
# here one of each travels the link, and what only a running plug-in shows is checked.
reply=$(remote --expect 1 "SetLevel Auto 40")
stats=$(remote --expect 1 MixInStats)
check "SetLevel: OK, and MixState follows" \
  "$([ "$reply" = OK ] && [ "$(stat_of AutoMixInPercent "$stats")" = 0.4 ]; echo $?)" "reply $reply"

replies=$(remote --expect 2 "SetMode PTT" "PTT Down" | tr '\n' ' ')
state=$(remote --expect 1 GetState)
on=$(await_stat PTTOn true); seen=$?
rec=$(remote --expect 1 RecThreadStats)
check "PTT Down: the pad pressed, the mark reaches the mixer, the status line shows P.T.T." \
  "$([ "$replies" = "OK OK " ] && [[ $state == '{"mode":"ptt","ptt":"down"'* ]] && [ $seen -eq 0 ] && grep -q -- '---P.T.T.---' <<<"$rec"; echo $?)" \
  "replies $replies; $state; PTTOn $(stat_of PTTOn "$on"); $(sed -n 2p <<<"$rec")"
reply=$(remote --expect 1 "PTT Up")
off=$(await_stat PTTOn false); seen=$?
state=$(remote --expect 1 GetState)
check "PTT Up: the pad released and the mixer follows" \
  "$([ "$reply" = OK ] && [ $seen -eq 0 ] && [[ $state == *'"ptt":"up"'* ]]; echo $?)" "reply $reply; PTTOn $(stat_of PTTOn "$off"); $state"

bad=$(remote --expect 1 "SetLevel Auto 101")
stats=$(remote --expect 1 MixInStats)
check "a bad argument answers ERROR: over the link and changes nothing" \
  "$([[ $bad == 'ERROR: '* ]] && [ "$(stat_of AutoMixInPercent "$stats")" = 0.4 ]; echo $?)" "$bad"

# --- The bridge.
free_port() { python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }
start_web() {  # start_web LOG ARGS... -> PID in $!
  "$root/scripts/wine-run" "$build/tidewell-web.exe" "${@:2}" > "$work/$1" 2>&1 &
}
await_listening() { for _ in $(seq 1 200); do grep -qs 'listening on' "$work/$1" && return 0; sleep 0.1; done; return 1; }
port=$(free_port)
start_web web.log --listen "127.0.0.1:$port"
web=$!
await_listening web.log
base=http://127.0.0.1:$port
api() { curl -s -o "$work/body" -w '%{http_code}' --max-time 30 "$@"; }
body() { cat "$work/body"; }
json_post() { api -X POST -H 'Content-Type: application/json' --data-binary "$2" "$base$1"; }

code=$(json_post /api/mode '{"mode":"manual"}')
stats=$(remote --expect 1 MixInStats)
check "POST /api/mode answers the new state; MSMode follows" \
  "$([ "$code" = 200 ] && [[ $(body) == '{"mode":"manual"'* ]] && [ "$(stat_of MSMode "$stats")" = 1 ]; echo $?)" "$code $(body)"
code=$(json_post /api/level '{"mode":"manual","percent":80}')
stats=$(remote --expect 1 MixInStats)
check "POST /api/level sets the slider and MixState" \
  "$([ "$code" = 200 ] && [[ $(body) == *'"manual":80'* ]] && [ "$(stat_of ManualMixInPercent "$stats")" = 0.8 ]; echo $?)" "$code $(body)"
code1=$(json_post /api/ptt '{"down":true}'); body1=$(body)
code2=$(json_post /api/ptt '{"down":false}'); body2=$(body)
check "POST /api/ptt presses and releases the pad" \
  "$([ "$code1$code2" = 200200 ] && [[ $body1 == *'"ptt":"down"'* && $body2 == *'"ptt":"up"'* ]]; echo $?)" "$code1 $body1 / $code2 $body2"
code=$(api "$base/api/state")
check "GET /api/state" "$([ "$code" = 200 ] && [[ $(body) == '{"mode":"manual"'* ]]; echo $?)" "$code $(body)"
page=$(api "$base/")
check "GET / serves the panel" "$([ "$page" = 200 ] && grep -q 'id="ptt"' "$work/body"; echo $?)" "$page"

# Which bodies, hosts, origins and tokens are refused is the native WebApi tests'; here one
# of each kind shows the refusal reaches the client.
code=$(json_post /api/level '{"mode":"auto","percent":101}')
check "a bad value answers 400 with an error" "$([ "$code" = 400 ] && [[ $(body) == '{"error":'* ]]; echo $?)" "$code $(body)"
head -c 5000 /dev/zero | tr '\0' ' ' > "$work/big.json"
code=$(api -X POST -H 'Content-Type: application/json' --data-binary "@$work/big.json" "$base/api/mode")
check "a body over 4 KB answers 413" "$([ "$code" = 413 ]; echo $?)" "$code"
code=$(api -X POST -H 'Origin: http://evil.example' -H 'Content-Type: application/json' -d '{"mode":"off"}' "$base/api/mode")
check "a POST from another origin answers 403" "$([ "$code" = 403 ]; echo $?)" "$code"

# Whatever a client sends, the bridge and the plug-in behind it keep answering.
abuse=$(python3 "$root/tests/e2e/web_abuse.py" "$port" 2>&1)
code=$(api "$base/api/state")
check "after junk, oversized and broken requests the bridge still answers" \
  "$([ "$code" = 200 ] && kill -0 $web 2>/dev/null && [[ $abuse == 'upgraded True'* ]]; echo $?)" "$code; $abuse"

# Any address but loopback needs a token; with one the bridge listens on all addresses, and
# is reached here through 127.0.0.1 only.
"$root/scripts/wine-run" "$build/tidewell-web.exe" --listen "0.0.0.0:$port" > "$work/refused.log" 2>&1
status=$?
check "0.0.0.0 without --token is refused" "$([ $status -eq 2 ] && grep -q -- '--token' "$work/refused.log"; echo $?)" "exit $status: $(cat "$work/refused.log")"
port2=$(free_port)
start_web web2.log --listen "0.0.0.0:$port2" --token s3cret-token
web2=$!
await_listening web2.log
b2=http://127.0.0.1:$port2
c1=$(api "$b2/api/state")
c2=$(api -H 'Authorization: Bearer s3cret-token' "$b2/api/state")
check "with --token: 401 without it, 200 with it" "$([ "$c1 $c2" = "401 200" ]; echo $?)" "$c1 $c2"

# The plug-in goes away, then comes back.
kill $host 2>/dev/null; wait $host 2>/dev/null
for _ in $(seq 1 50); do
  "$root/scripts/wine-run" "$build/tidewell-remote.exe" --timeout 500 GetState >/dev/null 2>&1 || break
  sleep 0.2
done
code=$(api "$base/api/state")
check "the plug-in gone: 503 with a clear message" \
  "$([ "$code" = 503 ] && grep -q 'not running' "$work/body"; echo $?)" "$code $(body)"
code=$(json_post /api/mode '{"mode":"auto"}')
check "a POST with the plug-in gone: 503" "$([ "$code" = 503 ]; echo $?)" "$code $(body)"
start_host 2
code=$(api "$base/api/state")
check "the plug-in back: the bridge reconnects (and switches the server on)" \
  "$([ "$code" = 200 ] && [[ $(body) == '{"mode":"manual"'* ]]; echo $?)" "$code $(body)"

checks_passed

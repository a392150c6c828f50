#!/usr/bin/env bash
# End to end: push-to-talk from anywhere. The plug-in runs in the substitute host in PTT mode
# with PTTHotkey=F9 and a release tail, recording a real PulseAudio microphone (a 1 kHz
# tone) over a silent stream, so the output is the voice exactly while push-to-talk is on.
#  1. Another program holds F9 when the plug-in starts: GetState and the status line say
#     so, and the plug-in keeps running; once that program lets go, the plug-in has the key.
#  2. With Notepad (another Wine process) in the focus, xdotool presses F9: push-to-talk
#     goes down (GetState over the link) and the output switches to the voice; after the
#     key comes up the voice goes on for the tail, then stops.
# Run inside scripts/pulse-session with a sink "hotkey_mic" described "Tidewell Hotkey Mic"
# and a tone played into it, and under an X server (DISPLAY) for xdotool.
#   ptt_hotkey_e2e.sh BUILD_DIR
set -uo pipefail
build=$(cd "${1:?usage: ptt_hotkey_e2e.sh BUILD_DIR}" && pwd)
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
work=$build/e2e-ptt-hotkey
rm -rf "$work" && mkdir -p "$work/Plugins"
. "$root/tests/e2e/e2e_common.sh"

require_audio_server
command -v xdotool >/dev/null || { echo "FAIL setup: xdotool is not installed (scripts/bootstrap.sh)"; exit 1; }
[ -n "${DISPLAY:-}" ] || { echo "FAIL setup: no X display (run under scripts/with-xvfb)"; exit 1; }

readonly kKey=F9 kTail=1.5 kStreamSeconds=26
readonly kHeldSeconds=2
readonly kVoiceRms=0.06  # the tone's RMS at the PTT level 70 % is 0.124; silence is 0
readonly kInUse="hotkey $kKey is in use by another program"

remote() { "$root/scripts/wine-run" "$build/tidewell-remote.exe" --timeout 20000 "$@" 2>&1 | tr -d '\r'; }
now() { date +%s.%N; }
# await_state PATTERN [TRIES]: asks GetState until its reply matches PATTERN (a glob); the
# last reply on stdout, status 0 when it matched.
await_state() {
  local state
  for _ in $(seq 1 "${2:-30}"); do
    state=$(remote --expect 1 GetState)
    [[ $state == $1 ]] && { echo "$state"; return 0; }
    sleep 0.1
  done
  echo "$state"
  return 1
}

holder="" host="" notepad=""
trap 'kill $holder $host $notepad 2>/dev/null; wait $holder $host $notepad 2>/dev/null' EXIT

cp "$build/dsp_qxtidewell.dll" "$work/Plugins/"
: > "$work/winamp.ini"
printf '[QXTidewell]\nInputDeviceName=Monitor of Tidewell Hotkey Mic\nMixInMode=3\nWantActive=1\nLatencyMode=2\nLogTransition=0\nMixInFade=0.01\nMixOtFade=0.01\nPTTHotkey=%s\nPTTHotkeyMode=Hold\nPTTReleaseDelay=%s\n' \
  "$kKey" "$kTail" > "$work/Plugins/QXWTidewell.ini"
sox -n -r 44100 -c 2 -b 16 "$work/silence.wav" trim 0 $kStreamSeconds

# Notepad, another Wine process, starts first: its window is there when it is to have the
# focus, and the timed part of the run stays short.
"$root/scripts/wine-run" notepad.exe > /dev/null 2>&1 &
notepad=$!

# --- 1. The key is another program's.
"$root/scripts/wine-run" "$build/hotkey_holder.exe" "$kKey" "$(win "$work/let-go")" > "$work/holder.log" 2>&1 &
holder=$!
for _ in $(seq 1 200); do grep -qs "^holding" "$work/holder.log" && break; sleep 0.05; done
"$root/scripts/wine-run" "$build/tidewell-host.exe" "$(win "$work/Plugins/dsp_qxtidewell.dll")" \
  "$(win "$work/silence.wav")" "$(win "$work/out.wav")" --plugin-dir "$(win "$work/Plugins")" \
  --ini "$(win "$work/winamp.ini")" > "$work/host.log" 2>&1 &
host=$!
for _ in $(seq 1 300); do grep -qs ' play: ' "$work/host.log" && break; sleep 0.1; done

state=$(remote --toggle-server --expect 1 GetState)
status=$(remote --expect 1 RecThreadStats | sed -n 2p)
check "a key held by another program: GetState and the status line say so" \
  "$([[ $state == *"\"hotkey\":{\"key\":\"$kKey\",\"mode\":\"hold\",\"registered\":false,\"problem\":\"$kInUse\"}"* && \
        $status == *"$kInUse"* ]]; echo $?)" "$state / $status"
# The link's press below must sound at once: until the mixer mixes (the first recorded
# buffers take a second or two under Wine), its marks wait with the recording, and
# "pttLive":false later on would be read before the press has even begun.
await_state '*"delayMs":[1-9]*' > /dev/null ||
  echo "FAIL the mixer never started mixing: $(remote --expect 1 GetState)"
reply=$(remote --expect 1 "PTT Down")
remote --expect 1 "PTT Up" >/dev/null
check "the pad and the link still work" "$([ "$reply" = OK ] && kill -0 $host; echo $?)" "$reply"

touch "$work/let-go"
wait $holder; holder=""
state=$(await_state '*"registered":true,"problem":""}*'); seen=$?
check "once the other program lets go, the key is the plug-in's" $seen "$state"

# --- 2. The key pressed while another Wine process has the focus.
# Notepad's window takes a moment to appear; it has the focus once X says so.
focused=""
for _ in $(seq 1 100); do
  window=$(xdotool search --onlyvisible --name 'Notepad' 2>/dev/null | head -1)
  [ -n "$window" ] && xdotool windowfocus "$window" 2>/dev/null
  [[ $(xdotool getwindowfocus getwindowname 2>/dev/null) == *Notepad* ]] && break
  sleep 0.1
done
focused=$(xdotool getwindowfocus getwindowname 2>/dev/null)
check "Notepad has the focus" "$([[ $focused == *Notepad* ]]; echo $?)" "focus: $focused"

clock=$(sed -n 's/.*clock: stream second 0 is Unix time //p' "$work/host.log" | tr -d '\r' | head -1)
# The link's press above is over, tail and all, before the key goes down.
await_state '*"pttLive":false*' 60 >/dev/null
sleep 1.0
down=$(now)
xdotool keydown "$kKey"
state=$(await_state '*"ptt":"down","pttLive":true*'); seen=$?
check "$kKey down: push-to-talk down, and on in the mixer" $seen "$state"
sleep "$(awk -v d="$down" -v h=$kHeldSeconds -v n="$(now)" 'BEGIN { s = d + h - n; print (s > 0 ? s : 0) }')"
up=$(now)
xdotool keyup "$kKey"
state=$(await_state '*"ptt":"up","pttLive":false*' 60); seen=$?
off=$(now)
check "$kKey up: push-to-talk up once the tail is over ($(awk -v u="$up" -v o="$off" 'BEGIN { printf "%.2f", o - u }') s after)" \
  "$([ $seen -eq 0 ] && awk -v u="$up" -v o="$off" -v t=$kTail 'BEGIN { exit !(o - u >= t - 0.3) }'; echo $?)" "$state"

wait $host; status=$?; host=""
check "host exits 0" $status "$(tail -3 "$work/host.log")"
kill $notepad 2>/dev/null; wait $notepad 2>/dev/null; notepad=""

# The output, on the stream's time line.
stream() { awk -v t="$1" -v c="$clock" 'BEGIN { printf "%.3f", t - c }'; }
down=$(stream "$down") up=$(stream "$up")
echo "$kKey went down at stream second $down, up at $up"
awk -v u="$up" -v t=$kTail -v l=$kStreamSeconds 'BEGIN { exit !(u + t + 1.8 <= l) }' ||
  echo "FAIL timing: the run was too slow to see the end of the tail within the $kStreamSeconds s stream"
rms() {  # rms FROM TO (stream seconds): the output's RMS between them
  sox "$work/out.wav" -n trim "$1" "$(awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b - a }')" stat 2>&1 |
    awk '/RMS +amplitude/ {print $3}'
}
at() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a + b }'; }
# Wall time is placed on the stream by the host's real-time rule; a host that runs behind it
# on a busy machine puts every block later, so the silent stretch before the key is taken
# well inside the second of silence the script left.
before=$(rms "$(at "$down" -0.9)" "$(at "$down" -0.4)")
held=$(rms "$(at "$down" 0.3)" "$(at "$up" -0.1)")
tail=$(rms "$(at "$up" 0.2)" "$(at "$up" "$(at $kTail -0.2)")")
after=$(rms "$(at "$up" "$(at $kTail 0.8)")" "$(at "$up" "$(at $kTail 1.8)")")
# Where the voice begins and ends, to the sample: what the key's press and the tail cost in time
# (the key's way through X and Wine, the poll, and the microphone's own latency).
edges() {  # edges FROM TO (stream seconds): the first and last time the output is above 0.05
  sox "$work/out.wav" -t dat - trim "$1" "$(awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b - a }')" remix 1 |
    awk -v f="$1" '!/^;/ { x = $2 < 0 ? -$2 : $2; if (x > 0.05) { if (first == "") first = $1; last = $1 } }
                   END { printf "%.3f %.3f", f + first, f + last }'
}
read -r began ended <<<"$(edges "$(at "$down" -0.5)" "$(at "$up" "$(at $kTail 1.0)")")"
echo "measured: the voice began $(awk -v b="$began" -v d="$down" 'BEGIN { printf "%.0f", (b - d) * 1000 }') ms" \
  "after $kKey went down and ended $(awk -v e="$ended" -v u="$up" -v t=$kTail 'BEGIN { printf "%.0f", (e - u - t) * 1000 }') ms" \
  "after the $kTail s tail"
check "the output: silence, the voice while $kKey is held and through the tail, silence (RMS $before $held $tail $after)" \
  "$(awk -v b="${before:-1}" -v h="${held:-0}" -v t="${tail:-0}" -v a="${after:-1}" -v v=$kVoiceRms \
       'BEGIN { exit !(b < v && h > v && t > v && a < v) }'; echo $?)"

checks_passed

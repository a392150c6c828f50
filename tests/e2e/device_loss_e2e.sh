#!/usr/bin/env bash
# End to end: the microphone goes away in the middle of the stream and comes back. Run
# inside scripts/pulse-session (a private PulseAudio server); this script makes the null
# sink "loss_mic" (Wine's microphone "Monitor of Tidewell Loss Mic") and plays a 1 kHz tone
# into it, unloads the sink while the plug-in records from it, loads it again later, and
# checks in the output that the voice came back by itself.
#   device_loss_e2e.sh BUILD_DIR
#
# The stream is silence and the plug-in is in Auto mode at 100 % with the threshold at 0,
# so the output is the microphone where the voice is mixed in and silence elsewhere.
# Allowed for the voice to return: 3 s after the microphone's return plus the priming time,
# the priming time being what the same start took at the beginning of the stream (device
# start and the mixer's reserve of recorded buffers).
set -uo pipefail
build=$(cd "${1:?usage: device_loss_e2e.sh BUILD_DIR}" && pwd)
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
work=$build/e2e-device-loss
rm -rf "$work" && mkdir -p "$work/Plugins"
. "$root/tests/e2e/e2e_common.sh"

require_audio_server

readonly kSink=loss_mic kDescription="Tidewell Loss Mic"
readonly kStreamSeconds=30 kLoseAt=8 kReturnAt=15
readonly kWindow=0.25          # analysis window, seconds
readonly kVoiceRms=0.0884      # half the tone's RMS (0.25 / sqrt 2 / 2): voice present above
readonly kAllowance=3          # seconds after the return, plus the priming time


load_sink() {
  pactl load-module module-null-sink "sink_name=$kSink" \
    "sink_properties=\"device.description='$kDescription'\"" >/dev/null
}
sink_module() { pactl list short modules | awk -v s="sink_name=$kSink" '$2 == "module-null-sink" && index($0, s) {print $1}'; }
player=""
start_tone() {
  ( while paplay -d "$kSink" "$work/tone.wav" 2>/dev/null; do :; done ) &
  player=$!
}
stop_tone() {
  [ -n "$player" ] || return 0
  pkill -P "$player"; kill "$player" 2>/dev/null; wait "$player" 2>/dev/null
  player=""
}
host=""
cleanup() {
  stop_tone
  [ -z "$host" ] || { kill "$host" 2>/dev/null; wait "$host" 2>/dev/null; }
}
trap cleanup EXIT

sox -D -n -r 44100 -b 16 -c 2 -e signed-integer "$work/tone.wav" synth 10 sine 1000 vol 0.25
sox -n -r 44100 -c 2 -b 16 "$work/silence.wav" trim 0 $kStreamSeconds
cp "$build/dsp_qxtidewell.dll" "$work/Plugins/"
: > "$work/winamp.ini"
printf '[QXTidewell]\nInputDeviceName=Monitor of %s\nMixInMode=2\nWantActive=1\nAutoMixInThresh=0\nAutoMixInPercent=1\nLogTransition=0\nMixInFade=0.01\nAutoReleaseDelay=5\n' \
  "$kDescription" > "$work/Plugins/QXWTidewell.ini"
load_sink || { echo "FAIL setup: cannot load the null sink"; exit 1; }
start_tone

"$root/scripts/wine-run" "$build/tidewell-host.exe" "$(win "$work/Plugins/dsp_qxtidewell.dll")" \
  "$(win "$work/silence.wav")" "$(win "$work/out.wav")" --plugin-dir "$(win "$work/Plugins")" \
  --ini "$(win "$work/winamp.ini")" > "$work/host.log" 2>&1 &
host=$!

# Stream time 0 is the host's Init (playback starts right after it).
for _ in $(seq 1 600); do grep -q 'init: returned' "$work/host.log" 2>/dev/null && break; sleep 0.05; done
start=$(date +%s.%N)
at() { sleep "$(awk -v s="$start" -v t="$1" -v n="$(date +%s.%N)" 'BEGIN { d = s + t - n; print (d > 0 ? d : 0) }')"; }

at $kLoseAt
stop_tone
pactl unload-module "$(sink_module)"
lost=$(awk -v s="$start" -v n="$(date +%s.%N)" 'BEGIN { printf "%.2f", n - s }')
at $kReturnAt
load_sink && start_tone
returned=$(awk -v s="$start" -v n="$(date +%s.%N)" 'BEGIN { printf "%.2f", n - s }')
echo "microphone removed at $lost s, returned at $returned s (stream time)"

wait "$host"; status=$?; host=""
check "host exits 0" $status "(exit $status: $(tail -3 "$work/host.log"))"
[ -f "$work/out.wav" ] || { echo "FAIL output: no output file"; exit 1; }

# Voice per window: 1 where the output's RMS is above kVoiceRms.
windows=$(awk -v l=$kStreamSeconds -v w=$kWindow 'BEGIN { print int(l / w) }')
: > "$work/voice.txt"
for ((i = 0; i < windows; i++)); do
  t=$(awk -v i=$i -v w=$kWindow 'BEGIN { print i * w }')
  r=$(sox "$work/out.wav" -n trim "$t" $kWindow stat 2>&1 | awk '/RMS +amplitude/ {print $3}')
  echo "$t ${r:-0}" >> "$work/voice.txt"
done
# first_voice FROM: the start of the first window at or after FROM with voice; empty if none.
first_voice() { awk -v f="$1" -v v=$kVoiceRms '$1 >= f && $2 > v { print $1; exit }' "$work/voice.txt"; }
first_silence() { awk -v f="$1" -v v=$kVoiceRms '$1 >= f && $2 <= v { print $1; exit }' "$work/voice.txt"; }

priming=$(first_voice 0)
[ -n "$priming" ]; check "voice at the start (after $priming s)" $? "(no voice before the loss)"
gone=$(first_silence "${priming:-0}")
awk -v g="${gone:-99}" -v r="$returned" 'BEGIN { exit !(g < r) }'
check "voice gone after the removal (at $gone s)" $? "(the loss was not noticed in the output)"
back=$(first_voice "$returned")
limit=$(awk -v r="$returned" -v p="${priming:-0}" -v a=$kAllowance 'BEGIN { print r + a + p }')
awk -v b="${back:-999}" -v l="$limit" 'BEGIN { exit !(b <= l) }'
check "voice back at ${back:-never} s (limit $limit s: return + $kAllowance s + priming $priming s)" $?
tail_silence=$(first_silence "${back:-$kStreamSeconds}")
awk -v s="${tail_silence:-999}" -v l=$((kStreamSeconds - 1)) 'BEGIN { exit !(s >= l) }'
check "voice stays once back" $? "(silent again at $tail_silence s)"

checks_passed

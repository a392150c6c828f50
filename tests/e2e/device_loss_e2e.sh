#!/usr/bin/env bash
# End to end: the microphone goes away and comes back, as often as the schedule says. Run
# inside scripts/pulse-session (a private PulseAudio server); this script makes the null
# sink "loss_mic" (Wine's microphone "Monitor of Tidewell Loss Mic") and plays a 1 kHz tone
# into it, unloads the sink while the plug-in records from it, loads it again later, and
# checks in the output that the voice came back by itself after every return.
#   device_loss_e2e.sh BUILD_DIR [--setting classic|low|lowest] [--schedule LOSE:RETURN,...]
#                                [--seconds N]
# Defaults: classic, "8:15", 30 s. Times are stream seconds after the host's Init; a loss at
# 0.5 s is one while the capture is still opening or priming.
#
# The stream is silence and the plug-in is in Auto mode at 100 % with the threshold at 0,
# so the output is the microphone where the voice is mixed in and silence elsewhere.
# Allowed for the voice to return: from the return, or from when a loss can first be
# noticed (kStallSeconds after it) if that is later, kAllowance seconds plus the setting's
# priming time.
set -uo pipefail
build=$(cd "${1:?usage: device_loss_e2e.sh BUILD_DIR [--setting S] [--schedule LOSE:RETURN,...] [--seconds N]}" && pwd)
shift
setting=classic schedule="8:15" stream_seconds=30
while [ $# -gt 0 ]; do
  case $1 in
    --setting) setting=${2:?}; shift 2 ;;
    --schedule) schedule=${2:?}; shift 2 ;;
    --seconds) stream_seconds=${2:?}; shift 2 ;;
    *) echo "device_loss_e2e.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
case $setting in
  classic) latency=0 priming=3 ;;
  low) latency=1 priming=1 ;;
  lowest) latency=2 priming=1 ;;
  *) echo "device_loss_e2e.sh: --setting is classic, low or lowest" >&2; exit 2 ;;
esac
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
work=$build/e2e-device-loss-$setting
rm -rf "$work" && mkdir -p "$work/Plugins"
. "$root/tests/e2e/e2e_common.sh"

require_audio_server

readonly kSink=loss_mic kDescription="Tidewell Loss Mic"
readonly kWindow=0.25          # analysis window, seconds
readonly kVoiceRms=0.0884      # half the tone's RMS (0.25 / sqrt 2 / 2): voice present above
readonly kAllowance=3          # seconds after the return, plus the priming time
readonly kStallSeconds=4       # a device that delivers nothing this long is taken as lost

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
sox -n -r 44100 -c 2 -b 16 "$work/silence.wav" trim 0 "$stream_seconds"
cp "$build/dsp_qxtidewell.dll" "$work/Plugins/"
: > "$work/winamp.ini"
printf '[QXTidewell]\nInputDeviceName=Monitor of %s\nMixInMode=2\nWantActive=1\nAutoMixInThresh=0\nAutoMixInPercent=1\nLogTransition=0\nMixInFade=0.01\nAutoReleaseDelay=5\nLatencyMode=%d\n' \
  "$kDescription" "$latency" > "$work/Plugins/QXWTidewell.ini"
load_sink || { echo "FAIL setup: cannot load the null sink"; exit 1; }
start_tone

"$root/scripts/wine-run" "$build/tidewell-host.exe" "$(win "$work/Plugins/dsp_qxtidewell.dll")" \
  "$(win "$work/silence.wav")" "$(win "$work/out.wav")" --plugin-dir "$(win "$work/Plugins")" \
  --ini "$(win "$work/winamp.ini")" > "$work/host.log" 2>&1 &
host=$!

# Stream time 0 is the host's Init (playback starts right after it).
for _ in $(seq 1 600); do grep -q 'init: returned' "$work/host.log" 2>/dev/null && break; sleep 0.05; done
start=$(date +%s.%N)
now() { awk -v s="$start" -v n="$(date +%s.%N)" 'BEGIN { printf "%.2f", n - s }'; }
at() { sleep "$(awk -v s="$start" -v t="$1" -v n="$(date +%s.%N)" 'BEGIN { d = s + t - n; print (d > 0 ? d : 0) }')"; }

losses=() returns=()
for pair in ${schedule//,/ }; do
  at "${pair%%:*}"
  stop_tone
  pactl unload-module "$(sink_module)"
  losses+=("$(now)")
  at "${pair##*:}"
  load_sink && start_tone
  returns+=("$(now)")
  echo "$setting: microphone removed at ${losses[-1]} s, returned at ${returns[-1]} s (stream time)"
done

wait "$host"; status=$?; host=""
check "host exits 0" $status "(exit $status: $(tail -3 "$work/host.log"))"
[ -f "$work/out.wav" ] || { echo "FAIL output: no output file"; exit 1; }
[ ${#returns[@]} -gt 0 ]; check "the schedule returned the microphone at least once" $?

# Voice per window: 1 where the output's RMS is above kVoiceRms.
windows=$(awk -v l="$stream_seconds" -v w=$kWindow 'BEGIN { print int(l / w) }')
: > "$work/voice.txt"
for ((i = 0; i < windows; i++)); do
  t=$(awk -v i=$i -v w=$kWindow 'BEGIN { print i * w }')
  r=$(sox "$work/out.wav" -n trim "$t" $kWindow stat 2>&1 | awk '/RMS +amplitude/ {print $3}')
  echo "$t ${r:-0}" >> "$work/voice.txt"
done
# first_voice FROM: the start of the first window at or after FROM with voice; empty if none.
first_voice() { awk -v f="$1" -v v=$kVoiceRms '$1 >= f && $2 > v { print $1; exit }' "$work/voice.txt"; }
first_silence() { awk -v f="$1" -v v=$kVoiceRms '$1 >= f && $2 <= v { print $1; exit }' "$work/voice.txt"; }

for ((k = 0; k < ${#returns[@]}; k++)); do
  lost=${losses[k]} returned=${returns[k]}
  # Voice mixed before this loss (since the last return) must go with it.
  before=$(first_voice "$(awk -v k=$k -v r="${returns[k - 1]:-0}" 'BEGIN { print (k ? r : 0) }')")
  if [ -n "$before" ] && awk -v b="$before" -v l="$lost" 'BEGIN { exit !(b < l) }'; then
    gone=$(first_silence "$lost")
    awk -v g="${gone:-99}" -v r="$returned" -v l="$lost" 'BEGIN { exit !(g >= l && g < r) }'
    check "voice gone after the removal at $lost s (at $gone s)" $? "(the loss was not noticed in the output)"
  fi
  from=$(awk -v r="$returned" -v l="$lost" -v s=$kStallSeconds 'BEGIN { print (r > l + s ? r : l + s) }')
  limit=$(awk -v f="$from" -v p=$priming -v a=$kAllowance 'BEGIN { print f + a + p }')
  back=$(first_voice "$returned")
  awk -v b="${back:-999}" -v l="$limit" 'BEGIN { exit !(b <= l) }'
  check "voice back at ${back:-never} s after the return at $returned s (limit $limit s)" $?
done
tail_silence=$(first_silence "${back:-$stream_seconds}")
awk -v s="${tail_silence:-999}" -v l=$((stream_seconds - 1)) 'BEGIN { exit !(s >= l) }'
check "voice stays once back" $? "(silent again at $tail_silence s)"

checks_passed

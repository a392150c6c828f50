#!/usr/bin/env bash
# End to end: the plug-in running in the substitute host with a real PulseAudio microphone
# (run inside scripts/pulse-session with a sink "remote_mic" described "Tidewell Remote Mic"),
# driven over the window-message link by tidewell-remote.
#   remote_e2e.sh BUILD_DIR
set -uo pipefail
build=$(cd "${1:?usage: remote_e2e.sh BUILD_DIR}" && pwd)
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
work=$build/e2e-remote
rm -rf "$work" && mkdir -p "$work/Plugins"
. "$root/tests/e2e/e2e_common.sh"

require_audio_server

remote() { "$root/scripts/wine-run" "$build/tidewell-remote.exe" --timeout 20000 "$@" 2>&1 | tr -d '\r'; }

cp "$build/dsp_qxtidewell.dll" "$work/Plugins/"
: > "$work/winamp.ini"
printf '[QXTidewell]\nInputDeviceName=Monitor of Tidewell Remote Mic\nMixInMode=0\nWantActive=1\nEnableBypass=1\n' \
  > "$work/Plugins/QXWTidewell.ini"
sox -n -r 44100 -c 2 -b 16 "$work/music.wav" synth 120 sine 330 vol 0.5

"$root/scripts/wine-run" "$build/tidewell-host.exe" "$(win "$work/Plugins/dsp_qxtidewell.dll")" \
  "$(win "$work/music.wav")" "$(win "$work/out.wav")" --plugin-dir "$(win "$work/Plugins")" \
  --ini "$(win "$work/winamp.ini")" > "$work/host.log" 2>&1 &
host=$!
trap 'kill $host 2>/dev/null; wait $host 2>/dev/null' EXIT
for _ in $(seq 1 300); do grep -qs ' play: ' "$work/host.log" && break; sleep 0.1; done
sleep 4  # the capture device opens and records a few buffers

stats=$(remote --toggle-server --expect 1 MixInStats)
echo "$stats" > "$work/mixin-stats.txt"
check "MixInStats answers after the toggle" "$([ "$(head -1 <<<"$stats")" = "MixIn Stats:" ]; echo $?)" "$(head -3 <<<"$stats")"
keys=$(sed -n '2,42p' <<<"$stats" | sed 's/^\t\([^:]*\):.*/\1/' | tr '\n' ' ')
expected="last0_numsamples last0_bps last0_nch last0_srate last0_ltv last0_gtv gtv0 ltv0 center0 buff0pointer last0_WantActivate last0_rtab fMixInPercent fMixOtPercent RMS0 RMS1 last0_Device LastSpikeTime LastSpikeTemp LastLevel nominalbuffcount AutoMixThresh AutoMixHold Level LogTrans WantReset MixIn AutoMixInFade AutoMixOtFade SelectedDeviceChanged MixInPercent ManualMixInPercent AutoMixInPercent NotifyHWnd PTTOn LastPTTSampleIndex buff0.numsamples PTTMixInPercent MSMode SendNotifyWndRMS EnableBypass "
check "MixInStats has the 41 keys in order" "$([ "$keys" = "$expected" ]; echo $?)" "got: $keys"
check "MixInStats shows the playing format 44100/16/2" \
  "$(grep -q $'\tlast0_srate: 44100' <<<"$stats" && grep -q $'\tlast0_bps: 16' <<<"$stats" && grep -q $'\tlast0_nch: 2' <<<"$stats"; echo $?)"
nominal=$(sed -n 's/^\tnominalbuffcount: //p' <<<"$stats")

rec=$(remote --expect 1 RecThreadStats)
echo "$rec" > "$work/rec-stats.txt"
check "RecThreadStats has 24 lines" "$([ "$(wc -l <<<"$rec")" -eq 24 ]; echo $?)" "$(wc -l <<<"$rec") lines"
check "RecThreadStats shows DataReady, 88200-byte buffers and the device" \
  "$(grep -q 'DataReady' <<<"$rec" && grep -q $'^\tBuffSize: 88200$' <<<"$rec" && grep -q $'^\tDevice Name: Monitor of Tidewell Remote Mic$' <<<"$rec"; echo $?)" \
  "$(head -5 <<<"$rec" | tr '\n' '|')"

remote " EnableBypass" > /dev/null
remote DisableBypassXYZ > /dev/null
after=$(remote --expect 1 MixInStats)
check "DisableBypassXYZ disables the bypass, \" EnableBypass\" does nothing" \
  "$(grep -q $'^\tEnableBypass: false$' <<<"$after"; echo $?)"

silent=$(remote --quiet 1500 "" Unknown)
check "an empty text and an unknown word get no reply" "$([ -z "$silent" ]; echo $?)" "got: $silent"

remote RamPTT > /dev/null
# The marks travel with the recorded buffers; the mixer lists those it has not applied yet.
seen=1
for _ in 1 2 3 4 5 6; do
  marks=$(remote --expect 1 MixInStats)
  if grep -q 'PTTEvent->On' <<<"$marks"; then seen=0; break; fi
  sleep 0.3
done
echo "$marks" > "$work/marks-stats.txt"
check "RamPTT marks reach the mixer as pending marks" "$seen"

# Load: ten clients at once, each asking for the statistics several times. Every reply must
# come whole and the audio must keep flowing. (A report is about 1.5 KB, some 3000 posted
# messages under Wine; REMOTE_LOAD_TEXTS=20 gives the full load, about two minutes.)
texts=${REMOTE_LOAD_TEXTS:-3}
pids=()
for client in $(seq 1 10); do
  args=()
  for _ in $(seq 1 "$texts"); do args+=(MixInStats); done
  ( remote --timeout 240000 --expect "$texts" "${args[@]}" > "$work/load-$client.txt" ) &
  pids+=($!)
done
for pid in "${pids[@]}"; do wait "$pid"; done
complete=0
for client in $(seq 1 10); do
  heads=$(grep -c '^MixIn Stats:$' "$work/load-$client.txt")
  enders=$(grep -c $'^\tEnableBypass: ' "$work/load-$client.txt")
  [ "$heads" -eq "$texts" ] && [ "$enders" -eq "$texts" ] && complete=$((complete + 1))
done
check "ten clients at once get every report whole ($texts each)" "$([ $complete -eq 10 ]; echo $?)" "$complete of 10 complete"

remote Pause > /dev/null
remote Start > /dev/null
final=$(remote --expect 1 MixInStats)
check "audio keeps flowing without new underruns" \
  "$([ "$(sed -n 's/^\tnominalbuffcount: //p' <<<"$final")" = "$nominal" ]; echo $?)" "nominalbuffcount $nominal then $(sed -n 's/^\tnominalbuffcount: //p' <<<"$final")"

remote --toggle-server > /dev/null
sleep 1
"$root/scripts/wine-run" "$build/tidewell-remote.exe" --timeout 3000 MixInStats > /dev/null 2>&1
check "toggling again stops the server (exit 1: no such server)" "$([ $? -eq 1 ]; echo $?)"

checks_passed

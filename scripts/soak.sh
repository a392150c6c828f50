#!/usr/bin/env bash
# soak: the plug-in on air for a long while, with everything around it going wrong.
#
#   make soak                      (10 minutes)
#   SOAK_MINUTES=3 make soak
#   scripts/with-xvfb scripts/pulse-session run -- scripts/soak.sh     (what make soak runs)
#
# tidewell-host plays a silent stream through "Tidewell MixIn" in real time for SOAK_MINUTES
# minutes (default 10), recording from a real PulseAudio microphone (a null sink's monitor,
# a 1 kHz tone played into it). Auto mode at 100 % with the threshold at 0: where the voice
# is mixed in, the output is the tone; elsewhere silence. Meanwhile this script:
#   - removes the microphone (unloads its sink) and returns it, again and again;
#   - has the host run Init/Quit cycles (20 per minute of soak, all in the first part) and
#     call Config (its dialog closed by the host after a few seconds) every 45 s;
#   - keeps faulting modules in the stack: an access violation, a foreign exception code,
#     bad frame counts, and any other fixture library the build has (a getModule that never
#     ends, a garbage description pointer, ...);
#   - connects remote clients (tidewell-remote) that ask for the statistics, and kills most
#     of them in the middle of the transfer;
#   - locks the settings file (immutable for root, read-only otherwise) and unlocks it again,
#     once in the middle of the Init/Quit cycles (every Quit then fails to save; leave that
#     out with SOAK_LOCK_IN_CYCLES=0) and once a minute later on;
#   - answers every message box the plug-in shows (xdotool, on the private X display).
# At the end it checks: the host exits 0; every block was handed to the module or played
# through while a cycle ran, none lost, no fault or contract break; handle and window counts
# flat and private bytes grown by less than 1 MB from the quiet end of the first round of the
# schedule to the quiet end of the last (runs of 4 minutes or more); the voice back after
# every return of the microphone (and at least one return made), the first loss coming
# 0.5 s after the last Init of the cycles; and, in a short run of its own, the same early
# loss in the Lowest setting. Figures go to
# build/soak/summary.txt; the exit status is 0 only when every check passes.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$root/build/win32
work=$root/build/soak
minutes=${SOAK_MINUTES:-10}
lock_in_cycles=${SOAK_LOCK_IN_CYCLES:-1}

die() { echo "soak: $*" >&2; exit 2; }
[ "${TIDEWELL_PULSE:-}" = running ] || die "no PulseAudio server (${TIDEWELL_PULSE:-run me through scripts/pulse-session})"
[ -n "${DISPLAY:-}" ] || die "no X display (run me through scripts/with-xvfb)"
command -v xdotool >/dev/null || die "xdotool is not installed (scripts/bootstrap.sh installs it)"
command -v pkill >/dev/null || die "pkill is not installed (procps; scripts/bootstrap.sh installs it)"
for f in dsp_qxtidewell.dll tidewell-host.exe tidewell-remote.exe fixtures/dsp_fault.dll; do
  [ -f "$build/$f" ] || die "$build/$f is missing: build the Win32 tree first (make win32)"
done
awk -v m="$minutes" 'BEGIN { exit !(m >= 2) }' || die "SOAK_MINUTES must be at least 2"

rm -rf "$work" && mkdir -p "$work/Plugins"
win() { echo "Z:${1//\//\\}"; }
seconds=$(awk -v m="$minutes" 'BEGIN { print int(m * 60) }')
cycles=$(awk -v m="$minutes" 'BEGIN { print int(m * 20) }')

readonly kSink=soak_mic kDescription="Tidewell Soak Mic"
readonly kVoiceRms=0.0884     # half the tone's RMS: voice present above
readonly kVoiceBackLimit=10   # seconds after a return by which the voice must be back
readonly kLossSeconds=10      # how long the microphone stays away
readonly kPrivateGrowthLimit=1048576
readonly kFirstLossAfterInit=0.5  # seconds after the last Init of the cycles

# ---- the stack: MixIn, then the faulting modules ----
cp "$build/dsp_qxtidewell.dll" "$work/Plugins/"
stack="" n=0
add_stack() { stack+="Module${n}Lib=$1\nModule${n}Mod=$2\nModule${n}Act=true\n"; n=$((n + 1)); }
add_stack dsp_qxtidewell.dll "Tidewell MixIn"
for pair in "dsp_fault:Fault in ModifySamples" "dsp_throw:Throw in ModifySamples" \
            "dsp_badcount:Negative count" "dsp_badcount:Too many frames"; do
  lib=${pair%%:*} description=${pair#*:}
  upper=$(tr '[:lower:]' '[:upper:]' <<<"$lib").DLL
  cp "$build/fixtures/$lib.dll" "$work/Plugins/$upper"
  add_stack "$upper" "$description"
done
# Fixture libraries beyond the ones above, and beyond the well-behaved ones, join as found.
for f in "$build"/fixtures/dsp_*.dll; do
  name=$(basename "$f" .dll)
  case $name in
    dsp_fault|dsp_throw|dsp_badcount|dsp_hang|dsp_halve|dsp_offset|dsp_halfcount|dsp_nocopy|dsp_tone|dsp_twins|dsp_noentry|dsp_nullheader) continue ;;
  esac
  cp "$f" "$work/Plugins/$(tr '[:lower:]' '[:upper:]' <<<"$name").DLL"
  echo "soak: also in the plug-in folder: $name"
done
: > "$work/winamp.ini"
settings=$work/Plugins/QXWTidewell.ini
printf '[QXTidewell]\nInputDeviceName=Monitor of %s\nMixInMode=2\nWantActive=1\nAutoMixInThresh=0\nAutoMixInPercent=1\nLogTransition=0\nMixInFade=0.01\nAutoReleaseDelay=5\n[QXTidewellStack]\nModuleCount=%d\n%b' \
  "$kDescription" "$n" "$stack" > "$settings"

# ---- the microphone ----
sox -D -n -r 44100 -b 16 -c 2 -e signed-integer "$work/tone.wav" synth 10 sine 1000 vol 0.25
sox -n -r 44100 -c 2 -b 16 "$work/silence.wav" trim 0 "$seconds"
load_sink() {
  pactl load-module module-null-sink "sink_name=$kSink" \
    "sink_properties=\"device.description='$kDescription'\"" >/dev/null
}
sink_module() { pactl list short modules | awk -v s="sink_name=$kSink" '$2 == "module-null-sink" && index($0, s) {print $1}'; }
player=""
start_tone() { ( while paplay -d "$kSink" "$work/tone.wav" 2>/dev/null; do :; done ) & player=$!; }
stop_tone() {
  [ -n "$player" ] || return 0
  pkill -P "$player"; kill "$player" 2>/dev/null; wait "$player" 2>/dev/null; player=""
}

# ---- the settings file locked: root writes anything, so for root it is made immutable ----
lock_settings() {
  if [ "$(id -u)" = 0 ] && chattr +i "$settings" 2>/dev/null; then :; else chmod a-w "$settings"; fi
  echo "$(now) settings locked" >> "$work/events.log"
}
unlock_settings() {
  chattr -i "$settings" 2>/dev/null; chmod u+w "$settings" 2>/dev/null
  echo "$(now) settings unlocked" >> "$work/events.log"
}

# ---- background helpers, all stopped at the end ----
host="" answerer="" clients=""
cleanup() {
  stop_tone
  [ -z "$answerer" ] || { kill "$answerer" 2>/dev/null; wait "$answerer" 2>/dev/null; }
  for c in $clients; do kill "$c" 2>/dev/null; done
  [ -z "$host" ] || { kill "$host" 2>/dev/null; wait "$host" 2>/dev/null; }
  chattr -i "$settings" 2>/dev/null; chmod u+w "$settings" 2>/dev/null
}
trap cleanup EXIT
: > "$work/boxes.log"
: > "$work/events.log"

# Message boxes: any visible window titled "Error" or "Tidewell..." that is a dialog is
# answered with Return; each answer is logged.
answer_boxes() {
  while :; do
    for id in $(xdotool search --onlyvisible --name '^(Error|Warning|Information)$' 2>/dev/null); do
      echo "$(date +%s.%N) $(xdotool getwindowname "$id" 2>/dev/null)" >> "$work/boxes.log"
      # No window manager: focus the box itself, then press Return (XTEST).
      xdotool windowfocus "$id" 2>/dev/null && sleep 0.2 && xdotool key Return 2>/dev/null
    done
    sleep 0.5
  done
}
answer_boxes & answerer=$!

load_sink || die "cannot load the null sink"
start_tone

config_args=()
for ((t = 90; t < seconds - 20; t += 45)); do config_args+=(--config-at "$t"); done
"$root/scripts/wine-run" "$build/tidewell-host.exe" "$(win "$work/Plugins/dsp_qxtidewell.dll")" \
  "$(win "$work/silence.wav")" "$(win "$work/out.wav")" --plugin-dir "$(win "$work/Plugins")" \
  --ini "$(win "$work/winamp.ini")" --cycles "$cycles" --cycle-every 15 --resources-every 10 \
  "${config_args[@]}" --config-close-after 3 > "$work/host.log" 2> "$work/host.err" &
host=$!

for _ in $(seq 1 600); do grep -q 'init: returned' "$work/host.log" 2>/dev/null && break; sleep 0.05; done
start=$(date +%s.%N)
now() { awk -v s="$start" -v n="$(date +%s.%N)" 'BEGIN { printf "%.2f", n - s }'; }
at() { sleep "$(awk -v s="$start" -v t="$1" -v n="$(date +%s.%N)" 'BEGIN { d = s + t - n; print (d > 0 ? d : 0) }')"; }
remote() { "$root/scripts/wine-run" "$build/tidewell-remote.exe" "$@" 2>&1 | tr -d '\r'; }
echo "soak: $minutes min, $cycles Init/Quit cycles, Config every 45 s from 90 s; stream time 0 at $(date +%T)"
if [ "$lock_in_cycles" = 1 ]; then
  at 3; lock_settings
  at 8; unlock_settings
fi

# The schedule, in stream seconds: after the cycles (done by about 60 s), every 60 s the
# microphone goes away for kLossSeconds; in between, remote clients and settings locks.
cycles_done() { grep -q 'resources after-cycles' "$work/host.log"; }
server_on=0
losses=() returns=()
remote_round() {
  if [ $server_on = 0 ] && cycles_done; then
    remote --timeout 20000 --server-on --expect 1 MixInStats > "$work/remote-first.txt" && server_on=1
  fi
  [ $server_on = 1 ] || return 0
  local i
  for i in 1 2 3; do
    remote --timeout 20000 --expect 1 RecThreadStats > /dev/null &
    local c=$!
    sleep "0.$((RANDOM % 9 + 1))"
    kill "$c" 2>/dev/null   # mid-transfer, most of the time
    wait "$c" 2>/dev/null
  done
  remote --timeout 20000 --expect 1 MixInStats > "$work/remote-last.txt" || echo "$(now) remote: no answer" >> "$work/events.log"
}

# The first round begins kFirstLossAfterInit after the cycles' last Init (the host logs
# "resources after-cycles" right after it), so the first loss finds the capture still
# opening or priming, as a USB microphone that re-enumerates as the player starts does.
for _ in $(seq 1 $((seconds * 20))); do cycles_done && break; sleep 0.05; done
first=$(awk -v n="$(now)" -v d=$kFirstLossAfterInit 'BEGIN { printf "%.2f", n + d }')
echo "$(now) cycles done; first loss at $first s" >> "$work/events.log"
plus() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a + b }'; }
t=$first
rounds=()
while awk -v t="$t" -v s="$seconds" 'BEGIN { exit !(t + 60 <= s) }'; do
  rounds+=("$t")
  at "$t"
  stop_tone
  pactl unload-module "$(sink_module)" && losses+=("$(now)")
  echo "$(now) microphone removed" >> "$work/events.log"
  remote_round
  at "$(plus "$t" $kLossSeconds)"
  load_sink && start_tone && returns+=("$(now)")
  echo "$(now) microphone returned" >> "$work/events.log"
  at "$(plus "$t" $((kLossSeconds + 20)))"
  lock_settings
  remote_round
  at "$(plus "$t" $((kLossSeconds + 30)))"
  unlock_settings
  t=$(plus "$t" 60)
done

wait "$host"; status=$?; host=""
kill "$answerer" 2>/dev/null; wait "$answerer" 2>/dev/null; answerer=""

# ---- checks ----
passed=0 failed=0
summary=$work/summary.txt
: > "$summary"
report() { echo "$*" | tee -a "$summary"; }
check() { if [ "$2" -eq 0 ]; then report "ok   $1"; passed=$((passed + 1)); else report "FAIL $1 ${3:-}"; failed=$((failed + 1)); fi; }

check "host exits 0" "$status" "(exit $status: $(tail -3 "$work/host.err"))"
line=$(grep 'summary:' "$work/host.log" | tr -d '\r')
report "host: ${line#*summary: }"
field() { sed -n "s/.* $1=\([0-9]*\).*/\1/p" <<<" $line"; }
blocks=$(field blocks) processed=$(field processed) unprocessed=$(field unprocessed)
[ -n "$blocks" ] && [ "$blocks" -eq $((processed + unprocessed)) ] && [ "$(field frames_in)" = "$(field frames_out)" ] \
  && [ "$(field contract_breaks)" = 0 ] && [ "$(field room_overruns)" = 0 ] && [ "$(field faults)" = 0 ]
check "every block processed or played through during a cycle, none lost, no fault" $?
report "cycles: $(field cycles) of $cycles, blocks played through while a cycle ran: $unprocessed"

# Resource samples in the quiet end of a round (40 s to 61 s after its start: microphone
# back, settings unlocked, no client connected), the first round's against the last's. Of
# the samples there, the one with the fewest windows: a Config dialog may be open at another.
quiet_tick() {
  awk -v f="$(plus "$1" 40)" -v u="$(plus "$1" 61)" '/resources tick/ {
      t = $2; sub(/\]/, "", t); if (t + 0 < f || t + 0 >= u) next
      w = $0; sub(/.* windows=/, "", w); w += 0
      if (best == "" || w < fewest) { best = $0; fewest = w }
    } END { if (best != "") print best }' "$work/host.log" | tr -d '\r'
}
first="" last=""
if [ ${#rounds[@]} -ge 2 ]; then first=$(quiet_tick "${rounds[0]}"); last=$(quiet_tick "${rounds[-1]}"); fi
value() { sed -n "s/.* $1=\([0-9]*\).*/\1/p" <<<" $2"; }
if [ ${#rounds[@]} -lt 2 ]; then
  report "resources: not compared, a run of ${#rounds[@]} round(s) is too short (4 minutes or more)"
elif [ -n "$first" ] && [ -n "$last" ]; then
  dh=$(( $(value handles "$last") - $(value handles "$first") ))
  dw=$(( $(value windows "$last") - $(value windows "$first") ))
  dp=$(( $(value private_bytes "$last") - $(value private_bytes "$first") ))
  report "resources, round 1 (${rounds[0]} s + 40 s):   ${first#*: }"
  report "resources, round ${#rounds[@]} (${rounds[-1]} s + 40 s): ${last#*: }"
  report "growth: handles $dh, windows $dw, private bytes $dp"
  [ "$dh" -le 0 ] && [ "$dw" -le 0 ]; check "handle and window counts flat" $?
  [ "$dp" -lt $kPrivateGrowthLimit ]; check "private bytes grow less than 1 MB ($dp)" $?
else
  check "resource samples in the quiet ends of the rounds" 1 "(missing: see $work/host.log)"
fi

# The voice after every return: the first 0.25 s window with the tone's level.
voice_at() { sox "$work/out.wav" -n trim "$1" 0.25 stat 2>&1 | awk -v v=$kVoiceRms '/RMS +amplitude/ { exit !($3 > v) }'; }
worst=0 came_back=0
for r in "${returns[@]}"; do
  back=""
  for ((k = 0; k < kVoiceBackLimit * 4; k++)); do
    w=$(awk -v r="$r" -v k=$k 'BEGIN { printf "%.2f", r + k * 0.25 }')
    if voice_at "$w"; then back=$(awk -v w="$w" -v r="$r" 'BEGIN { printf "%.2f", w - r }'); break; fi
  done
  if [ -n "$back" ]; then
    came_back=$((came_back + 1))
    worst=$(awk -v a="$worst" -v b="$back" 'BEGIN { print (b > a ? b : a) }')
    report "microphone returned at $r s: voice back after $back s"
  else
    check "voice back within $kVoiceBackLimit s of the return at $r s" 1
  fi
done
# Passes only when the schedule returned the microphone and every return brought it back.
[ ${#returns[@]} -gt 0 ] && [ "$came_back" -eq ${#returns[@]} ]
check "voice back after $came_back of ${#returns[@]} returns of the microphone (slowest $worst s)" $? \
  "$([ ${#returns[@]} -gt 0 ] || echo '(the schedule made no return)')"

# The same early loss in the Lowest setting: a short run of its own, the microphone gone
# 0.5 s after the Init and back 3 s later (tests/e2e/device_loss_e2e.sh).
lowest=$("$root/tests/e2e/device_loss_e2e.sh" "$build" --setting lowest --schedule 0.5:3.5 --seconds 15 2>&1)
lowest_status=$?
while IFS= read -r l; do report "lowest, early loss: $l"; done < <(grep -E '^(ok|FAIL|lowest:) ' <<<"$lowest")
check "lowest: voice back after a loss 0.5 s after the Init" $lowest_status
boxes=$(wc -l < "$work/boxes.log" 2>/dev/null || echo 0)
report "message boxes answered: $boxes; Config calls: $(field config_calls); microphone removals: ${#losses[@]}"
report "$passed passed, $failed failed"
[ $failed -eq 0 ]

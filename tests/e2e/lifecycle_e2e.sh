#!/usr/bin/env bash
# End to end: the plug-in in the substitute host, with a real PulseAudio "microphone" (run
# inside scripts/pulse-session with a sink "e2e_mic" described "Tidewell E2E Mic").
#   lifecycle_e2e.sh BUILD_DIR
# Each case seeds the plug-in's settings file, plays a generated WAV through module 0 and
# checks the output numerically.
set -uo pipefail
build=$(cd "${1:?usage: lifecycle_e2e.sh BUILD_DIR}" && pwd)
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
work=$build/e2e-lifecycle
rm -rf "$work" && mkdir -p "$work"
. "$root/tests/e2e/e2e_common.sh"

require_audio_server

pass() { echo "ok   $1"; passed=$((passed + 1)); }
fail() { echo "FAIL $1: $2"; failed=$((failed + 1)); }

# rms FILE [START LENGTH]: RMS amplitude (0..1) of a file or a stretch of it.
rms() { sox "$1" -n ${2:+trim "$2" "$3"} stat 2>&1 | awk '/RMS +amplitude/ {print $3}'; }
# within A B TOLERANCE: |A - B| <= TOLERANCE * B
within() { awk -v a="$1" -v b="$2" -v t="$3" 'BEGIN { d = a - b; if (d < 0) d = -d; exit !(d <= t * b) }'; }
# same_audio A B: the sample data of two WAV files are identical.
same_audio() { cmp -s <(sox "$1" -t raw -) <(sox "$2" -t raw -); }

# case NAME SETTINGS STACK [HOST OPTIONS...]: a plug-in folder with the DLL (and the halving
# fixture as DSP_HALVE.DLL), the settings and stack sections, one host run.
run_case() {
  local name=$1 settings=$2 stack=$3; shift 3
  local dir=$work/$name
  mkdir -p "$dir/Plugins"
  cp "$build/dsp_qxtidewell.dll" "$dir/Plugins/"
  cp "$build/fixtures/dsp_halve.dll" "$dir/Plugins/DSP_HALVE.DLL"
  : > "$dir/winamp.ini"
  printf '[QXTidewell]\nInputDeviceName=Monitor of Tidewell E2E Mic\n%b\n[QXTidewellStack]\n%b\n' \
    "$settings" "$stack" > "$dir/Plugins/QXWTidewell.ini"
  "$root/scripts/wine-run" "$build/tidewell-host.exe" "$(win "$dir/Plugins/dsp_qxtidewell.dll")" \
    "$(win "$input")" "$(win "$dir/out.wav")" --plugin-dir "$(win "$dir/Plugins")" \
    --ini "$(win "$dir/winamp.ini")" "$@" > "$dir/host.log" 2>&1
  local status=$?
  [ $status -eq 0 ] || { fail "$name" "host exit $status: $(tail -3 "$dir/host.log")"; return 1; }
  output=$dir/out.wav
}

stack_line() {  # stack_line INDEX LIBRARY DESCRIPTION ACTIVE
  printf 'Module%dLib=%s\\nModule%dMod=%s\\nModule%dAct=%s\\n' "$1" "$2" "$1" "$3" "$1" "$4"
}

# The host's stream: a 330 Hz sine at half scale, 16-bit stereo; the microphone hears a
# 1 kHz tone at a quarter of full scale.
input=$work/music.wav
sox -n -r 44100 -c 2 -b 16 "$input" synth 9 sine 330 vol 0.5
readonly kMicRms=0.1768   # 0.25 / sqrt(2)

# Off mode: the host's block comes back bit for bit, even with capture active.
if run_case off "MixInMode=0\nWantActive=1" "" --fast; then
  if same_audio "$input" "$output"; then pass "off mode gives the input back exactly"
  else fail off "output differs from input"; fi
fi

# A gain module after the MixIn entry scales the (unmixed, Off mode) stream by one half.
stack=$(stack_line 0 dsp_qxtidewell.dll "Tidewell MixIn" true; stack_line 1 DSP_HALVE.DLL "Halve volume" true)
if run_case gain "MixInMode=0" "ModuleCount=2\n$stack" --fast; then
  ratio=$(awk -v a="$(rms "$output")" -v b="$(rms "$input")" 'BEGIN { print a / b }')
  if within "$ratio" 0.5 0.01; then pass "halving module after MixIn halves the stream ($ratio)"
  else fail gain "level ratio $ratio, expected 0.5"; fi
fi

# Bypass on, the Bypass entry after the gain module: the host gets its own block back.
stack=$(stack_line 0 dsp_qxtidewell.dll "Tidewell MixIn" true; stack_line 1 DSP_HALVE.DLL "Halve volume" true
        stack_line 2 dsp_qxtidewell.dll "Tidewell Bypass" true)
if run_case bypass "MixInMode=0\nEnableBypass=1" "ModuleCount=3\n$stack" --fast; then
  if same_audio "$input" "$output"; then pass "bypass after the stack gives the input back exactly"
  else fail bypass "output differs from input"; fi
fi

# Auto mode at 100 % with a linear curve and Mix-In crossfade, threshold 0: once the capture
# is primed and the fade is done, the output is the microphone alone.
if run_case auto_full "MixInMode=2\nWantActive=1\nAutoMixInThresh=0\nAutoMixInPercent=1\nLogTransition=0\nMixInFade=0.01\nAutoReleaseDelay=5" ""; then
  level=$(rms "$output" 6 2.5)
  if within "$level" $kMicRms 0.02; then pass "auto mode at 100 % puts the microphone in place of the music (RMS $level)"
  else fail auto_full "RMS over the last seconds $level, expected the microphone's $kMicRms"; fi
fi

checks_passed

#!/usr/bin/env bash
# make demo: the plug-in doing its job. A music bed plays through dsp_qxtidewell.dll in the
# substitute host while a spoken voice plays, in real time, into a private PulseAudio
# "microphone"; the plug-in (Auto mode, seeded through its settings file) records it and
# mixes it in. Leaves out/demo-mix.wav and out/demo-levels.png (music, microphone and output
# level over time) and prints a one-line summary of what it measured.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/.." && pwd)
cd "$root"

work=$root/build/demo
out=$root/out
winamp=$work/winamp
plugins=$winamp/Plugins
mkdir -p "$work" "$out" "$plugins"
rm -f "$plugins/QXWTidewell.ini" "$out/demo-mix.wav" "$out/demo-levels.png"

readonly kSeconds=32                      # length of the music bed
readonly kMicDescription="Tidewell Demo Mic"
readonly kMicSink=tidewell_demo_mic
win() { echo "Z:${1//\//\\}"; }           # a Unix path as Wine sees it

echo "demo: making the music bed and the voice"
# Music: a slow chord with a beat, normalised to -12 dBFS.
sox -n -r 44100 -c 1 -b 16 "$work/chord.wav" synth $kSeconds sine 196 sine 247 sine 294 sine 392 \
    remix - tremolo 1.5 40 gain -n -12
sox -n -r 44100 -c 1 -b 16 "$work/beat.wav" synth $kSeconds sine 55 tremolo 2 100 gain -n -18
sox -m "$work/chord.wav" "$work/beat.wav" -c 2 "$work/music.wav" gain -n -12
# Voice: two spoken phrases with silence around them.
espeak-ng -s 150 -w "$work/phrase1.wav" "Good evening. You are listening to Tidewell, live from the studio."
espeak-ng -s 150 -w "$work/phrase2.wav" "The music dips while I talk, and comes back when I stop."
sox "$work/phrase1.wav" -r 44100 -c 2 -b 16 "$work/p1.wav" gain -n -3 pad 4 6
sox "$work/phrase2.wav" -r 44100 -c 2 -b 16 "$work/p2.wav" gain -n -3 pad 0 8
sox "$work/p1.wav" "$work/p2.wav" "$work/voice.wav"

echo "demo: seeding the plug-in's settings (Auto mode, input active, Lowest latency, device \"Monitor of $kMicDescription\")"
cp build/win32/dsp_qxtidewell.dll "$plugins/"
: > "$winamp/winamp.ini"
cat > "$plugins/QXWTidewell.ini" <<INI
[QXTidewell]
InputDeviceName=Monitor of $kMicDescription
MixInMode=2
WantActive=1
AutoMixInThresh=3
AutoReleaseDelay=0.8
AutoMixInPercent=0.8
MixInFade=0.05
MixOtFade=0.6
LogTransition=1
LastTab=Device
LatencyMode=2
INI

echo "demo: playing the music through the plug-in in real time while the voice speaks"
run_session() {
  local log=$work/host.log
  scripts/wine-run build/win32/tidewell-host.exe "$(win "$plugins/dsp_qxtidewell.dll")" \
      "$(win "$work/music.wav")" "$(win "$out/demo-mix.wav")" \
      --plugin-dir "$(win "$plugins")" --ini "$(win "$winamp/winamp.ini")" > "$log" 2>&1 &
  local host=$!
  # The voice starts once the host plays, and what the microphone hears is recorded too.
  for _ in $(seq 1 300); do grep -qs ' play: ' "$log" && break; sleep 0.1; done
  paplay -d "$kMicSink" "$work/voice.wav" &
  local voice=$!
  # Time-stamped, so that the voice's delay into the mix can be measured.
  python3 scripts/measure-latency.py record-mic "$kMicSink.monitor" "$work/mic.wav" &
  local recorder=$!
  wait "$host" || { cat "$log" >&2; kill "$voice" "$recorder" 2>/dev/null; return 1; }
  kill "$voice" 2>/dev/null || true
  kill -INT "$recorder" 2>/dev/null || true
  wait "$recorder" 2>/dev/null || true
  grep -E 'init:|summary:' "$log" | sed 's/^/  host: /'
}
export -f run_session win
export work out plugins winamp kMicSink
scripts/with-xvfb scripts/pulse-session run --sink "$kMicSink=$kMicDescription" -- bash -c '
  if [ "${TIDEWELL_PULSE:-}" != running ]; then echo "demo: no audio server: ${TIDEWELL_PULSE:-none}" >&2; exit 1; fi
  run_session'

echo "demo: measuring and plotting"
# The microphone's recording on the stream's time line: both clocks are on the wall clock.
shift=$(python3 -c 'import re,sys; z=float(re.search(r"stream second 0 is Unix time ([0-9.]+)", open(sys.argv[1]).read()).group(1)); print(f"{float(open(sys.argv[2]).read()) - z:.4f}")' \
    "$work/host.log" "$work/mic.wav.clock")
if awk -v s="$shift" 'BEGIN { exit !(s >= 0) }'; then
  sox "$work/mic.wav" "$work/mic-stream.wav" pad "$shift"
else
  sox "$work/mic.wav" "$work/mic-stream.wav" trim "${shift#-}"
fi
build/native/tools/levels/tidewell-levels --window 100 "$work/music.wav" "$work/mic-stream.wav" "$out/demo-mix.wav" \
    > "$work/levels.txt"
gnuplot <<PLOT
set terminal png size 1200,500 font ",10"
set output "$out/demo-levels.png"
set title "Tidewell demo: the music dips while the voice speaks (Auto mode)"
set xlabel "time (s)"
set ylabel "level (dBFS, 100 ms RMS)"
set yrange [-60:0]
set key bottom right
set grid
plot "$work/levels.txt" using 1:2 with lines lw 2 lc rgb "#1f77b4" title "music (host stream)", \
     "" using 1:3 with lines lw 1 lc rgb "#2ca02c" title "microphone", \
     "" using 1:4 with lines lw 2 lc rgb "#d62728" title "output (mixed)"
PLOT

# Summary: where the output differs from the music by more than 3 dB, the live input was in;
# the latency is from the voice's first sound above the trigger's threshold to its first sample in
# the mix (the block that carried it, on the wall clock).
latency=$(python3 scripts/measure-latency.py voice-latency "$work/mic.wav" "$work/music.wav" \
    "$out/demo-mix.wav" "$work/host.log" 0.04)
awk -v latency="$latency" '
  $4 > -120 && $2 > -120 { n++; d = $4 - $2; if (d > 3 || d < -3) { mixed++ } }
  END { printf "demo: voice mixed in for %.1f s of %.1f s of output, %s ms after the microphone heard it (Lowest latency)\n",
        mixed / 10, n / 10, latency }' \
  "$work/levels.txt"
echo "demo: wrote $out/demo-mix.wav and $out/demo-levels.png"

#!/usr/bin/env bash
# sox_round_trip.sh HOST_EXE PROBE_DLL WORK_FOLDER: a 24-bit stereo stream made by sox goes
# through tidewell-host and the probe's halving module; sox must read the result as the same
# format and length, with every sample half the input's.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../../.." && pwd)
exe=$1
dll=$2
work=$3
windows() { local p; p=$(realpath -m "$1"); echo "Z:${p//\//\\}"; }

rm -rf "$work"
mkdir -p "$work"
sox -n -r 48000 -b 24 -c 2 "$work/in.wav" synth 0.5 sine 1000 sine 1500 vol 0.9
"$root/scripts/wine-run" "$exe" "$(windows "$dll")" "$(windows "$work/in.wav")" "$(windows "$work/out.wav")" \
  --fast --ini "$(windows "$work/winamp.ini")" >"$work/host.out" 2>&1 || { cat "$work/host.out"; exit 1; }

for field in -r -c -b -s -e; do
  in=$(sox --i "$field" "$work/in.wav")
  out=$(sox --i "$field" "$work/out.wav")
  [ "$in" = "$out" ] || { echo "sox --i $field: input $in, output $out"; exit 1; }
done

# out - in/2: integer halving and sox's scaling differ by at most one step of 24 bits.
residue=$(sox -m -v 1 "$work/out.wav" -v -0.5 "$work/in.wav" -n stat 2>&1 | awk '/Maximum amplitude/{print $3}')
awk -v r="$residue" 'BEGIN { exit !(r <= 2.0 / 8388608) }' || { echo "out differs from in/2 by $residue"; exit 1; }
level=$(sox "$work/out.wav" -n stat 2>&1 | awk '/Maximum amplitude/{print $3}')
awk -v l="$level" 'BEGIN { exit !(l > 0.4 && l < 0.46) }' || { echo "output peak $level, expected about 0.45"; exit 1; }
echo "sox reads the host's output: $(sox --i -b "$work/out.wav") bits, $(sox --i -s "$work/out.wav") samples, residue $residue"

#!/usr/bin/env bash
# take_dsp_screenshots.sh PROGRAM OUTPUT_FOLDER: runs the DSP screenshot program under Wine
# in the output folder and turns its BMP pictures (DSP page, module information window,
# configuration dialog) into PNG files there. Fails when a picture is missing or empty.
set -euo pipefail
program=$1
out=$2
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)
mkdir -p "$out"
cd "$out"
rm -f dsp-page.* info-window.* config-dialog.*
"$root/scripts/wine-run" "$program"
for name in dsp-page info-window config-dialog; do
  [ -f "$name.bmp" ] || { echo "missing $name.bmp" >&2; exit 1; }
  convert "$name.bmp" "$name.png"
  rm -f "$name.bmp"
  size=$(identify -format '%wx%h' "$name.png")
  [ "$size" != "0x0" ] || { echo "$name.png is empty" >&2; exit 1; }
  echo "$name.png $size"
done

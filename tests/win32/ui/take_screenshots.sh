#!/usr/bin/env bash
# take_screenshots.sh PROGRAM OUTPUT_FOLDER: runs the screenshot program under Wine in the
# output folder and turns its BMP pictures into PNG files there (one per page of the
# control window). Fails when a picture is missing or not the window's design size.
set -euo pipefail
program=$1
out=$2
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)
rm -rf "$out"
mkdir -p "$out"
cd "$out"
"$root/scripts/wine-run" "$program"
for page in device auto manual ptt dsp; do
  bmp="control-window-$page.bmp"
  [ -f "$bmp" ] || { echo "missing $bmp" >&2; exit 1; }
  convert "$bmp" "control-window-$page.png"
  rm -f "$bmp"
  size=$(identify -format '%wx%h' "control-window-$page.png")
  [ "$size" = "266x466" ] || { echo "control-window-$page.png is $size, not 266x466" >&2; exit 1; }
done
echo "screenshots in $out"

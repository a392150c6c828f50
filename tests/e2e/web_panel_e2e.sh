#!/usr/bin/env bash
# The web panel in a real browser (web_panel_e2e.py) with a private PulseAudio microphone
# that speaks: makes the voice, then runs the check inside a pulse session, with the
# system's Python, where Debian's selenium lives.
#   web_panel_e2e.sh BUILD_DIR
set -uo pipefail
build=$(cd "${1:?usage: web_panel_e2e.sh BUILD_DIR}" && pwd)
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
voice=$build/e2e-web-panel-voice.wav
if [ ! -s "$voice" ]; then
  espeak-ng -s 150 -w "$build/e2e-web-panel-speech.wav" \
    "Good evening, this is the studio speaking over the music while the button is held down, \
     and the panel on the phone shows it all." || exit 1
  sox "$build/e2e-web-panel-speech.wav" -r 44100 -c 2 -b 16 "$voice" norm -3 || exit 1
fi
exec "$root/scripts/pulse-session" run --sink "panel_mic=Tidewell Panel Mic" --play "panel_mic=$voice" \
  -- /usr/bin/python3 "$here/web_panel_e2e.py" "$build"

# Shared by the end-to-end scripts (sourced, not run).

# win PATH: the path as Wine spells it (drive Z: is the Unix root).
win() { echo "Z:${1//\//\\}"; }

# require_audio_server: the scripts record from the private PulseAudio server that
# scripts/pulse-session starts. Without it the run fails with the reason; it is skipped
# only when TIDEWELL_SKIP_AUDIO=1 asks for that.
require_audio_server() {
  [ "${TIDEWELL_PULSE:-}" = running ] && return 0
  if [ "${TIDEWELL_SKIP_AUDIO:-0}" = 1 ]; then
    echo "SKIPPED (TIDEWELL_SKIP_AUDIO=1): ${TIDEWELL_PULSE:-no private PulseAudio server}"
    exit 0
  fi
  echo "FAIL audio: no private PulseAudio server (${TIDEWELL_PULSE:-run through scripts/pulse-session});" \
    "set TIDEWELL_SKIP_AUDIO=1 to skip"
  exit 1
}

# check NAME STATUS [DETAIL]: one named check, passed when STATUS is 0; checks_passed ends
# the script with the count, failing when any check did.
passed=0 failed=0
check() {
  if [ "$2" -eq 0 ]; then echo "ok   $1"; passed=$((passed + 1)); else echo "FAIL $1 ${3:-}"; failed=$((failed + 1)); fi
}
checks_passed() {
  echo "$passed passed, $failed failed"
  [ $failed -eq 0 ]
}

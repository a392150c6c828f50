#!/bin/sh
# Runs every fuzz target listed in TARGETS_FILE one after the other, growing a scratch corpus
# per target under SCRATCH_DIR from the seed corpus under SEED_DIR (left as it is).
#
#   run_fuzzers.sh --total SECONDS | --each SECONDS  TARGETS_FILE SEED_DIR SCRATCH_DIR
#
# --total shares SECONDS among all targets, so that the whole run (start-up included) ends
# within SECONDS; --each gives every target SECONDS. Exits non-zero at the first target that
# finds a fault (its crash input is left in the current directory).
set -eu
mode=$1 seconds=$2 targets=$3 seeds=$4 scratch=$5
bin=$(dirname "$targets")
count=$(grep -c . "$targets")
if [ "$mode" = --total ]; then
  # Three seconds per target for start-up (sanitizers, seed corpus) and the final statistics.
  each=$(( seconds / count - 3 ))
else
  each=$seconds
fi
[ "$each" -ge 1 ] || each=1
export UBSAN_OPTIONS=halt_on_error=1
for target in $(cat "$targets"); do
  mkdir -p "$scratch/$target"
  seed=""
  [ ! -d "$seeds/$target" ] || seed="$seeds/$target"
  log="$scratch/$target.log"
  # The hard limit catches a target that does not stop by itself.
  if ! timeout -s KILL $(( each + 10 )) "$bin/$target" -max_total_time="$each" -timeout=10 -rss_limit_mb=1024 \
      -print_final_stats=1 "$scratch/$target" $seed >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "$target found a fault (input and report above, log in $log)" >&2
    exit 1
  fi
  echo "$target: $(grep -E '^Done' "$log" || echo "ran $each s")"
done

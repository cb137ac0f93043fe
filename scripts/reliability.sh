#!/usr/bin/env bash
# make reliability: the recovery matrix. Every operation of a clean automatic update in turn is
# cut off by pulling the simulated adapter out, and each program is killed at a spread of
# moments; the suite's retry and repair runs must bring the adapter to the package's state.
# Arguments go to scripts/reliability/run.py (--every N samples the unplug points, --only
# NAMES runs single points). Output: build/reliability (matrix.log, table.txt).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/form.sh
# The shipped i686 programs where this machine runs them, else the x86-64 ones.
export ORVEX_FORM=${ORVEX_FORM:-$(orvex_form)}
# A Wine prefix of its own: the matrix replaces the installed driver files and makes run folders
# on the Windows drive, and stops its Wine server at the end, so it keeps away from the tests'.
root=${ORVEX_BUILD_ROOT:-build}
case $root in /*) ;; *) root=$PWD/$root ;; esac
export WINEPREFIX=${ORVEX_RELIABILITY_PREFIX:-$root/wineprefix-reliability}
# ORVEX_RELIABILITY_SHARDS=N splits the points over N runs side by side, each with its own
# display, prefix and folder (the runs mostly wait for the programs and the adapter), then
# prints one table.
shards=${ORVEX_RELIABILITY_SHARDS:-1}
if [ "$shards" -gt 1 ]; then
  [ -n "${ORVEX_RELIABILITY_NO_BUILD:-}" ] || scripts/build.sh "$ORVEX_FORM"
  # Nothing of an earlier run is merged: its shard folders and table go first.
  rm -rf "$root/reliability/shard-"* "$root/reliability/table.txt" "$root"/reliability-shard-*.out
  mkdir -p "$root/reliability"
  pids=() dirs=()
  for i in $(seq 1 "$shards"); do
    ORVEX_RELIABILITY_SHARDS=1 ORVEX_RELIABILITY_NO_BUILD=1 ORVEX_RELIABILITY_PREFIX=$root/wineprefix-reliability-$i \
      scripts/reliability.sh "$@" --shard "$i/$shards" --out "$root/reliability/shard-$i" \
      > "$root/reliability-shard-$i.out" 2>&1 &
    pids+=($!)
    dirs+=("$root/reliability/shard-$i")
  done
  # Each shard's exit status goes to the table: a shard that failed or stopped early fails the
  # run, and the points it did not run are named.
  statuses=()
  for i in "${!pids[@]}"; do
    rc=0
    wait "${pids[$i]}" || rc=$?
    statuses+=("$rc")
    if [ "$rc" != 0 ] && [ "$rc" != 1 ]; then
      echo "shard $((i + 1)) of $shards ended with exit $rc; the last lines of $root/reliability-shard-$((i + 1)).out:" >&2
      tail -n 15 "$root/reliability-shard-$((i + 1)).out" | sed 's/^/  | /' >&2
    fi
  done
  source scripts/wine-env.sh
  export ORVEX_ROOT ORVEX_BUILD_ROOT WINEPREFIX
  status=$(IFS=,; echo "${statuses[*]}")
  exec python3 scripts/reliability/run.py --merge "${dirs[@]}" --status "$status" --out "$root/reliability"
fi
source scripts/xvfb.sh
trap 'set +e; orvex_stop_all' EXIT
if [ -z "${ORVEX_RELIABILITY_NO_BUILD:-}" ]; then
  scripts/build.sh "$ORVEX_FORM"
fi
echo "recovery matrix on $(orvex_form_text "$ORVEX_FORM")"
source scripts/steps.sh
orvex_step "Wine prefix $WINEPREFIX" scripts/wine-prefix.sh
orvex_start_xvfb
# The matrix's prefix is its own: a server an earlier run left there is ended first.
ORVEX_OWN_WINESERVER=1 orvex_start_wineserver
export ORVEX_ROOT ORVEX_BUILD_ROOT WINEPREFIX DISPLAY
nice python3 scripts/reliability/run.py "$@"

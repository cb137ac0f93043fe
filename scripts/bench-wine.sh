#!/usr/bin/env bash
# The Wine side of make bench: the shipped programs (scripts/form.sh) against their floors, side by
# side in one run so that all meet the same load of a shared machine:
#  - the automatic update of make demo, ORVEX_BENCH_UPDATES times (default 3): its wall time
#    against the adapter's own time plus the programs' fixed waits beyond it, with the breakdown
#    of the rest, and the peak working set of each program;
#  - each program's start to its first window against a minimal dialog program, ORVEX_BENCH_STARTS
#    rounds (default 11);
#  - the settings pages against the same controls made from one dialog template (21 openings).
# Output and logs in build/bench-wine.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/steps.sh
source scripts/form.sh
source scripts/xvfb.sh
export ORVEX_FORM=${ORVEX_FORM:-$(orvex_form)}
updates=${ORVEX_BENCH_UPDATES:-3}
starts=${ORVEX_BENCH_STARTS:-11}
step="setting up"
trap 'rc=$?; set +e; roll_teardown >/dev/null 2>&1; orvex_stop_all
  [ $rc = 0 ] || echo "FAILED: make bench stopped in: $step (exit $rc)" >&2' EXIT

echo "== the programs under Wine: $(orvex_form_text "$ORVEX_FORM")"
orvex_step "build $ORVEX_FORM" scripts/build.sh "$ORVEX_FORM"
orvex_step "Wine prefix $WINEPREFIX" scripts/wine-prefix.sh
orvex_start_xvfb
orvex_start_wineserver
source scripts/roll-package.sh
source scripts/perf-lib.sh
out=$ORVEX_BUILD_ROOT/bench-wine
rm -rf "$out"
mkdir -p "$out"
echo "   at the start: $(perf_load)"

# One update with its timing; what it printed goes to the step's log, shown when it fails.
bench_update() {
  local dir=$out/update-$1
  roll_setup "$dir" || return
  perf_watch_start "$dir"
  roll_run "$dir" || { perf_watch_stop "$dir"; return 1; }
  perf_watch_stop "$dir"
  python3 tools/bench/update_timing.py "$dir/run/OrvexRoll.log" "$dir/adapter" --start "$roll_answered" --json \
    >"$dir/timing.json" || return
  roll_teardown
}
for run in $(seq "$updates"); do
  step="update $run of $updates"
  ORVEX_STEP_LINES=40 orvex_step "$step" bench_update "$run"
  echo "   ratio $(python3 -c 'import json, sys; r = json.load(open(sys.argv[1]))
print("%.3f, %.3f without the simulated adapter lateness" % (r["ratio"], (r["wall"] - r["rest"]["late"]) / r["floor"]))' \
    "$out/update-$run/timing.json"), $(perf_load)"
done

step="the update's summary"
echo "== the update against its floor: the run of the median ratio of $updates (all: in $out/update-*)"
median=$(python3 - "$out" "$updates" <<'PY'
import json, sys
runs = sorted((json.load(open("%s/update-%d/timing.json" % (sys.argv[1], i)))["ratio"], i)
              for i in range(1, int(sys.argv[2]) + 1))
print(runs[len(runs) // 2][1])
PY
)
roll_answered=""
python3 tools/bench/update_timing.py "$out/update-$median/run/OrvexRoll.log" "$out/update-$median/adapter" \
  --start "$(python3 -c 'import json,sys; print(json.load(open(sys.argv[1])).get("start", ""))' "$out/update-$median/timing.json")"
echo
echo "== peak working set, the largest of the $updates updates"
cat "$out"/update-*/memory.txt | awk '$1 == "peak" && $3 != "-" { if ($3 > m[$2]) m[$2] = $3 } $1 == "peak" { n[$2] = 1 }
  END { for (k in n) printf "peak %s %s\n", k, (k in m) ? m[k] : "-" }' | sort >"$out/memory.txt"
perf_memory_table "$out/memory.txt"

step="start to first window, $starts rounds"
echo
orvex_step "the package to start OrvexRoll from" roll_setup "$out/startup"
orvex_step_shown "$step" perf_startups "$starts" "$out/startup"
roll_teardown

step="the settings window against its template floor (medians of 21 openings)"
echo
orvex_step_shown "$step" perf_settings 21
echo "   at the end: $(perf_load)"

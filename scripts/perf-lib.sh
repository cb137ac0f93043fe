# Sourced by scripts/demo.sh and scripts/bench.sh after scripts/roll-package.sh: the programs'
# speed and memory against their floors, measured under Wine with the tree of ORVEX_FORM.
#   perf_watch_start DIR / perf_watch_stop DIR   the peak working set of OrvexRoll, OrvexSet and
#                                                OrvexFlash while they run (DIR/memory.txt)
#   perf_update_table LOG SIMDIR [START]         the update against its floor (update_timing.py)
#   perf_startups RUNS DIR                       each program's start to its first window, beside
#                                                the minimal dialog program (DIR/startup-*.txt)
#   perf_settings RUNS                           the settings pages against their template floor
#   perf_load                                    how busy the machine is

perf_probe() { "$ORVEX_ROOT/scripts/wine-run" "$roll_win/tools/bench/orvex_probe.exe" "$@"; }
perf_load() { echo "load average $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"; }

perf_watch_start() {
  rm -f "$1/memory.stop" "$1/memory.txt"
  perf_probe watch "$(roll_winpath "$1/memory.stop")" OrvexRoll.exe OrvexSet.exe OrvexFlash.exe \
    >"$1/memory.txt" 2>&1 &
  perf_watch_pid=$!
}
perf_watch_stop() {
  touch "$1/memory.stop"
  wait "$perf_watch_pid" 2>/dev/null || true
  rm -f "$1/memory.stop"
}

perf_update_table() {
  python3 "$ORVEX_ROOT/tools/bench/update_timing.py" "$1" "$2" ${3:+--start "$3"}
}

# The memory table from the watch's lines "peak NAME KB" (goal: under 20 MB each).
perf_memory_table() {
  echo "| program | peak working set during the update | goal |"
  echo "|---|---|---|"
  awk '$1 == "peak" { v = ($3 == "-") ? "did not run" : sprintf("%.1f MB", $3 / 1024);
    printf "| %s | %s | under 20 MB |\n", $2, v }' "$1"
}

# Start to first window: each program in turn, RUNS rounds, so that all meet the same load. The
# floor is minimal_dialog.exe; OrvexSet and OrvexFlash start in a folder of their own with the
# definition file and the library, without an adapter (ORVEX_SIM unset); OrvexRoll from the update
# package with its OrvexRoll.ini, as the technician starts it.
perf_startups() {
  local runs=$1 dir=$2 round name exe
  mkdir -p "$dir/startup"
  cp "$roll_win/tools/bench/minimal_dialog.exe" "$dir/startup/"
  cp "$roll_win/paramtool/app/win/OrvexSet.exe" "$roll_win/flashtool/win/OrvexFlash.exe" "$dir/startup/"
  cp "$ORVEX_ROOT/paramtool/model/Cti_par.txt" "$dir/startup/"
  cp "$roll_win/simulator/Orvex.dll" "$dir/startup/"
  rm -f "$dir"/startup-*.txt
  for round in $(seq "$runs"); do
    for name in minimal_dialog OrvexSet OrvexFlash OrvexRoll; do
      case $name in
        OrvexRoll) exe=("$(roll_winpath "$dir/package/OrvexRoll.exe")" "$(roll_winpath "$dir/package")"
                        "$(roll_winpath "$dir/documents")") ;;
        *) exe=("$(roll_winpath "$dir/startup/$name.exe")") ;;
      esac
      env -u ORVEX_SIM "$ORVEX_ROOT/scripts/wine-run" "$roll_win/tools/bench/orvex_probe.exe" startup "${exe[@]}" \
        2>/dev/null | tr -d '\r' | awk '$1 == "startup" { print $2, $3 }' >>"$dir/startup-$name.txt" || true
    done
  done
  python3 - "$dir" <<'PY'
import statistics, sys
d = sys.argv[1]
def read(name):
    try:
        rows = [tuple(map(float, l.split())) for l in open("%s/startup-%s.txt" % (d, name)) if l.strip()]
    except OSError:
        rows = []
    return rows
floor = read("minimal_dialog")
floor_ms = statistics.median(r[0] for r in floor) if floor else 0
floor_fast = min(r[0] for r in floor) if floor else 0
print("| program | start to first window, median (fastest) | floor: minimal dialog | ratio of the medians (of the fastest); goal: at most 1.5 | working set at its first window |")
print("|---|---|---|---|---|")
for name in ("minimal_dialog", "OrvexSet", "OrvexFlash", "OrvexRoll"):
    rows = read(name)
    if not rows:
        print("| %s | did not show a window | | | |" % name)
        continue
    med = statistics.median(r[0] for r in rows)
    fast = min(r[0] for r in rows)
    ws = statistics.median(r[1] for r in rows) / 1024
    ratio = med / floor_ms if floor_ms else 0
    ratio_fast = fast / floor_fast if floor_fast else 0
    print("| %s | %.0f ms (%.0f ms) | %.0f ms (%.0f ms) | %.2f (%.2f) | %.1f MB |" % (name, med, fast, floor_ms, floor_fast, ratio, ratio_fast, ws))
print("(%d rounds)" % len(floor))
PY
  roll_teardown_startups
}
# OrvexRoll was ended at its first window: its run folder goes, as roll_teardown takes others.
roll_teardown_startups() {
  local run
  for run in $(ls "$WINEPREFIX/drive_c/OrvexRoll" 2>/dev/null); do
    case $'\n'"${roll_runs_before:-}"$'\n' in *$'\n'"$run"$'\n'*) ;; *) rm -rf "$WINEPREFIX/drive_c/OrvexRoll/$run" ;; esac
  done
}

# The settings pages: the bare window, the template floor and the settings window (medians).
perf_settings() {
  local runs=$1 preview="$roll_win/paramtool/editor/win/settings_preview.exe"
  echo "| opened | bare window | template floor | settings window | ratio to the floor (goal: at most 1.2) |"
  echo "|---|---|---|---|---|"
  perf_settings_row() {
    local label=$1 line
    shift
    line=$("$ORVEX_ROOT/scripts/wine-run" "$preview" "$@" --measure "$runs" 2>/dev/null | tr -d '\r' | tail -n 1)
    echo "$line" | awk -v label="$label" '/template floor/ {
      printf "| %s | %s ms | %s ms | %s ms | %s |\n", label, $3, $7, $11, $14 }'
  }
  perf_settings_row "sample Cti_par.txt, block 1 (12 rows)" paramtool/model/Cti_par.txt --block 1
  perf_settings_row "sample Cti_par.txt, block 2 (2 pages)" paramtool/model/Cti_par.txt --block 2
  perf_settings_row "10 rows on one page" --generate 10
  perf_settings_row "100 rows on one two-column page (30 shown)" --generate 100
  perf_settings_row "100 rows over 7 one-column pages" --generate 100 --tags 7
}

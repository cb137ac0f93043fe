#!/usr/bin/env bash
# make demo: the suite's main job end to end. A technician's update package (OrvexRoll.exe and
# its OrvexRoll.ini, OrvexSet.exe, OrvexFlash.exe, the definition file, program images for every
# processor, newer driver and library files) meets a simulated adapter with older firmware and
# parameters and an older installed driver; OrvexRoll runs under Xvfb, its start question and
# final box answered through the UI driver. Output folder: build/demo (the log, the run folder,
# screenshots of the log window). The programs are the shipped i686 ones where this machine runs
# 32-bit programs (scripts/form.sh), else the x86-64 ones; the output says which.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/steps.sh
source scripts/form.sh
source scripts/xvfb.sh
export ORVEX_FORM=${ORVEX_FORM:-$(orvex_form)}
# The trap runs without -e, so the display and the Wine server always go; a step that stopped the
# demo has said so itself, anything else is named here.
step="setting up"
trap 'rc=$?; set +e; roll_teardown >/dev/null 2>&1; orvex_stop_all
  [ $rc = 0 ] || echo "FAILED: make demo stopped in: $step (exit $rc)" >&2' EXIT

echo "== the demo runs $(orvex_form_text "$ORVEX_FORM")"
orvex_step "build $ORVEX_FORM and host" scripts/build.sh "$ORVEX_FORM" host
orvex_step "Wine prefix $WINEPREFIX" scripts/wine-prefix.sh
orvex_start_xvfb
orvex_start_wineserver
source scripts/roll-package.sh
source scripts/perf-lib.sh

demo=$ORVEX_BUILD_ROOT/demo
rm -rf "$demo"
mkdir -p "$demo"
versions() { roll_orvex_exe sim show | roll_u8 | grep -E '^(mc|board\.[0-9]+) ' || true; }

definition_version() { grep -a '^\[VER\]' "$1" | tr -d '\r'; }

step="the update package and the simulated adapter"
echo "== the update package, a fresh simulated adapter with older firmware and parameters, an older driver"
roll_setup "$demo"
(cd "$demo/package" && find . -type f | sort | sed 's/^\.\//   /')
versions | tee "$demo/versions-before.txt"
echo "   installed definition: $(definition_version "$demo/installed/Bin/Cti_par.txt"), the package's: $(definition_version "$demo/package/Para/Cti_par.txt")"

step="OrvexRoll.exe"
echo "== OrvexRoll.exe ($ORVEX_FORM)"
perf_watch_start "$demo"
roll_run "$demo" "" "$demo/log-window.png"
perf_watch_stop "$demo"
echo "== the log file"
roll_u8 < "$demo/run/OrvexRoll.log"
echo "== the adapter before and after (every processor at the package's version, the parameters at the definition's)"
versions > "$demo/versions-after.txt"
diff "$demo/versions-before.txt" "$demo/versions-after.txt" || true
if [ -f "$demo/run/OLD_MCPARA.prg" ] && [ -f "$demo/run/MCPARA.prg" ]; then
  echo "== what the parameter update changed: orvex def diff OLD_MCPARA.prg MCPARA.prg"
  roll_orvex_exe def diff "$(roll_winpath "$demo/package/Para/Cti_par.txt")" \
    "$(roll_winpath "$demo/run/OLD_MCPARA.prg")" "$(roll_winpath "$demo/run/MCPARA.prg")" | roll_u8 || true
  if cmp -s "$demo/run/MCPARA.prg" "$demo/adapter/Parameters.prg"; then
    echo "   the adapter's stored parameters are MCPARA.prg byte for byte"
  else
    echo "   the adapter's stored parameters differ from MCPARA.prg"
  fi
fi
echo "== the definition file in the install folder: $(definition_version "$demo/installed/Bin/Cti_par.txt")" \
  "(the one it replaced: run/OLDP_Cti_par.txt, $(definition_version "$demo/run/OLDP_Cti_par.txt" 2>/dev/null || echo missing))"
step="speed and memory"
echo "== measuring the programs' start-up (3 rounds)"
demo_performance() {
  echo "== speed and memory against their floors (measured with $(perf_load); make bench repeats"
  echo "   them; docs/benchmarks.md)"
  roll_timing "$demo" && echo && perf_memory_table "$demo/memory.txt" && echo && perf_startups 3 "$demo"
}
# Printed at the end; a failure shows what it had printed.
demo_performance >"$demo/performance.txt" 2>&1 || { echo "FAILED: $step; its last lines:" >&2
  tail -n 25 "$demo/performance.txt" | sed 's/^/  | /' >&2; false; }
roll_teardown

step="the layers underneath"
echo "== the layers underneath, through the orvex command line"
scripts/demo-session.sh > "$demo/session.txt" 2>&1 && echo "   build/demo/session.txt" || echo "   failed: see build/demo/session.txt"
scripts/demo-orvexset.sh
scripts/demo-orvexflash.sh "$demo/session"  # the layers' package and adapter
cat "$demo/performance.txt"
echo "demo output: $demo"

#!/usr/bin/env bash
# The device-pace sweep: every device job of the three programs (OrvexSet's file modes and its
# read and write from the window, OrvexFlash's update and automatic mode, a whole OrvexRoll run)
# at every adapter pace of the full grid, from far faster than the tools' waits to far slower,
# each checked for its result, the adapter's end state and the number of writes the adapter saw.
# The quick grid of the same cases runs in every `make test`. Output: build/sweep/table.md.
set -uo pipefail
cd "$(dirname "$0")/.."
source scripts/steps.sh
source scripts/form.sh
root=${ORVEX_BUILD_ROOT:-build}
case $root in /*) ;; *) root=$PWD/$root ;; esac
export ORVEX_BUILD_ROOT=$root
export WINEPREFIX=${ORVEX_SWEEP_PREFIX:-$root/wineprefix-sweep}
source scripts/xvfb.sh
trap orvex_stop_all EXIT

form=$(orvex_form)
echo "== device-pace sweep on $(orvex_form_text "$form")"
orvex_step "build $form" scripts/build.sh "$form" || exit 1
orvex_step "Wine prefix $WINEPREFIX" scripts/wine-prefix.sh || exit 1
orvex_start_xvfb || exit 1
ORVEX_OWN_WINESERVER=1 orvex_start_wineserver || exit 1
orvex_step "Wine start-up" wine wineboot || exit 1

out=$root/sweep
mkdir -p "$out"
rm -f "$out/rows.tsv"
export ORVEX_PACES=full GTEST_FILTER='Paces/*'
export ORVEX_SWEEP_TABLE
ORVEX_SWEEP_TABLE="Z:${out//\//\\}\\rows.tsv"
orvex_step_shown "the paced cases" bash -c 'cd "$1" && ctest --output-on-failure --timeout 1800 -R "^(set_adapter_e2e_tests|flash_e2e_tests|roll_e2e_tests)$"' \
  _ "$root/$form"
status=$?
python3 - "$out/rows.tsv" "$out/table.md" <<'PY'
import sys
rows = [l.rstrip("\n").split("\t") for l in open(sys.argv[1], encoding="utf-8", errors="replace") if l.strip()] \
    if __import__("os").path.exists(sys.argv[1]) else []
paces = []
for r in rows:
    if r[0] not in paces: paces.append(r[0])
jobs = []
for r in rows:
    if r[1] not in jobs: jobs.append(r[1])
cell = {(r[0], r[1]): r for r in rows}
lines = ["| job | " + " | ".join(paces) + " |", "|---|" + "---|" * len(paces)]
for job in jobs:
    cells = []
    for pace in paces:
        r = cell.get((pace, job))
        cells.append("FAILED (no row)" if r is None else f"{r[2]} write{'s' if r[2] != '1' else ''}, {r[3]}")
    lines.append(f"| {job} | " + " | ".join(cells) + " |")
# A case that stopped before its row (an assertion, a time-out) counts as failed.
failed = sum(1 for r in rows if r[3] != "ok") + len(jobs) * len(paces) - len(rows)
lines.append("")
lines.append(f"{len(jobs) * len(paces)} runs ({len(jobs)} jobs × {len(paces)} paces), {failed} failed")
open(sys.argv[2], "w", encoding="utf-8").write("\n".join(lines) + "\n")
print("\n".join(lines))
PY
if [ "$status" -ne 0 ]; then
  echo "FAILED: the paced cases (their output is above; the table is in $out/table.md)" >&2
  exit 1
fi

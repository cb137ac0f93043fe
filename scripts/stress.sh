#!/usr/bin/env bash
# Repeats the test suites of the built trees many times in a row, with make test's parallelism,
# while the machine is kept busy by a CPU load beside them, and counts what failed. Not part of
# make test: a developer runs it to see that the suite is stable (figures in docs/testing.md).
#
#   scripts/stress.sh [-n RUNS] [--load N] [TREE...]     (default: 5 runs, 1 load process,
#                                                        trees windows windows32 host)
# Needs the trees built (make build or make test). Output: build/stress/ (a log per run and
# summary.txt); a failing test's output is kept there.
set -uo pipefail
cd "$(dirname "$0")/.."
source scripts/steps.sh
source scripts/form.sh
runs=5
load=1
trees=()
while [ $# -gt 0 ]; do
  case $1 in
    -n) runs=$2; shift 2 ;;
    --load) load=$2; shift 2 ;;
    *) trees+=("$1"); shift ;;
  esac
done
[ ${#trees[@]} -gt 0 ] || trees=(windows windows32 host)
root=${ORVEX_BUILD_ROOT:-build}
case $root in /*) ;; *) root=$PWD/$root ;; esac
export ORVEX_BUILD_ROOT=$root
export WINEPREFIX=${ORVEX_TEST_PREFIX:-$root/wineprefix-test}
source scripts/xvfb.sh
out=$root/stress
rm -rf "$out"
mkdir -p "$out"

load_pids=()
stop() {
  for p in "${load_pids[@]}"; do kill "$p" 2>/dev/null; done
  orvex_stop_all
}
trap stop EXIT

for tree in "${trees[@]}"; do
  [ -f "$root/$tree/CTestTestfile.cmake" ] || { orvex_fail "stress" "$root/$tree is not built (make build)"; exit 1; }
done
orvex_step "Wine prefix $WINEPREFIX" scripts/wine-prefix.sh || exit 1
orvex_start_xvfb || exit 1
ORVEX_OWN_WINESERVER=1 orvex_start_wineserver || exit 1
export ORVEX_WIN32_BINARY_DIR=$root/windows32 ORVEX_WIN64_BINARY_DIR=$root/windows
form=$(orvex_form)

# The load: busy loops at the lowest priority would not compete; these run at normal priority.
for _ in $(seq 1 "$load"); do
  (while :; do :; done) &
  load_pids+=($!)
done
echo "== $runs runs of ${trees[*]} with $load busy process(es) beside them; Windows end-to-end tests on $form"

total=0
failed=0
: >"$out/failures.txt"
for run in $(seq 1 "$runs"); do
  for tree in "${trees[@]}"; do
    mapfile -t select < <(orvex_ctest_select "$tree" "$form")
    log=$out/run-$run-$tree.log
    (cd "$root/$tree" && ctest --output-on-failure -j2 --timeout 900 "${select[@]}" ${CTEST_ARGS:-}) >"$log" 2>&1
    n=$(sed -n 's/.*tests failed out of \([0-9]*\).*/\1/p' "$log" | tail -1)
    f=$(sed -n 's/.*, \([0-9]*\) tests failed out of.*/\1/p' "$log" | tail -1)
    total=$((total + ${n:-0}))
    failed=$((failed + ${f:-0}))
    echo "run $run $tree: ${n:-?} tests, ${f:-?} failed"
    if [ "${f:-1}" != 0 ]; then
      grep -E '^\s+[0-9]+ - ' "$log" | sed "s/^/run $run $tree: /" >>"$out/failures.txt"
    fi
  done
done
summary="$runs runs x ${trees[*]}: $total tests run, $failed failed (load: $load busy process(es), $(nproc) cores)"
echo "$summary" | tee "$out/summary.txt"
[ -s "$out/failures.txt" ] && { echo "failed:"; cat "$out/failures.txt"; }
[ "$failed" = 0 ]

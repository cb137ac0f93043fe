#!/usr/bin/env bash
# make bench: builds the Release host tree with the benchmarks and runs every *_bench program in
# it. Arguments go to each program; without any, each benchmark runs 10 times and the mean,
# median, spread and fastest run are shown (the fastest tells most on a busy machine). Then the
# Windows programs under Wine against their floors (scripts/bench-wine.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
root=${ORVEX_BUILD_ROOT:-build}
args=("$@")
[ ${#args[@]} -gt 0 ] || args=(--benchmark_repetitions=10 --benchmark_report_aggregates_only=true)
scripts/build.sh bench
find "$root/bench" -name '*_bench' -type f -perm -u+x | sort | while read -r program; do
  echo "== $program"
  "$program" "${args[@]}"
done
scripts/bench-wine.sh

#!/usr/bin/env bash
# make test: builds the four trees and runs every test: host (ASan/UBSan), fuzz (libFuzzer,
# briefly), windows (under Wine, GUI tests on Xvfb), windows32 (static checks of the shipped
# 32-bit files; Wine here cannot run them). Leaves no Wine server or Xvfb behind.
set -uo pipefail
cd "$(dirname "$0")/.."
source scripts/xvfb.sh
trap orvex_stop_all EXIT

# Optional arguments name the trees (default: all four); CTEST_ARGS narrows the tests.
trees=("$@")
[ ${#trees[@]} -gt 0 ] || trees=(host fuzz windows windows32)
root=${ORVEX_BUILD_ROOT:-build}
scripts/build.sh "${trees[@]}" || exit 1
scripts/wine-prefix.sh || exit 1
orvex_start_xvfb || exit 1
# A persistent server started here, with its output away from ours.
wineserver -p60 >/dev/null 2>&1 </dev/null
wine wineboot >/dev/null 2>&1 </dev/null

status=0
for tree in "${trees[@]}"; do
  echo "== ctest $tree"
  # Only the static checks can run on the 32-bit tree, whatever else a folder registered there.
  only=()
  [ "$tree" != windows32 ] || only=(-L static)
  (cd "$root/$tree" && ctest --output-on-failure -j2 --timeout 600 "${only[@]}" ${CTEST_ARGS:-}) || status=1
done
exit $status

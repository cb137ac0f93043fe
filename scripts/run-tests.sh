#!/usr/bin/env bash
# make test: builds the four trees and runs every test: host (ASan/UBSan), fuzz (libFuzzer,
# briefly), windows (x86-64 under Wine, GUI tests on Xvfb) and windows32 (the shipped i686 build:
# static checks of its files, and where this machine runs 32-bit programs, the end-to-end tests of
# the real programs, which then run on it instead of on the x86-64 build). A failing step names
# itself. Leaves no Wine server or Xvfb of its own behind.
set -uo pipefail
cd "$(dirname "$0")/.."
source scripts/steps.sh
source scripts/form.sh
# A prefix of the tests' own: the programs a user starts by hand live in build/wineprefix, and
# windows found there by caption must not be taken for the tests' own.
root=${ORVEX_BUILD_ROOT:-build}
case $root in /*) ;; *) root=$PWD/$root ;; esac
export ORVEX_BUILD_ROOT=$root
export WINEPREFIX=${ORVEX_TEST_PREFIX:-$root/wineprefix-test}
source scripts/xvfb.sh
trap orvex_stop_all EXIT

# Optional arguments name the trees (default: all four); CTEST_ARGS narrows the tests.
trees=("$@")
[ ${#trees[@]} -gt 0 ] || trees=(host fuzz windows windows32)
form=$(orvex_form)
echo "== the Windows end-to-end tests run on $(orvex_form_text "$form")"

for tree in "${trees[@]}"; do
  orvex_step "build $tree" scripts/build.sh "$tree" || exit 1
done
orvex_step "Wine prefix $WINEPREFIX" scripts/wine-prefix.sh || exit 1
orvex_start_xvfb || exit 1
ORVEX_OWN_WINESERVER=1 orvex_start_wineserver || exit 1
orvex_step "Wine start-up" wine wineboot || exit 1
# The UI driver's tests read a program of the other bitness from the other tree.
export ORVEX_WIN32_BINARY_DIR=$root/windows32 ORVEX_WIN64_BINARY_DIR=$root/windows

failed=()
for tree in "${trees[@]}"; do
  mapfile -t select < <(orvex_ctest_select "$tree" "$form")
  if ! orvex_step_shown "ctest $tree ${select[*]}" bash -c 'cd "$1" && shift && ctest --output-on-failure -j2 --timeout 900 "$@" ${CTEST_ARGS:-}' \
    _ "$root/$tree" "${select[@]}"; then
    failed+=("$tree")
  fi
done
if ((${#failed[@]})); then
  echo "FAILED: the tests of ${failed[*]} (each tree's failing tests are listed above its summary)" >&2
  exit 1
fi
echo "== all tests passed"

#!/usr/bin/env bash
# make dist: what ships, from the release build of the shipped i686 tree (build/windows32), after
# packaging/ships.txt: the installer Orvex-VERSION.msi, the update package kit and the simulated
# try-it archive, in dist/. Names every file it wrote with its size, then checks them against
# ships.txt (packaging/dist.py check).
#
#   scripts/dist.sh [--tree TREE] [--out DIR] [--work DIR] [--no-build] [--msi-only]
#
# --msi-only makes the installer alone, which needs no Wine (the static test); the archives need
# the tree's orvex.exe under Wine for the update information files, the try-it's program images and
# its simulated adapter.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/steps.sh
tree=build/windows32 out=dist build=1 msi_only="" work=""
while [ $# -gt 0 ]; do
  case $1 in
    --tree) tree=$2; shift 2 ;;
    --out) out=$2; shift 2 ;;
    --work) work=$2; shift 2 ;;
    --no-build) build=""; shift ;;
    --msi-only) msi_only=1; shift ;;
    *) echo "usage: scripts/dist.sh [--tree TREE] [--out DIR] [--work DIR] [--no-build] [--msi-only]" >&2; exit 1 ;;
  esac
done
case $tree in /*) ;; *) tree=$PWD/$tree ;; esac
case $out in /*) ;; *) out=$PWD/$out ;; esac
# roll-package.sh finds the programs as ORVEX_BUILD_ROOT/ORVEX_FORM.
export ORVEX_BUILD_ROOT=$(dirname "$tree") ORVEX_FORM=$(basename "$tree")
if [ -n "$build" ]; then
  orvex_step "build $ORVEX_FORM (release)" scripts/build.sh "$ORVEX_FORM"
fi
for tool in wixl msibuild msiinfo msiextract; do
  command -v $tool >/dev/null || orvex_fail "make dist" "$tool is missing (Debian's msitools and wixl: scripts/install-deps.sh)"
done

work=${work:-$ORVEX_BUILD_ROOT/dist-work-$ORVEX_FORM}
case $work in /*) ;; *) work=$PWD/$work ;; esac
rm -rf "$work"
mkdir -p "$work/made"
trap 'rc=$?; set +e; orvex_stop_all 2>/dev/null; [ $rc = 0 ] || echo "FAILED: make dist (exit $rc)" >&2' EXIT

if [ -z "$msi_only" ]; then
  source scripts/xvfb.sh   # wine-env.sh and the Wine server; orvex.exe needs no display
  orvex_step "Wine prefix $WINEPREFIX" scripts/wine-prefix.sh
  orvex_start_wineserver >/dev/null
  source scripts/roll-package.sh
  # orvex.exe's output is the same from either build; a machine that cannot run 32-bit programs
  # uses the x86-64 one (scripts/form.sh).
  source scripts/form.sh
  if ! { orvex_wine32_installed && orvex_kernel_runs_32bit; }; then
    [ -z "$build" ] || orvex_step "build windows (its orvex.exe)" scripts/build.sh windows
    roll_win=$ORVEX_BUILD_ROOT/windows
  fi
  made=$work/made
  make_with_orvex() {
    # The kit's OrvexRoll.ini: the template OrvexRoll itself writes when it has none.
    roll_orvex_exe ini template -o "$(roll_winpath "$made/OrvexRoll.ini")" >/dev/null
    # The try-it: the demo's OrvexRoll.ini and program images, and its adapter, one version behind
    # them with parameters that lack the items the definition fills.
    roll_package_ini "$made/OrvexRoll-tryit.ini"
    roll_make_images "$made"
    roll_make_adapter "$made/adapter" "$ORVEX_ROOT/paramtool/model/Cti_par.txt"
    # The adapter's log is written as it works; the archive starts without one.
    cp "$made/adapter/OrvexSim.txt" "$made/adapter/Parameters.prg" "$made/"
  }
  orvex_step "update information files, program images and the simulated adapter (orvex.exe)" make_with_orvex
fi
orvex_step "staging" python3 packaging/dist.py stage --tree "$tree" --work "$work" ${msi_only:+--msi-only}

mkdir -p "$out"
listing=$(mktemp)
orvex_step "the installer and the archives" bash -c 'python3 packaging/dist.py pack --tree "$1" --work "$2" --out "$3" >"$4"' \
  _ "$tree" "$work" "$out" "$listing"
echo "== wrote $(realpath --relative-to="$PWD" "$out" 2>/dev/null || echo "$out")/:"
sed "s|$out/||" "$listing"
rm -f "$listing"
orvex_step_shown "dist check: the MSI's tables and files and the archives against packaging/ships.txt" \
  python3 packaging/dist.py check --tree "$tree" --out "$out"

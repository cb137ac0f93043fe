#!/usr/bin/env bash
# A step of make screenshots (scripts/screenshots.sh starts the display and the Wine server):
# OrvexRoll's log window with its start question, and after a successful update, on the demo's
# package and adapter. usage: roll-screenshots.sh OUT_FOLDER
set -euo pipefail
out=$(cd "$1" && pwd)
cd "$(dirname "$0")/.."
source scripts/wine-env.sh
source scripts/roll-package.sh
trap 'set +e; roll_teardown >/dev/null 2>&1' EXIT
dir=$ORVEX_BUILD_ROOT/screenshot-roll
rm -rf "$dir"
roll_setup "$dir" >/dev/null
roll_run "$dir" "$out/roll-start.png" "$out/roll-log.png" >/dev/null

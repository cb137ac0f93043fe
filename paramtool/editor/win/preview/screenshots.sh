#!/usr/bin/env bash
# The settings window's pictures for the README: a page of each layout with every kind of
# control, the copy dialog and the balloon. Called by scripts/screenshots.sh (which builds the
# windows tree and starts the display); runs on its own too.
#   paramtool/editor/win/preview/screenshots.sh [OUTPUT_FOLDER]
set -euo pipefail
cd "$(dirname "$0")/../../../.."
source scripts/wine-env.sh
out=${1:-docs/screenshots}
preview=$ORVEX_BUILD_ROOT/windows/paramtool/editor/win/settings_preview.exe
[ -f "$preview" ] || cmake --build "$ORVEX_BUILD_ROOT/windows" --target settings_preview
mkdir -p "$out"
shot() { scripts/screenshot.sh "$out/$1" --title "$2" --wait 2 -- "$preview" --showcase "${@:3}"; }
shot settings-one-column.png "パラメータ設定" --enter
shot settings-two-columns.png "パラメータ設定" --page 1
shot settings-copy.png "パラメータ複写" --block 3 --copy
shot settings-balloon.png "設定画面プレビュー" --balloon

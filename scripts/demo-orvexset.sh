#!/usr/bin/env bash
# make demo, OrvexSet's step: the parameter setting tool with the sample definition, without an
# adapter, driven from outside: a settings window opened, a screenshot of both windows in
# build/demo, then the program closed through its own close button. Called by scripts/demo.sh
# with Xvfb and the Wine prefix ready.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/wine-env.sh

root=$ORVEX_BUILD_ROOT
demo=$root/demo/orvexset
rm -rf "$demo"
mkdir -p "$demo"
cp "$root/windows/paramtool/app/win/OrvexSet.exe" "$root/windows/paramtool/app/win/Orvex.dll" \
  paramtool/model/Cti_par.txt "$demo/"
winpath() { echo "Z:${1//\//\\}"; }
ui() { scripts/wine-run "$root/windows/tools/uidriver/orvexui.exe" "$@"; }
main=(--caption "Orvex - " --match prefix)

echo "== OrvexSet with the sample definition"
pid=$(ui start --env ORVEX_SIM= --cwd "$(winpath "$demo")" -- "$(winpath "$demo/OrvexSet.exe")" | tr -d '\r')
ui wait --pid "$pid" "${main[@]}" --timeout 30 >/dev/null
ui windows --pid "$pid" --utf8
echo "== a settings window: ｱﾅﾛｸﾞ局線"
ui click --pid "$pid" "${main[@]}" --id 2101
ui wait --pid "$pid" --caption "ｱﾅﾛｸﾞ局線 - パラメータ設定" --timeout 30 >/dev/null
sleep 1
import -window root "$demo/orvexset-settings.png"
convert "$demo/orvexset-settings.png" -trim +repage "$demo/orvexset-settings.png"
echo "screenshot: $demo/orvexset-settings.png"
ui click --pid "$pid" --caption "ｱﾅﾛｸﾞ局線 - パラメータ設定" --id 3006
echo "== closed through its own close button"
ui click --pid "$pid" "${main[@]}" --id 2000
echo "exit code: $(ui wait-exit --pid "$pid" --timeout 30 | tr -d '\r')"

#!/usr/bin/env bash
# make demo, OrvexSet's step: the parameter setting tool with the sample definition, without an
# adapter, driven from outside: a settings window opened, a screenshot of both windows in
# build/demo, then the program closed through its own close button. Called by scripts/demo.sh
# with Xvfb and the Wine prefix ready.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/orvexset-lib.sh

demo=$ORVEX_BUILD_ROOT/demo/orvexset
settings=(--caption "ｱﾅﾛｸﾞ局線 - パラメータ設定")
echo "== OrvexSet with the sample definition"
orvexset_start "$demo"
pid=$orvexset_pid
ui windows --pid "$pid" --utf8
echo "== a settings window: ｱﾅﾛｸﾞ局線"
ui click --pid "$pid" "${orvexset_main[@]}" --id 2101
ui wait --pid "$pid" "${settings[@]}" --timeout 30 >/dev/null
sleep 1
import -window root "$demo/orvexset-settings.png"
convert "$demo/orvexset-settings.png" -trim +repage "$demo/orvexset-settings.png"
echo "screenshot: $demo/orvexset-settings.png"
ui click --pid "$pid" "${settings[@]}" --id 3006
echo "== closed through its own close button"
ui click --pid "$pid" "${orvexset_main[@]}" --id 2000
# wait-exit reads the code while the program still runs; once it is gone, it is gone.
if code=$(ui wait-exit --pid "$pid" --timeout 30 2>/dev/null); then
  echo "exit code: $(echo "$code" | tr -d '\r')"
else
  echo "OrvexSet has ended"
fi

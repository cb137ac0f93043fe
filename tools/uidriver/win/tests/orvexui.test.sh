#!/usr/bin/env bash
# orvexui against the sample program under Wine: a script run, single commands against a
# started program, and the exit codes of what goes wrong.
#   orvexui.test.sh ORVEXUI.EXE SAMPLE.EXE SCRIPTS-FOLDER
ORVEXUI=$1
SAMPLE=$2
# The CLI tests' scratch folder, check, has and finish.
source "$(dirname "${BASH_SOURCE[0]}")/../../../tests/lib.sh" "$ORVEXUI"
# Wine as scripts/wine-run starts it, but with stdout and stderr apart (in files, so Wine's
# helper processes cannot hold a pipe open).
source "$3/wine-env.sh"
winpath() { echo "Z:${1//\//\\}"; }
# orvexui prints code page 932; out.txt holds stdout and err.txt stderr, both in UTF-8.
ui() {
  wine "$ORVEXUI" "$@" >raw.txt 2>err.raw </dev/null
  local rc=$?
  iconv -f CP932 -t UTF-8 <raw.txt >out.txt 2>/dev/null || cp raw.txt out.txt
  iconv -f CP932 -t UTF-8 <err.raw >err.txt 2>/dev/null || cp err.raw err.txt
  return $rc
}
err_has() { grep -aqF -- "$1" err.txt; }
logged() { iconv -f CP932 -t UTF-8 <log.txt | grep -aqxF -- "$1"; }
log=$(winpath "$work/log.txt")
caption="UIドライバ サンプル"

# --- a whole session as one script: the program is started, driven, and its exit code read
cat >session.txt <<'SCRIPT'
# comments and blank lines are skipped

wait --caption "UIドライバ サンプル" --timeout 30
text --caption "UIドライバ サンプル" --id 1001
click --caption "UIドライバ サンプル" --id 1002
text --caption "UIドライバ サンプル" --id 1001
type --caption "UIドライバ サンプル" --id 1007 --text 12a3
set-text --caption "UIドライバ サンプル" --id 1006 --text "ｱﾅﾛｸﾞ 局線"
check --caption "UIドライバ サンプル" --id 1003 --state on
select --caption "UIドライバ サンプル" --id 1014 --index 2
select --caption "UIドライバ サンプル" --id 1015 --index 1
tab --caption "UIドライバ サンプル" --id 1016 --index 1
command --caption "UIドライバ サンプル" --id 40001
command --caption "UIドライバ サンプル" --id 16 --system
click --caption "UIドライバ サンプル" --id 1009
answer --caption 保存確認 --button no --expect-text 保存しますか
dump --caption "UIドライバ" --match prefix
click --caption "UIドライバ サンプル" --id 1013
wait-exit --timeout 30
SCRIPT
ui run --script "$PWD/session.txt" -- "$SAMPLE" /log "$log"
check "run: the script ends well" $?
has "pid " && grep -aqx "待機中" out.txt && grep -aqx "実行しました" out.txt
check "run: texts before and after the click" $?
has '"保存確認" question "設定を保存しますか？"'
check "run: the answered box with its icon" $?
has '[1014] SysListView32' && has '*2: "3" "ｱﾅﾛｸﾞ内線" "接続"' && has '[1007] Edit "123"'
check "run: the dump shows the selected row and the filtered edit" $?
[ "$(tail -n 1 out.txt | tr -d '\r')" = 257 ]
check "run: wait-exit prints the full exit code 257" $?
for line in run "filtered a" "digits 123" "name ｱﾅﾛｸﾞ 局線" "check on" "row 2 selected" "combo 1 書き込み" \
  "tab 1" "menu save" "system about" "question no" "exit 257"; do
  logged "$line"
  check "run: the program saw \"$line\"" $?
done

# --- a failing step stops the script with its exit code, and the program is ended
rm -f log.txt
printf 'click --caption "UIドライバ サンプル" --id 1008 --timeout 30\nclick --caption x --id 1\n' >disabled.txt
ui run --script "$(winpath "$work/disabled.txt")" -- "$SAMPLE" /log "$log"
check "run: a disabled button fails with 3" $([ $? = 3 ] && echo 0 || echo 1)
err_has "disabled.txt:1:" && err_has "(it is disabled)"
check "run: the failing line is named" $?
! logged "disabled button"
check "run: the disabled button was not pressed" $?
printf 'wait --caption x\nclik --caption x\n' >typo.txt
ui run --script "$PWD/typo.txt" -- "$SAMPLE"
check "run: a typo is refused with 1 before anything starts" $([ $? = 1 ] && echo 0 || echo 1)
err_has 'typo.txt:2: unknown command "clik"'
check "run: the typo is named" $?

# --- single commands against a started program
rm -f log.txt
ui start --env ORVEX_UI_ECHO=値 -- "$SAMPLE" /log "$log"
check "start" $?
pid=$(tr -d '\r\n' <out.txt)
[ -n "$pid" ] && [ "$pid" -gt 0 ] 2>/dev/null
check "start prints the pid" $?
ui wait --pid "$pid" --caption "$caption" --timeout 30
check "wait for the window" $?
logged "env ORVEX_UI_ECHO=値"
check "start: the environment reached the program" $?
ui windows --pid "$pid"
has "window \"$caption\" class \"#32770\""
check "windows lists the main window" $?
ui text --pid "$pid" --caption "$caption" --id 1001 --utf8
[ "$(tr -d '\r' <raw.txt)" = "待機中" ]
check "text --utf8 prints UTF-8" $?
ui click --pid "$pid" --caption "$caption" --id 1010
check "click opens a failure box" $?
ui answer --pid "$pid" --button ok --expect-text "別の文" --timeout 10
check "answer: a text not as expected gives 4" $([ $? = 4 ] && echo 0 || echo 1)
ui answer --pid "$pid" --button yes --timeout 10
check "answer: a button the box lacks gives 3" $([ $? = 3 ] && echo 0 || echo 1)
err_has '1="OK"'
check "answer: the buttons it has are named" $?
ui answer --pid "$pid" --button ok --expect-text "開けません" --timeout 10
check "answer: the box left open is answered" $?
has '"UIドライバ サンプル" exclamation "ファイルを開けません。\n\nErr = 2'
check "answer prints caption, icon and text" $?
ui wait --pid "$pid" --caption "存在しない" --timeout 0.5
check "wait: a window that never comes gives 2" $([ $? = 2 ] && echo 0 || echo 1)
err_has 'no window "存在しない" within 0.5 s; on screen:' && err_has "[1014] SysListView32"
check "wait: what was on screen instead is shown" $?
ui click --pid "$pid" --caption "$caption" --id 4711
check "click: a missing control gives 3" $([ $? = 3 ] && echo 0 || echo 1)
ui kill --pid "$pid"
check "kill" $?
# Gone: its windows with it (whether its exit code can still be read depends on Wine).
ui windows --pid "$pid"
! has "window"
check "kill: the program ended" $?
ui wait-exit --pid 999999 --timeout 5
check "wait-exit on no process gives 3 at once" $([ $? = 3 ] && echo 0 || echo 1)
err_has "no process 999999"
check "wait-exit says there is no such process" $?
ui click --pid "$pid"
check "bad arguments give 1" $([ $? = 1 ] && echo 0 || echo 1)
err_has "click: --caption is missing"
check "bad arguments are named" $?

finish

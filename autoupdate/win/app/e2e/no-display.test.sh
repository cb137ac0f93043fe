#!/usr/bin/env bash
# The three programs started where Wine has no display: no window and so no box can be shown, so
# each says on its standard error that its main window could not be made and ends with 3, never
# with 0 as if it had run. Usage: no-display.test.sh ORVEXROLL ORVEXSET ORVEXFLASH
roll=$1 set=$2 flash=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
pass=0 fails=0
# A package OrvexRoll accepts, so that it gets as far as its window.
mkdir -p "$work/Bin"
cp "$set" "$work/Bin/OrvexSet.exe"
cp "$flash" "$work/Bin/OrvexFlash.exe"
cp "$roll" "$work/OrvexRoll.exe"
printf 'DeviceName=KV-4100CTIアダプター\r\nTitleName=自動更新\r\nVerUpProg=Bin\\OrvexFlash.exe\r\nParaProg=Bin\\OrvexSet.exe\r\n' |
  iconv -f UTF-8 -t CP932 > "$work/OrvexRoll.ini"
for exe in "$work/OrvexRoll.exe" "$set" "$flash"; do
  name=$(basename "$exe" .exe)
  (cd "$work" && env -u DISPLAY timeout 60 "$(dirname "$0")/../../../../scripts/wine-run" "$exe" >out.txt 2>err.txt)
  rc=$?
  if [ $rc = 3 ] && grep -q "^$name: the main window could not be created" "$work/err.txt"; then
    pass=$((pass + 1))
  else
    echo "FAIL: $name without a display ended with $rc and said:"
    cat "$work/out.txt" "$work/err.txt" | tail -n 5 | sed 's/^/  | /'
    fails=$((fails + 1))
  fi
done
echo "$pass passed, $fails failed"
[ $fails = 0 ]

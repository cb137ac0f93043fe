#!/usr/bin/env bash
# Orvex.dll exports every ordinal of the library contract and no name at all; a program that
# binds it (EXE) imports it by ordinal only.
# usage: ordinals.test.sh OBJDUMP DLL DEF [EXE]
set -uo pipefail
objdump=$1 dll=$2 def=$3 exe=${4:-}
table=$(LC_ALL=C LANG=C "$objdump" -p "$dll") || { echo "objdump failed"; exit 1; }
status=0
for ordinal in $(grep -o '@[0-9]\+' "$def" | tr -d @); do
  if ! grep -Eq "\+base\[ *$ordinal\] [0-9a-f]+ Export RVA" <<<"$table"; then
    echo "ordinal $ordinal is not exported"
    status=1
  fi
done
names=$(grep -E '^[[:space:]]*\[Name Pointer/Ordinal\] Table' <<<"$table" | awk '{print $NF}')
if [ -z "$names" ] || [ $((16#$names)) -ne 0 ]; then
  echo "the export table holds names (count: ${names:-none})"
  status=1
fi
echo "$(grep -c '@[0-9]' "$def") ordinals checked, names: ${names:-none}"
if [ -n "$exe" ]; then
  imports=$(LC_ALL=C "$objdump" -p "$exe" | sed -n '/DLL Name: Orvex.dll/,/^$/p' | tail -n +3)
  if [ -z "$imports" ]; then
    echo "$exe does not import Orvex.dll"
    status=1
  elif grep -qv '<none>$' <<<"$(grep -v '^[[:space:]]*$' <<<"$imports")" || grep -Eqv '^[[:space:]]*8000000000000' <<<"$(grep -v '^[[:space:]]*$' <<<"$imports")"; then
    echo "$exe imports Orvex.dll by name:"
    echo "$imports"
    status=1
  else
    echo "$(grep -c . <<<"$imports") imports of $(basename "$exe") by ordinal"
  fi
fi
exit $status

#!/usr/bin/env bash
# Static checks of one Windows tree's files against the library contract (OrvexOrdinals.h):
# - every .exe and .dll is of the tree's bitness (PE32 for i686, PE32+ for x86-64) and needs no
#   runtime DLL of the compiler (the C++ runtime is linked in);
# - every program that binds Orvex.dll imports it by ordinal only, with no names, and only the
#   contract's ordinals;
# - the simulated Orvex.dll exports every ordinal of the contract and no name;
# - the import library's names carry the contract's argument bytes on i686 (Name@4n) and none on
#   x86-64, where there is one calling convention.
# usage: binaries.test.sh OBJDUMP NM CONTRACT IMPORT_LIB ORVEX_DLL TREE 32|64
set -uo pipefail
objdump=$1 nm=$2 contract=$3 importlib=$4 dll=$5 tree=$6 bits=$7
export LC_ALL=C
status=0
fail() { echo "FAIL: $*"; status=1; }

declare -A arguments
while read -r ordinal name count; do
  arguments[$name]=$count
  ordinals+=" $ordinal "
done < <(sed -n 's/^ORVEX_ORDINAL(\([0-9]*\), *\([A-Za-z0-9_]*\), *\([0-9]*\))$/\1 \2 \3/p' "$contract")
[ ${#arguments[@]} -gt 0 ] || { echo "no ordinal read from $contract"; exit 1; }

case $bits in
  32) magic=010b ;;
  64) magic=020b ;;
  *) echo "bits must be 32 or 64"; exit 1 ;;
esac

files=$(find "$tree" -path '*/CMakeFiles' -prune -o \( -name '*.exe' -o -name '*.dll' \) -type f -print | sort)
[ -n "$files" ] || fail "no program in $tree"
binders=0
for f in $files; do
  header=$("$objdump" -p "$f") || { fail "$f: objdump cannot read it"; continue; }
  grep -Eq "^Magic[[:space:]]+$magic([[:space:]]|\$)" <<<"$header" || fail "$f: not a $bits-bit PE file ($(grep -m1 '^Magic' <<<"$header"))"
  runtime=$(grep -Eio 'DLL Name: (libgcc|libstdc|libwinpthread)[^ ]*' <<<"$header")
  [ -z "$runtime" ] || fail "$f: needs $runtime"
  imports=$(sed -n '/DLL Name: Orvex.dll/,/^$/p' <<<"$header" | tail -n +3 | grep -v '^[[:space:]]*$')
  [ -n "$imports" ] || continue
  binders=$((binders + 1))
  while read -r line; do
    # An import by ordinal: the thunk has its top bit set and the ordinal in its low 16 bits,
    # and the name column says "<none>"; an import by name shows the name there.
    read -r vma hint member rest <<<"$line"
    ordinal=$((16#${vma: -4}))
    if [ "$member" != "<none>" ] || [ -n "$rest" ] || [[ ! $vma =~ ^8000 ]]; then
      fail "$f imports Orvex.dll by name: $line"
    elif [[ $ordinals != *" $ordinal "* ]]; then
      fail "$f imports ordinal $ordinal, which the contract does not have"
    fi
  done <<<"$imports"
done
echo "$(wc -w <<<"$files") files of $bits bits, $binders bind Orvex.dll by ordinal"

table=$("$objdump" -p "$dll") || fail "$dll: objdump cannot read it"
for ordinal in $ordinals; do
  grep -Eq "\+base\[ *$ordinal\] [0-9a-f]+ Export RVA" <<<"$table" || fail "$dll does not export ordinal $ordinal"
done
names=$(grep -E '^[[:space:]]*\[Name Pointer/Ordinal\] Table' <<<"$table" | awk '{print $NF}' | sort -u)
[ "$names" = 00000000 ] || fail "$dll exports names (count: ${names:-none})"
echo "${#arguments[@]} ordinals exported by $(basename "$dll"), names: ${names:-none}"

checked=0
while read -r symbol; do
  [[ $symbol =~ ^__imp_(_?)(Orvex[A-Za-z0-9_]*)(@([0-9]+))?$ ]] || continue
  name=${BASH_REMATCH[2]} bytes=${BASH_REMATCH[4]}
  if [ -z "${arguments[$name]+x}" ]; then
    fail "$name is in the import library but not in the contract"
  elif [ "$bits" = 32 ] && [ "$bytes" != $((4 * arguments[$name])) ]; then
    fail "$symbol: ${bytes:-no} argument bytes, the contract has ${arguments[$name]} arguments"
  elif [ "$bits" = 64 ] && [ -n "$bytes" ]; then
    fail "$symbol: a decorated name on x86-64"
  fi
  checked=$((checked + 1))
done < <("$nm" -g "$importlib" | awk '$2 == "I" {print $3}' | sort -u)
[ "$checked" = ${#arguments[@]} ] || fail "the import library names $checked functions, the contract ${#arguments[@]}"
echo "$checked import names checked against the contract's argument counts"
exit $status

# Shared by the orvex command line tests; sourced as: source lib.sh ORVEX [RUNNER]
# ORVEX is the orvex program, RUNNER (when given) runs a Windows orvex.exe through Wine.
# Each test runs in a fresh scratch folder and ends with `finish`.
ORVEX=$1
RUNNER=${2:-}
SOURCE=${ORVEX_SOURCE_DIR:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
fails=0
pass=0
check() {  # check NAME STATUS: STATUS 0 passes
  if [ "$2" = 0 ]; then pass=$((pass + 1)); else echo "FAIL: $1"; fails=$((fails + 1)); fi
}
orvex() { $RUNNER "$ORVEX" "$@"; }
# Texts come out in code page 932; the tests compare in UTF-8.
u8() { iconv -f CP932 -t UTF-8; }
has() { grep -aqF -- "$1" out.txt; }  # has TEXT: the last output (UTF-8) contains TEXT
finish() {
  echo "$pass passed, $fails failed"
  [ "$fails" = 0 ]
}

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
check() {  # check NAME STATUS: STATUS 0 passes; a failure shows what the last orvex run said
  if [ "$2" = 0 ]; then
    pass=$((pass + 1))
  else
    echo "FAIL: $1"
    fails=$((fails + 1))
    if [ -s "$work/.last-err" ]; then
      echo "  the last orvex run (exit ${last_rc:-?}) said on stderr:"
      tail -n 5 "$work/.last-err" | sed 's/^/  | /'
    fi
  fi
}
# run PROGRAM ARGS...: runs it with its stderr also kept for check; the caller's redirections hold.
run() {
  "$@" 2>"$work/.last-err"
  last_rc=$?
  cat "$work/.last-err" >&2
  return $last_rc
}
# The tests compare in UTF-8: plain text is asked for in UTF-8, and JSON always is.
orvex() { run $RUNNER "$ORVEX" --encoding utf-8 "$@"; }
u8() { cat; }
has() { grep -aqF -- "$1" out.txt; }  # has TEXT: the last output (UTF-8) contains TEXT
finish() {
  echo "$pass passed, $fails failed"
  [ "$fails" = 0 ]
}

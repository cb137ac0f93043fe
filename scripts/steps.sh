# Sourced: every step of make test, make demo, make reliability and make screenshots goes through
# these, so that a run that stops says which step stopped it and shows what that step printed
# last, never a bare make error.
#
#   orvex_step NAME COMMAND...    runs COMMAND with its output kept aside; on failure prints
#                                 "FAILED: NAME (exit N)" and the output's last lines
#   orvex_step_shown NAME COMMAND...   the same, with the output shown as it comes
#   orvex_fail NAME TEXT          says why a step cannot go on, and fails

ORVEX_STEP_LINES=${ORVEX_STEP_LINES:-25}

# The end of either: the failure told with the log's last lines, the log gone, the status kept.
orvex_step_end() {
  if [ "$2" != 0 ]; then
    echo "FAILED: $1 (exit $2); its last lines:" >&2
    tail -n "$ORVEX_STEP_LINES" "$3" | sed 's/^/  | /' >&2
  fi
  rm -f "$3"
  return "$2"
}

orvex_step() {
  local name=$1 log rc
  shift
  log=$(mktemp)
  echo "== $name"
  rc=0
  "$@" >"$log" 2>&1 </dev/null || rc=$?  # also under set -e, so that the failure is told
  orvex_step_end "$name" "$rc" "$log"
}

orvex_step_shown() {
  local name=$1 log rc
  shift
  log=$(mktemp)
  echo "== $name"
  { rc=0; "$@" </dev/null 2>&1 || rc=$?; echo "$rc" >"$log.rc"; } | tee "$log"
  rc=$(cat "$log.rc" 2>/dev/null || echo 1)
  rm -f "$log.rc"
  orvex_step_end "$name" "$rc" "$log"
}

orvex_fail() {
  echo "FAILED: $1: $2" >&2
  return 1
}

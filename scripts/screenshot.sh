#!/usr/bin/env bash
# Shows a Windows program under Wine on Xvfb and saves a PNG of its window.
#
#   scripts/screenshot.sh OUT.png [--wait SECONDS] [--title TEXT] [--timeout SECONDS] -- PROGRAM.exe [ARGS...]
#
#   --title    take the first visible window whose title contains TEXT (default: the first visible
#              window of the program, found by its X window class, which Wine sets to the .exe name)
#   --wait     seconds to let the program fill its window after it appears (default 1)
#   --timeout  seconds to wait for the window to appear (default 60)
#
# Uses the DISPLAY given in the environment when it answers, else starts its own Xvfb (and then
# waits for Wine to leave before stopping it). The program is ended afterwards in any case.
# Exit codes: 0 saved, 1 bad arguments, 2 no window appeared, 3 the capture failed.
set -uo pipefail
cd "$(dirname "$0")/.."

usage() { sed -n '4p' "$0" | sed 's/^#   //' >&2; exit 1; }

out="" wait_seconds=1 title="" timeout_seconds=60
[ $# -gt 0 ] || usage
out=$1; shift
while [ $# -gt 0 ]; do
  case "$1" in
    --wait) [ $# -ge 2 ] || usage; wait_seconds=$2; shift 2 ;;
    --title) [ $# -ge 2 ] || usage; title=$2; shift 2 ;;
    --timeout) [ $# -ge 2 ] || usage; timeout_seconds=$2; shift 2 ;;
    --) shift; break ;;
    *) usage ;;
  esac
done
[ $# -ge 1 ] && [ -n "$out" ] || usage
program=$1; shift
[ -f "$program" ] || { echo "screenshot: no such program: $program" >&2; exit 1; }
case "$out" in /*) ;; *) out=$PWD/$out ;; esac

given_display=${DISPLAY:-}
source scripts/xvfb.sh
own_xvfb=0
if [ -n "$given_display" ] && timeout 5 xdpyinfo -display "$given_display" >/dev/null 2>&1; then
  export DISPLAY=$given_display
else
  orvex_start_xvfb || exit 2
  own_xvfb=1
fi
scripts/wine-prefix.sh || exit 2

log=$(mktemp)
wine "$program" "$@" >"$log" 2>&1 </dev/null &
program_pid=$!

finish() {
  local rc=$1
  if kill -0 "$program_pid" 2>/dev/null; then
    kill "$program_pid" 2>/dev/null
    for _ in $(seq 1 50); do kill -0 "$program_pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$program_pid" 2>/dev/null
  fi
  wait "$program_pid" 2>/dev/null
  if [ $own_xvfb = 1 ]; then
    # Our own session: let Wine's helpers leave with the server before the display goes.
    timeout 20 wineserver -w >/dev/null 2>&1
    kill "$ORVEX_XVFB_PID" 2>/dev/null; wait "$ORVEX_XVFB_PID" 2>/dev/null
  fi
  [ $rc = 0 ] || { echo "screenshot: program output:" >&2; cat "$log" >&2; }
  rm -f "$log"
  exit "$rc"
}
trap 'finish 3' INT TERM

# The id of the first viewable top-level window that matches.
find_window() {
  local class
  class=$(basename "$program")
  timeout 10 xwininfo -root -children 2>/dev/null | while read -r id name; do
    case "$id" in 0x*) ;; *) continue ;; esac
    if [ -n "$title" ]; then
      case "$name" in \"*"$title"*\":*) ;; *) continue ;; esac
    else
      case "${name,,}" in *"(\"${class,,}\""*) ;; *) continue ;; esac
      case "$name" in \"Default\ IME\"*|\(has\ no\ name\)*) continue ;; esac
    fi
    if timeout 10 xwininfo -id "$id" 2>/dev/null | grep -q 'Map State: IsViewable'; then
      echo "$id"
      return
    fi
  done
}

window=""
deadline=$((SECONDS + timeout_seconds))
while [ $SECONDS -lt $deadline ]; do
  window=$(find_window)
  [ -n "$window" ] && break
  if ! kill -0 "$program_pid" 2>/dev/null; then
    echo "screenshot: $program ended before its window appeared" >&2
    finish 2
  fi
  sleep 0.5
done
if [ -z "$window" ]; then
  echo "screenshot: no window${title:+ titled \"$title\"} of $program within ${timeout_seconds}s" >&2
  finish 2
fi

sleep "$wait_seconds"
if ! timeout 30 import -window "$window" "$out" >/dev/null 2>&1; then
  echo "screenshot: could not capture window $window" >&2
  finish 3
fi
echo "screenshot: $out"
finish 0

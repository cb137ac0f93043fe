# Sourced: starts an Xvfb for this run on a free display, waits until it answers, starts or joins
# the Wine server of the prefix, and stops on exit what this run started.
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
orvex_start_xvfb() {
  local n=97
  while [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ]; do n=$((n + 1)); done
  export DISPLAY=:$n
  Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 </dev/null &
  ORVEX_XVFB_PID=$!
  for _ in $(seq 1 100); do
    xdpyinfo -display "$DISPLAY" >/dev/null 2>&1 && return 0
    if ! kill -0 "$ORVEX_XVFB_PID" 2>/dev/null; then break; fi
    sleep 0.1
  done
  echo "FAILED: Xvfb did not answer on display $DISPLAY within 10 s (is the xvfb package installed?)" >&2
  return 1
}

# The process id of the Wine server that serves WINEPREFIX, if one runs: the server works in a
# folder named after the prefix's device and inode.
orvex_wineserver_pid() {
  local dev ino folder pid
  read -r dev ino < <(stat -c '%d %i' "$WINEPREFIX" 2>/dev/null) || return 1
  folder=$(printf 'server-%x-%x' "$dev" "$ino")
  for pid in $(pgrep -x wineserver 2>/dev/null) $(pgrep -x wineserver64 2>/dev/null); do
    case $(readlink "/proc/$pid/cwd" 2>/dev/null) in */"$folder") echo "$pid"; return 0 ;; esac
  done
  return 1
}

# The Windows programs that run under the server of WINEPREFIX, one line.
orvex_wine_programs() {
  local pid list=""
  for pid in $(pgrep -f '\.exe' 2>/dev/null); do
    # A process may end between pgrep and here; its files are gone then (errors first to /dev/null).
    [ "$(tr '\0' '\n' 2>/dev/null <"/proc/$pid/environ" | grep -x "WINEPREFIX=$WINEPREFIX")" ] || continue
    list+="$(tr '\0' ' ' 2>/dev/null <"/proc/$pid/cmdline" | sed 's/ *$//'); "
  done
  echo "${list:-none}"
}

# A persistent Wine server for this run. One that already serves the prefix (a program started by
# hand, or an earlier run's server that has not gone yet) is used as it is and left running at the
# end; with ORVEX_OWN_WINESERVER=1 (a prefix only this run uses) it is ended first instead.
orvex_start_wineserver() {
  local pid
  ORVEX_STARTED_WINESERVER=""
  if pid=$(orvex_wineserver_pid); then
    if [ "${ORVEX_OWN_WINESERVER:-}" = 1 ]; then
      echo "   ending the Wine server an earlier run left on $WINEPREFIX (pid $pid)"
      wineserver -k >/dev/null 2>&1 || true
      for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    else
      echo "   using the Wine server that already serves $WINEPREFIX (pid $pid; programs: $(orvex_wine_programs))"
      return 0
    fi
  fi
  if ! wineserver -p60 >/dev/null 2>&1 </dev/null; then
    # It may have been started in between by a program of somebody else's.
    if pid=$(orvex_wineserver_pid); then
      echo "   using the Wine server that already serves $WINEPREFIX (pid $pid)"
      return 0
    fi
    echo "FAILED: wineserver would not start for $WINEPREFIX" >&2
    return 1
  fi
  ORVEX_STARTED_WINESERVER=1
}

orvex_stop_all() {
  if [ -n "${ORVEX_STARTED_WINESERVER:-}" ]; then wineserver -k >/dev/null 2>&1 || true; fi
  if [ -n "${ORVEX_XVFB_PID:-}" ]; then kill "$ORVEX_XVFB_PID" 2>/dev/null || true; wait "$ORVEX_XVFB_PID" 2>/dev/null || true; fi
}

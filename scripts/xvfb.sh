# Sourced: starts an Xvfb for this run on a free display, waits until it answers, and stops it on
# exit together with the Wine server.
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
orvex_start_xvfb() {
  local n=97
  while [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ]; do n=$((n + 1)); done
  export DISPLAY=:$n
  Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 </dev/null &
  ORVEX_XVFB_PID=$!
  for _ in $(seq 1 100); do
    xdpyinfo -display "$DISPLAY" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  echo "Xvfb did not start on $DISPLAY" >&2
  return 1
}
orvex_stop_all() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "${ORVEX_XVFB_PID:-}" ]; then kill "$ORVEX_XVFB_PID" 2>/dev/null || true; wait "$ORVEX_XVFB_PID" 2>/dev/null || true; fi
}

# Sourced by the OrvexSet steps of make demo and make screenshots: OrvexSet.exe with the sample
# definition in a folder of its own, started without an adapter and driven with orvexui.
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"

winpath() { echo "Z:${1//\//\\}"; }
ui() { "$ORVEX_ROOT/scripts/wine-run" "$ORVEX_BUILD_ROOT/${ORVEX_FORM:-windows}/tools/uidriver/orvexui.exe" "$@"; }
# The main window, whatever its title says after the prefix.
orvexset_main=(--caption "Orvex - " --match prefix)

# orvexset_folder FOLDER: a fresh FOLDER with the program, Orvex.dll and Cti_par.txt.
orvexset_folder() {
  local folder=$1 build=$ORVEX_BUILD_ROOT/${ORVEX_FORM:-windows}/paramtool/app/win
  rm -rf "$folder"
  mkdir -p "$folder"
  cp "$build/OrvexSet.exe" "$build/Orvex.dll" "$ORVEX_ROOT/paramtool/model/Cti_par.txt" "$folder/"
}

# orvexset_start FOLDER [ADAPTER [ARGS...]]: starts the program in a fresh FOLDER, with the
# simulated adapter of the folder ADAPTER (none when empty or not given), waits for its main
# window and sets orvexset_pid.
orvexset_start() {
  local folder=$1 adapter=${2:-}
  shift $(($# < 2 ? $# : 2))
  orvexset_folder "$folder"
  orvexset_pid=$(ui start --env ORVEX_SIM="${adapter:+$(winpath "$adapter")}" --cwd "$(winpath "$folder")" \
    -- "$(winpath "$folder/OrvexSet.exe")" "$@" | tr -d '\r')
  ui wait --pid "$orvexset_pid" "${orvexset_main[@]}" --timeout 30 >/dev/null
}

# orvexset_adapter FOLDER [KEY=VALUE...]: a fresh simulated adapter in FOLDER, changed as given.
orvexset_adapter() {
  local folder=$1
  shift
  rm -rf "$folder"
  mkdir -p "$folder"
  "$ORVEX_ROOT/scripts/wine-run" "$ORVEX_BUILD_ROOT/${ORVEX_FORM:-windows}/tools/orvex.exe" sim init "$(winpath "$folder")" >/dev/null
  [ $# -eq 0 ] || ORVEX_SIM=$(winpath "$folder") \
    "$ORVEX_ROOT/scripts/wine-run" "$ORVEX_BUILD_ROOT/${ORVEX_FORM:-windows}/tools/orvex.exe" sim set "$@" >/dev/null
}

# orvexset_auto_read 0|1: the "AutoRead" setting of the prefix's user.
orvexset_auto_read() {
  wine reg add 'HKCU\Software\Orvex\OrvexSet\Settings' /v AutoRead /t REG_DWORD /d "$1" /f >/dev/null 2>&1
}

# orvexset_capture TITLE OUT.png: saves the first viewable window whose title holds TITLE.
orvexset_capture() {
  local title=$1 out=$2 id name
  while read -r id name; do
    case "$id" in 0x*) ;; *) continue ;; esac
    case "$name" in \"*"$title"*\":*) ;; *) continue ;; esac
    if xwininfo -id "$id" 2>/dev/null | grep -q 'Map State: IsViewable'; then
      import -window "$id" "$out" && echo "screenshot: $out" && return 0
    fi
  done < <(timeout 10 xwininfo -root -children 2>/dev/null)
  echo "no window titled $title to capture" >&2
  return 1
}

# orvexset_parameters DEF OUT [CHANNEL=BLOCK...]: the save file of DEF's initial values with the
# channels (1..60) assigned to the blocks (1..5) given, its checksum put right.
orvexset_parameters() {
  local def=$1 out=$2
  shift 2
  "$ORVEX_ROOT/scripts/wine-run" "$ORVEX_BUILD_ROOT/${ORVEX_FORM:-windows}/tools/orvex.exe" def new "$(winpath "$def")" \
    -o "$(winpath "$out")" >/dev/null
  python3 - "$out" "$@" <<'PY'
import sys
path = sys.argv[1]
data = bytearray(open(path, "rb").read())
for pair in sys.argv[2:]:
    channel, block = (int(v) for v in pair.split("="))
    data[32 + channel - 1] = block - 1
total = sum(data[i] | (data[i + 1] << 8) for i in range(10, len(data) - 1, 2))
if (len(data) - 10) % 2:
    total += data[-1]
checksum = ~total & 0xFFFF
data[8], data[9] = checksum & 0xFF, checksum >> 8
open(path, "wb").write(data)
PY
}

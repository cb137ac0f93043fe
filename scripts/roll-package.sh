# Sourced by scripts/demo.sh and scripts/roll-screenshots.sh: an update package for OrvexRoll, a
# simulated adapter with older firmware and parameters, the installed driver and library in the
# Wine prefix, and the OrvexRoll window driven through orvexui. Needs wine-env.sh sourced, a
# display, and ORVEX_BUILD_ROOT's tree of ORVEX_FORM (windows32, the shipped i686 programs, or
# windows, the x86-64 ones; scripts/form.sh) built.

roll_win=$ORVEX_BUILD_ROOT/${ORVEX_FORM:-windows}
roll_orvex_exe() { "$ORVEX_ROOT/scripts/wine-run" "$roll_win/tools/orvex.exe" "$@"; }
roll_winpath() { echo "Z:${1//\//\\}"; }
roll_u8() { iconv -f CP932 -t UTF-8; }
roll_system32=$WINEPREFIX/drive_c/windows/system32
roll_syswow64=$WINEPREFIX/drive_c/windows/syswow64
roll_folders_key='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Installer\Folders'

# Tools the test child takes the place of in the package (none by default; a test may name
# OrvexSet or OrvexFlash here to drive a branch only the scripted child can reach).
roll_standin_tools=${ROLL_STANDIN_TOOLS-}

# The tools of the package: the real ones when they are built, else the test child in their place.
roll_tool() {  # name
  local found=""
  case " $roll_standin_tools " in
    *" $1 "*) ;;
    *) found=$(find "$roll_win" -name "$1.exe" -not -path '*/CMakeFiles/*' 2>/dev/null | head -1) ;;
  esac
  if [ -n "$found" ]; then echo "$found"; return; fi
  case " $roll_standin_tools " in
    *" $1 "*) ;;
    *) echo "roll-package: $1.exe is not built; the test child takes its place" >&2 ;;
  esac
  echo "$roll_win/autoupdate/win/app/roll_test_child.exe"
}

# Fixes the checksum of a .prg file after its body was changed (offsets 10 to the end).
roll_fix_checksum() {
  python3 - "$1" <<'PY'
import sys
path = sys.argv[1]
data = bytearray(open(path, "rb").read())
s = 0
for i in range(10, len(data) - 1, 2):
    s += data[i] | (data[i + 1] << 8)
if (len(data) - 10) % 2:
    s += data[-1]
c = (~s) & 0xFFFF
data[8], data[9] = c & 0xFF, c >> 8
open(path, "wb").write(data)
PY
}

# roll_make_package DIR: OrvexRoll.exe, OrvexRoll.ini, Bin\ tools, Para\Cti_par.txt, Prg\ images
# one version above the adapter of roll_make_adapter, Driver\ with newer driver and library files.
roll_make_package() {
  local pkg=$1
  mkdir -p "$pkg/Bin" "$pkg/Driver" "$pkg/Prg" "$pkg/Para"
  cp "$roll_win/autoupdate/win/app/OrvexRoll.exe" "$pkg/"
  cp "$(roll_tool OrvexSet)" "$pkg/Bin/OrvexSet.exe"
  cp "$(roll_tool OrvexFlash)" "$pkg/Bin/OrvexFlash.exe"
  # The help files beside the tools, as the technician's PC gets them.
  cp "$roll_win/paramtool/app/win/OrvexSet.chm" "$roll_win/flashtool/win/OrvexFlash.chm" "$pkg/Bin/"
  cp "$roll_win/simulator/standin/package/"* "$pkg/Driver/"
  cp "$ORVEX_ROOT/paramtool/model/Cti_par.txt" "$pkg/Para/Cti_par.txt"
  roll_make_images "$pkg/Prg"
  roll_package_ini "$pkg/OrvexRoll.ini"
}

# roll_make_images DIR: the package's program images, one for every processor of the adapter of
# roll_make_adapter, one version above it (make dist's try-it archive has the same).
roll_make_images() {
  local dir=$1 p
  prg() {  # OUT.prg ARGS...: one image of the package's payload
    p=$1; shift
    roll_orvex_exe prg make --magic KV4100 "$@" -o "$(roll_winpath "$dir/$p")" "$(roll_winpath "$dir/payload.bin")" >/dev/null
  }
  mkdir -p "$dir"
  head -c 32768 /dev/urandom > "$dir/payload.bin"
  prg McCPU.prg --kind 0x00 --subkind 0x00 --version 1.203
  prg McDSP.prg --kind 0x01 --subkind 0x00 --version 1.050
  prg Ins64Cpu.prg --kind 0x10 --subkind 0x00 --version 1.200
  prg Ins64Dsp.prg --kind 0x11 --subkind 0x00 --version 1.030
  prg PvCpu.prg --kind 0x20 --subkind 0x40 --version 1.020
  prg AnaTrk.prg --kind 0x35 --subkind 0x52 --version 2.004 --name ANALOG-TRK
  prg AnaExt.prg --kind 0x35 --subkind 0x54 --version 4.002 --name ANALOG-EXT
  rm -f "$dir/payload.bin"
}

# roll_package_ini FILE: OrvexRoll.ini, the template with its lists pointed at the images of
# roll_make_images; driver files only where they are older; a 30-second device wait.
roll_package_ini() {
  roll_orvex_exe ini template -o "$(roll_winpath "$1")" >/dev/null
  python3 - "$1" <<'PY'
import sys
path = sys.argv[1]
text = open(path, "rb").read().decode("cp932")
prg = ["Prg\\McCPU.prg", "Prg\\McDSP.prg", "Prg\\Ins64Cpu.prg", "Prg\\Ins64Dsp.prg", "Prg\\PvCpu.prg",
       "Prg\\AnaTrk.prg", "Prg\\AnaExt.prg", ""]
out = []
for line in text.split("\r\n"):
    if line.startswith("DriverUpdate="):
        line = "DriverUpdate=1"
    elif line.startswith("DeviceWaitTime="):
        line = "DeviceWaitTime=30"
    elif line.startswith("PrgFile"):
        i = int(line[7:line.index("=")])
        line = "PrgFile%d=%s" % (i, prg[i])
    out.append(line)
open(path, "wb").write("\r\n".join(out).encode("cp932"))
PY
}

# roll_make_adapter DIR DEFINITION: a fresh adapter one version behind the package, its stored
# parameters those of DEFINITION (the installed, older one) without the items the package's
# definition adds (zeroed here), reset away for 1.5 s.
roll_make_adapter() {
  local dir=$1 def=$2
  mkdir -p "$dir"
  roll_orvex_exe sim init "$(roll_winpath "$dir")" >/dev/null
  ORVEX_SIM=$(roll_winpath "$dir") roll_orvex_exe sim set time_scale=50 \
    "mc = 0x00 0x1040 0x1105 0x1002 0x0100" "board.1 = 0x00 0x2003 0x0000 0x0000 0x0000" \
    "board.2 = 0x01 0x4001 0x0000 0x0000 0x0000" "board.3 = 0x02 0x1000 0x1020 0x1105 0x0000" \
    "board.4 = 0x05 0x1000 0x1002 0x1010 0x0000" 'driver_file=C:\windows\system32\drivers\Orvex.sys' >/dev/null
  roll_orvex_exe def new "$(roll_winpath "$def")" -o "$(roll_winpath "$dir/Parameters.prg")" >/dev/null
  # Common settings written by an older definition: the device name and the first numbers empty.
  python3 - "$dir/Parameters.prg" <<'PY'
import sys
path = sys.argv[1]
data = bytearray(open(path, "rb").read())
block1 = 32 + 60
for i in range(block1, block1 + 0x14):
    data[i] = 0
open(path, "wb").write(data)
PY
  roll_fix_checksum "$dir/Parameters.prg"
}

# roll_install_driver INSTALLED_TOOLS_DIR: Orvex.sys 1.0.3.0 and the simulated Orvex.dll in the
# prefix as an installed driver would be, and the tools' folder registered as Windows Installer
# does. roll_remove_driver takes it all away again. The driver is in the 64-bit System32\drivers
# (these are Linux paths: no redirection). For the 32-bit programs the library is where 64-bit
# Windows keeps 32-bit libraries, SysWOW64, which the tools load; OrvexRoll looks at the one in
# System32 (the 64-bit library's place) only for its version and replaces it.
roll_install_driver() {
  local tools=$1
  mkdir -p "$tools/Bin"
  cp "$roll_win/simulator/standin/installed/Orvex.sys" "$roll_system32/drivers/Orvex.sys"
  cp "$roll_win/simulator/Orvex.dll" "$roll_system32/Orvex.dll"
  if [ "${ORVEX_FORM:-windows}" = windows32 ]; then cp "$roll_win/simulator/Orvex.dll" "$roll_syswow64/Orvex.dll"; fi
  rm -f "$roll_system32/drivers/Orvex2.sys"
  # In the 64-bit view, where Windows Installer records it and where OrvexRoll looks.
  wine reg add "$roll_folders_key" /v "$(roll_winpath "$tools/Bin")\\" /t REG_SZ /d '' /f /reg:64 >/dev/null 2>&1 </dev/null
  roll_installed_tools=$tools
}
roll_remove_driver() {
  rm -f "$roll_system32/drivers/Orvex.sys" "$roll_system32/drivers/Orvex2.sys" "$roll_system32/Orvex.dll"
  rm -f "$roll_syswow64/Orvex.dll" "$roll_syswow64/drivers/Orvex.sys" "$roll_syswow64/drivers/Orvex2.sys"
  rm -f "$WINEPREFIX/drive_c/windows/inf/Orvex.inf" "$WINEPREFIX/drive_c/windows/inf/Orvex2.inf"
  if [ -n "${roll_installed_tools:-}" ]; then
    wine reg delete "$roll_folders_key" /v "$(roll_winpath "$roll_installed_tools/Bin")\\" /f /reg:64 >/dev/null 2>&1 </dev/null
    roll_installed_tools=""
  fi
  return 0
}

# roll_setup DIR: package, adapter, documents folder and installed driver under DIR; ORVEX_SIM
# names the adapter afterwards. The install folder holds OrvexSet.exe with the definition one
# version behind the package's (1.002), which the update replaces. roll_teardown removes what
# went into the prefix.
roll_setup() {
  local dir=$1
  roll_runs_before=$(ls "$WINEPREFIX/drive_c/OrvexRoll" 2>/dev/null || true)
  mkdir -p "$dir/documents" "$dir/installed/Bin"
  roll_make_package "$dir/package"
  LC_ALL=C sed 's/^\[VER\] 1003/[VER] 1002/' "$dir/package/Para/Cti_par.txt" > "$dir/installed/Bin/Cti_par.txt"
  roll_make_adapter "$dir/adapter" "$dir/installed/Bin/Cti_par.txt"
  export ORVEX_SIM=$(roll_winpath "$dir/adapter")
  roll_install_driver "$dir/installed"
  cp "$dir/package/Bin/OrvexSet.exe" "$dir/installed/Bin/"
}
roll_teardown() {
  roll_remove_driver || true
  # A run that did not get to its end leaves its folder on the Windows drive.
  local run
  for run in $(ls "$WINEPREFIX/drive_c/OrvexRoll" 2>/dev/null); do
    case $'\n'"${roll_runs_before:-}"$'\n' in *$'\n'"$run"$'\n'*) ;; *) rm -rf "$WINEPREFIX/drive_c/OrvexRoll/$run" ;; esac
  done
  rmdir "$WINEPREFIX/drive_c/OrvexRoll" 2>/dev/null || true
}

roll_ui() { "$ORVEX_ROOT/scripts/wine-run" "$roll_win/tools/uidriver/orvexui.exe" "$@"; }
roll_caption="KV-4100CTIアダプター自動更新"

# roll_run DIR [START.png [END.png]]: OrvexRoll.exe of DIR/package with the start question and the
# final box answered (a retry question is declined); screenshots of the window with the start
# question and after the end. The run folder ends up in DIR/run; roll_seconds holds the wall time
# from the start to the final box, roll_answered when the start question was answered.
roll_run() {
  local dir=$1 start_png=${2:-} end_png=${3:-} pid t0 t1 run
  t0=$(date +%s.%N)
  pid=$(roll_ui start --cwd "$(roll_winpath "$dir/package")" -- "$(roll_winpath "$dir/package/OrvexRoll.exe")" \
    "$(roll_winpath "$dir/package")" "$(roll_winpath "$dir/documents")" | tr -d '\r')
  if [ -n "$start_png" ]; then
    roll_ui wait --pid "$pid" --caption "$roll_caption <Win98>" --timeout 60 >/dev/null
    sleep 2
    roll_capture "<Win98>" "$start_png" || true
  fi
  # The UI driver says when the start question went (roll_answered, seconds since 1970): the
  # update's wall time runs from there.
  local rc=0
  ORVEX_UI_CLOCK=1 roll_ui answer --pid "$pid" --timeout 60 --expect-text 自動更新を開始します --button ok --utf8 \
    2>"$dir/answer.err" || rc=$?
  grep -v '^answered at ' "$dir/answer.err" >&2 || true
  roll_answered=$(sed -n 's/^answered at //p' "$dir/answer.err" | tr -d '\r')
  rm -f "$dir/answer.err"
  [ $rc = 0 ] || return $rc
  if ! roll_ui answer --pid "$pid" --timeout 600 --expect-text 正常終了 --button ok --utf8; then
    roll_ui answer --pid "$pid" --timeout 10 --button cancel --utf8 || true
    roll_ui answer --pid "$pid" --timeout 10 --button yes --utf8 || true
  fi
  t1=$(date +%s.%N)
  roll_seconds=$(python3 -c "import sys; print('%.1f' % (float(sys.argv[2]) - float(sys.argv[1])))" "$t0" "$t1")
  if [ -n "$end_png" ]; then
    sleep 1
    roll_capture "<Win98>" "$end_png" || true
  fi
  roll_ui close --pid "$pid" --caption "$roll_caption <Win98>" >/dev/null || true
  roll_ui wait-exit --pid "$pid" --timeout 20 >/dev/null || true
  run=$(ls -d "$WINEPREFIX/drive_c/OrvexRoll/"*/ 2>/dev/null | tail -1)
  if [ -n "$run" ]; then
    rm -rf "$dir/run"
    mv "$run" "$dir/run"
    rmdir "$WINEPREFIX/drive_c/OrvexRoll" 2>/dev/null || true
  fi
}

# roll_capture TEXT OUT.png: the screen where the first viewable window whose title contains TEXT
# is, so that a message box in front of it is in the picture too.
roll_capture() {
  local id geometry
  id=$(xwininfo -root -children 2>/dev/null | grep -F -- "$1" | awk '{print $1}' | while read -r w; do
    xwininfo -id "$w" 2>/dev/null | grep -q 'IsViewable' && { echo "$w"; break; }; done)
  [ -n "$id" ] || return 1
  geometry=$(xwininfo -id "$id" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
    /^ *Width:/ {w=$NF} /^ *Height:/ {h=$NF} END {printf "%dx%d+%d+%d", w, h, x, y}')
  import -window root -crop "$geometry" +repage "$2" && echo "screenshot: $2"
}

# roll_timing DIR: the update of roll_run DIR against its floor, the adapter's own time plus the
# programs' fixed waits beyond it (tools/bench/update_timing.py), as a table.
roll_timing() {
  python3 "$ORVEX_ROOT/tools/bench/update_timing.py" "$1/run/OrvexRoll.log" "$1/adapter" ${roll_answered:+--start "$roll_answered"}
}

#!/usr/bin/env bash
# What ships, installed as a technician's 64-bit PC gets it: make dist from TREE, then in a fresh
# 64-bit Wine prefix with 32-bit support
#   1. the older installer (the programs saying OLDER_VERSION, the definition one version behind)
#      installed with msiexec /qn: its files, Start-menu shortcuts and uninstall entry;
#   2. the try-it archive unpacked and its TryIt.cmd run against that install folder (recorded in
#      Installer\Folders as Windows Installer records it; Wine's msiexec does not) and the
#      simulated adapter, to "正常終了", the new definition installed over the installed one (and
#      beside a driver it did not put there, TryIt.cmd refusing);
#   3. the new installer over it: the older product replaced, every file the new one's; the older
#      one refused, a rebuild of the same version taking the installed one's place;
#   4. the installed OrvexSet.exe and OrvexFlash.exe started, their about boxes read; OrvexSet /s
#      saving the user's parameter save file into the install folder;
#   5. msiexec /x: every file and shortcut gone, the user's parameter save file kept.
#
#   install.test.sh TREE [OUT]      (OUT default: TREE/../dist-install-test)
# The prefix is made anew (OUT/prefix) and removed after a passing run.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
tree=$(cd "$1" && pwd)
out=${2:-$(dirname "$tree")/dist-install-test}
older_version=1.1.1.0
export ORVEX_BUILD_ROOT=$(dirname "$tree") ORVEX_FORM=$(basename "$tree")
export WINEPREFIX=$out/prefix
source "$root/scripts/xvfb.sh"
source "$root/scripts/steps.sh"

rm -rf "$out"
mkdir -p "$out"
log=$out/test.log
status=0
step() { echo "== $*"; }
fail() { echo "FAIL: $*"; status=1; }
stop() { echo "FAIL: $*"; exit 1; }
trap 'rc=$?; set +e; [ -n "${tryit_pid:-}" ] && kill "$tryit_pid" 2>/dev/null; wineserver -k >/dev/null 2>&1; orvex_stop_all
  if [ $rc = 0 ] && [ $status = 0 ]; then rm -rf "$WINEPREFIX"; else echo "left for a look: $out"; fi
  exit $(( rc ? rc : status ))' EXIT

winpath() { local p=${1//\//\\}; echo "Z:$p"; }
# C:\... as the prefix's Linux path.
unixpath() { local p=${1//\\//}; p=${p#[Cc]:/}; echo "$WINEPREFIX/drive_c/$p"; }
u8() { iconv -f CP932 -t UTF-8; }
ui() { "$root/scripts/wine-run" "$tree/tools/uidriver/orvexui.exe" "$@"; }
same() { cmp -s "$1" "$2" || { fail "$3: $1 differs from $2"; return 1; }; }
program_files="C:\\Program Files (x86)\\Orvex\\Bin\\"
bin=$(unixpath "$program_files")

# The uninstall entries of Orvex in the 32-bit registry view (a 32-bit package's), as KEY|NAME|VERSION|MAKER.
uninstall_entries() {
  wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s /reg:32 </dev/null 2>/dev/null | u8 |
    tr -d '\r' | awk '/^HKEY/ {key=$0; name=""; ver=""; maker=""} /DisplayName/ {name=$3} /DisplayVersion/ {ver=$3}
      /Publisher/ {maker=$3; if (name == "Orvex") print key "|" name "|" ver "|" maker}'
}
# The Start-menu folder msiexec used: ProgramMenuFolder of its log. Wine puts a per-machine
# package's shortcuts into the user's Start menu; Windows into the one of all users.
menu_folder() { unixpath "$(u8 <"$1" | tr -d '\r' | sed -n 's/^Property(S): ProgramMenuFolder = //p' | tail -1)"; }

msi_install() {  # MSI LOG: msiexec /i ... /qn
  wine msiexec /i "$(winpath "$1")" /qn /l*v "$(winpath "$2")" </dev/null >>"$log" 2>&1 || stop "msiexec /i $(basename "$1") ended with $? (log: $2)"
}

# Every file of the installer in the install folder, byte for byte as the MSI holds it; its
# shortcuts in the Start menu, each opening its program; its one uninstall entry.
check_installed() {  # MSI VERSION MENU
  local msi=$1 version=$2 menu=$3 unpacked=$out/unpacked-$2 f name entries
  rm -rf "$unpacked"
  msiextract -C "$unpacked" "$msi" >/dev/null
  for f in "$unpacked/Program Files/Orvex/Bin/"*; do
    same "$f" "$bin/$(basename "$f")" "installed $version" || true
  done
  for name in OrvexSet OrvexFlash OrvexKeys; do
    grep -qx "FileVersion=$version" <<<"$(python3 "$root/packaging/dist.py" version "$bin/$name.exe")" ||
      fail "the installed $name.exe does not say $version"
  done
  [ -f "$menu/Orvex/パラメータ設定ツール.lnk" ] || fail "no Start-menu shortcut パラメータ設定ツール in $menu/Orvex"
  [ -f "$menu/Orvex/バージョン更新ツール.lnk" ] || fail "no Start-menu shortcut バージョン更新ツール in $menu/Orvex"
  for pair in "パラメータ設定ツール:OrvexSet.exe" "バージョン更新ツール:OrvexFlash.exe"; do
    f="$menu/Orvex/${pair%%:*}.lnk"
    [ -f "$f" ] && ! python3 - "$f" "${program_files}${pair#*:}" <<'PY' && fail "$f does not open ${pair#*:}"
import sys
data, target = open(sys.argv[1], "rb").read(), sys.argv[2]
sys.exit(0 if target.encode("utf-16-le") in data or target.encode("cp932") in data else 1)
PY
  done
  entries=$(uninstall_entries)
  echo "   uninstall entries: ${entries:-none}"
  [ "$(grep -c . <<<"$entries")" = 1 ] || fail "$(grep -c . <<<"$entries") uninstall entries of Orvex, one expected"
  grep -q "|Orvex|$version|Orvex$" <<<"$entries" || fail "the uninstall entry does not say Orvex $version by Orvex"
}

[ -n "${DISPLAY:-}" ] || orvex_start_xvfb || exit 1
step "a fresh 64-bit Wine prefix with 32-bit support: $WINEPREFIX"
"$root/scripts/wine-prefix.sh" >>"$log" 2>&1 || stop "the Wine prefix (see $log)"
wineserver -p60 </dev/null >/dev/null 2>&1

step "make dist from $tree"
"$root/scripts/dist.sh" --tree "$tree" --out "$out/dist" --work "$out/work" --no-build || stop "make dist"
msi=$(ls "$out/dist/"*.msi)
version=$(python3 "$root/packaging/dist.py" version "$tree/paramtool/app/win/OrvexSet.exe" | sed -n 's/^FileVersion=//p')
older=$(python3 "$root/packaging/tests/older_msi.py" "$out/work/msi" "$out/older" "$older_version") || stop "the older installer"
echo "   older installer: $older"

step "1. the older installer ($older_version)"
msi_install "$older" "$out/install-older.log"
menu=$(menu_folder "$out/install-older.log")
echo "   shortcuts in: $menu/Orvex"
check_installed "$older" "$older_version" "$menu"
same "$out/older/stage/Bin/Cti_par.txt" "$bin/Cti_par.txt" "the older definition"

step "2. the try-it archive against the install folder and the simulated adapter"
# What Windows Installer records for the folders it made, in the 64-bit view where OrvexRoll looks.
for folder in "$program_files" "C:\\Program Files (x86)\\Orvex\\"; do
  wine reg add 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Installer\Folders' /v "$folder" /t REG_SZ /d '' /f \
    /reg:64 </dev/null >>"$log" 2>&1 || stop "reg add $folder"
done
tryit=$out/tryit
mkdir -p "$tryit"
python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])' "$out/dist/"*SIMULATED-tryit*.zip "$tryit"
# On a PC with a driver it did not put there, TryIt.cmd touches nothing.
drivers=$WINEPREFIX/drive_c/windows/system32/drivers
echo "a real driver" >"$drivers/Orvex.sys"
wine cmd /c "$(winpath "$tryit/TryIt.cmd")" </dev/null >"$out/tryit-refused.out" 2>&1
rc=$?
[ "$rc" = 2 ] || fail "TryIt.cmd beside a real driver ended with $rc, not 2"
[ "$(cat "$drivers/Orvex.sys")" = "a real driver" ] && [ ! -e "$WINEPREFIX/drive_c/windows/syswow64/Orvex.dll" ] &&
  [ ! -e "$tryit/Simulated/Run" ] || fail "TryIt.cmd beside a real driver changed something"
rm -f "$drivers/Orvex.sys"
installed_before=$out/installed-definition-before.txt
cp "$bin/Cti_par.txt" "$installed_before"
runs_before=$(ls "$WINEPREFIX/drive_c/OrvexRoll" 2>/dev/null || true)
wine cmd /c "$(winpath "$tryit/TryIt.cmd")" </dev/null >"$out/tryit.out" 2>&1 &
tryit_pid=$!
# Its OrvexRoll.exe, by the Windows process list (Wine's tasklist is a stub; winedbg lists them).
roll=""
for _ in $(seq 1 60); do
  roll=$(wine winedbg --command "info proc" </dev/null 2>/dev/null | tr -d '\r' | awk "/'OrvexRoll.exe'/ {print \$1; exit}")
  [ -n "$roll" ] && break
  kill -0 "$tryit_pid" 2>/dev/null || break
  sleep 1
done
[ -n "$roll" ] || { cat "$out/tryit.out"; stop "TryIt.cmd did not start OrvexRoll.exe"; }
roll=$((16#${roll#=}))
ui answer --pid "$roll" --timeout 60 --expect-text 自動更新を開始します --button ok --utf8 || fail "no start question"
if ! ui answer --pid "$roll" --timeout 300 --expect-text 正常終了 --button ok --utf8; then
  fail "the update did not end with 正常終了"
  ui answer --pid "$roll" --timeout 10 --button cancel --utf8 >/dev/null 2>&1 || true
fi
ui close --pid "$roll" --caption "KV-4100CTIアダプター自動更新 <Win98>" >/dev/null 2>&1 || true
for _ in $(seq 1 60); do kill -0 "$tryit_pid" 2>/dev/null || break; sleep 1; done
wait "$tryit_pid"; rc=$?
tryit_pid=""
sed 's/^/   | /' "$out/tryit.out"
[ "$rc" = 0 ] || fail "TryIt.cmd ended with $rc"
run=""
for r in $(ls "$WINEPREFIX/drive_c/OrvexRoll" 2>/dev/null); do
  grep -qx "$r" <<<"$runs_before" || run=$WINEPREFIX/drive_c/OrvexRoll/$r
done
[ -n "$run" ] && [ -f "$run/OrvexRoll.log" ] || stop "no run folder with OrvexRoll.log under C:\\OrvexRoll"
u8 <"$run/OrvexRoll.log" | tr -d '\r' >"$out/OrvexRoll.log"
echo "   the log's last lines:"
tail -n 4 "$out/OrvexRoll.log" | sed 's/^/   | /'
tail -n 3 "$out/OrvexRoll.log" | grep -q 'KV-4100CTIアダプター自動更新正常終了' || fail "the log does not end with 正常終了"
grep -qF "インストールフォルダ = '$program_files'" "$out/OrvexRoll.log" || fail "OrvexRoll did not find the install folder"
grep -qF "新パラメータ定義ファイル・インストール成功" "$out/OrvexRoll.log" && grep -qF "'${program_files}Cti_par.txt'" "$out/OrvexRoll.log" ||
  fail "the log does not show the definition installed into the install folder"
same "$tryit/Para/Cti_par.txt" "$bin/Cti_par.txt" "the installed definition after the update"
same "$installed_before" "$run/OLDP_Cti_par.txt" "the replaced definition's backup"
same "$run/MCPARA.prg" "$tryit/Simulated/Run/Adapter/Parameters.prg" "the adapter's parameters after the update"
for f in windows/system32/drivers/Orvex.sys windows/system32/Orvex.dll windows/syswow64/Orvex.dll \
    windows/system32/drivers/Orvex-SIMULATED-tryit.txt; do
  [ ! -e "$WINEPREFIX/drive_c/$f" ] || fail "TryIt.cmd left its stand-in C:/$f"
done

step "3. the new installer ($version) over the older one"
msi_install "$msi" "$out/install.log"
check_installed "$msi" "$version" "$menu"
same "$out/work/msi/Bin/Cti_par.txt" "$bin/Cti_par.txt" "the definition after the upgrade"
# The older one refuses to go over it; a rebuild of the same version (another product code)
# replaces it instead of installing beside it.
if wine msiexec /i "$(winpath "$older")" /qn </dev/null >>"$log" 2>&1; then fail "the older installer went over the newer one"; fi
grep -qx "FileVersion=$version" <<<"$(python3 "$root/packaging/dist.py" version "$bin/OrvexSet.exe")" ||
  fail "the older installer changed the installed OrvexSet.exe"
msi=$(python3 "$root/packaging/dist.py" msi --stage "$out/work/msi" --out "$out/rebuilt") || stop "the rebuilt installer"
msi_install "$msi" "$out/install-rebuilt.log"
check_installed "$msi" "$version" "$menu"

step "4. the installed programs and their about boxes"
# The library a driver installation puts where 64-bit Windows keeps 32-bit libraries: the tools
# bind it and do not start without it.
cp "$tryit/Simulated/System/Orvex.dll" "$WINEPREFIX/drive_c/windows/syswow64/Orvex.dll"
about() {  # PROGRAM CAPTION ABOUT_COMMAND VERSION_ID EXPECTED
  local pid text="" box=""
  pid=$(ui start -- "${program_files}$1" | tr -d '\r') || { fail "$1 did not start"; return; }
  ui wait --pid "$pid" --caption "$2" --match prefix --timeout 30 >/dev/null || { fail "$1: no main window"; ui kill --pid "$pid"; return; }
  ui command --pid "$pid" --caption "$2" --match prefix --id "$3" --system >/dev/null || fail "$1: the about command"
  # The driver takes a box with an icon and one OK button for a message box, which its window
  # search leaves out: the box is read from the dump of every window of the program.
  for _ in $(seq 1 40); do
    box=$(ui dump --pid "$pid" --utf8 | tr -d '\r' | awk '/^window / {on = ($0 ~ /^window "バージョン情報"/)} on')
    [ -n "$box" ] && break
    sleep 0.5
  done
  text=$(sed -n "s/^  \[$4\] Static \"\(.*\)\" style .*/\1/p" <<<"$box")
  echo "   $1's about box: $text"
  grep -E '\] Static "(DLL|SYS)' <<<"$box" | sed 's/^ */   | /'
  [ "$text" = "$5" ] || fail "$1's about box says \"$text\", not \"$5\""
  ui answer --pid "$pid" --button ok >/dev/null || fail "$1: the about box's OK"
  ui close --pid "$pid" --caption "$2" --match prefix >/dev/null || true
  ui wait-exit --pid "$pid" --timeout 20 >/dev/null || { fail "$1 did not close"; ui kill --pid "$pid" >/dev/null 2>&1; }
}
about OrvexSet.exe "Orvex - " 16 1001 "OrvexSet.exe Ver $version"
about OrvexFlash.exe "Orvex - デバイス・バージョン更新" 16 1000 "OrvexFlash.exe Ver $version <x64>"
# The user's parameter save file, read from the adapter by the installed OrvexSet into its folder.
pid=$(ui start --env "ORVEX_SIM=$(winpath "$tryit/Simulated/Run/Adapter")" -- "${program_files}OrvexSet.exe" /s MCPARA.prg /m | tr -d '\r')
code=$(ui wait-exit --pid "$pid" --timeout 90 | tr -d '\r')
[ "$code" = 0 ] || fail "OrvexSet /s MCPARA.prg ended with ${code:-nothing}"
same "$tryit/Simulated/Run/Adapter/Parameters.prg" "$bin/MCPARA.prg" "the user's parameter save file"
cp "$bin/MCPARA.prg" "$out/user-MCPARA.prg" 2>/dev/null
rm -f "$WINEPREFIX/drive_c/windows/syswow64/Orvex.dll"

step "5. uninstall"
product=$(msiinfo export "$msi" Property | tr -d '\r' | sed -n 's/^ProductCode\t//p')
wine msiexec /x "$product" /qn /l*v "$(winpath "$out/uninstall.log")" </dev/null >>"$log" 2>&1 || fail "msiexec /x ended with $?"
left=$(cd "$bin" 2>/dev/null && ls)
echo "   left in the install folder: ${left:-nothing}"
[ "$left" = MCPARA.prg ] || fail "the install folder holds \"$left\" after uninstall, only the user's MCPARA.prg expected"
same "$out/user-MCPARA.prg" "$bin/MCPARA.prg" "the user's parameter save file after uninstall"
[ ! -e "$menu/Orvex" ] || fail "the Start-menu folder $menu/Orvex is still there: $(ls "$menu/Orvex")"
[ -z "$(uninstall_entries)" ] || fail "an uninstall entry is left: $(uninstall_entries)"

[ $status = 0 ] && echo "== installed, updated, upgraded and uninstalled as expected"
exit $status

# Sourced by the OrvexSet steps of make demo and make screenshots: OrvexSet.exe with the sample
# definition in a folder of its own, started without an adapter and driven with orvexui.
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"

winpath() { echo "Z:${1//\//\\}"; }
ui() { "$ORVEX_ROOT/scripts/wine-run" "$ORVEX_BUILD_ROOT/windows/tools/uidriver/orvexui.exe" "$@"; }
# The main window, whatever its title says after the prefix.
orvexset_main=(--caption "Orvex - " --match prefix)

# orvexset_start FOLDER: a fresh FOLDER with the program, Orvex.dll and Cti_par.txt; starts the
# program there, waits for its main window and sets orvexset_pid.
orvexset_start() {
  local folder=$1 build=$ORVEX_BUILD_ROOT/windows/paramtool/app/win
  rm -rf "$folder"
  mkdir -p "$folder"
  cp "$build/OrvexSet.exe" "$build/Orvex.dll" "$ORVEX_ROOT/paramtool/model/Cti_par.txt" "$folder/"
  orvexset_pid=$(ui start --env ORVEX_SIM= --cwd "$(winpath "$folder")" -- "$(winpath "$folder/OrvexSet.exe")" |
    tr -d '\r')
  ui wait --pid "$orvexset_pid" "${orvexset_main[@]}" --timeout 30 >/dev/null
}

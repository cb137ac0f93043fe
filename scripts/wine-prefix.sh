#!/usr/bin/env bash
# Creates the Wine prefix used by the tests and the demo, with the dialog fonts mapped onto the
# IPA fonts. Safe to call again: an existing, finished prefix is kept.
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"

# Wine draws the caption buttons with its Marlett font (package fonts-wine), but this Wine does
# not load the fonts of its own data folder: without a copy in the prefix's Fonts folder the
# buttons show as the letters "0", "1" and "r".
copy_wine_fonts() {
  local font=/usr/share/wine/fonts/marlett.ttf fonts=$WINEPREFIX/drive_c/windows/Fonts
  if [ -f "$font" ] && [ -d "$fonts" ] && ! cmp -s "$font" "$fonts/marlett.ttf"; then cp "$font" "$fonts/"; fi
  return 0
}

# The marker names the version of these settings and whether Wine had its 32-bit part when the
# prefix was made: a prefix made without it does not start even 64-bit programs once wine32 is
# installed, and one made with it is what a 64-bit Windows PC is to the shipped 32-bit programs.
source "$(dirname "$0")/form.sh"
kind=win64
if orvex_wine32_installed; then kind=wow64; fi
marker=$WINEPREFIX/.orvex-ready-3-$kind
if [ -f "$marker" ]; then copy_wine_fonts; exit 0; fi
# The prefix is about to go: its server, if one runs, goes first.
if [ -d "$WINEPREFIX" ]; then wineserver -k >/dev/null 2>&1 || true; fi
rm -rf "$WINEPREFIX"
mkdir -p "$WINEPREFIX"
echo "creating the Wine prefix $WINEPREFIX ($kind)"
if ! wineboot -i >"$WINEPREFIX.log" 2>&1 </dev/null; then
  echo "wine-prefix: wineboot failed to create $WINEPREFIX; its last lines:" >&2
  tail -n 15 "$WINEPREFIX.log" >&2
  exit 1
fi
wineserver -w
# A prefix that cannot start a program is no prefix: say so now, not in the first test.
if ! wine cmd /c exit 0 >>"$WINEPREFIX.log" 2>&1 </dev/null; then
  echo "wine-prefix: Wine cannot start a program in $WINEPREFIX; its last lines:" >&2
  tail -n 15 "$WINEPREFIX.log" >&2
  exit 1
fi

add_replacement() {
  wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$1" /t REG_SZ /d "$2" /f >/dev/null 2>&1 </dev/null
}
add_replacement "ＭＳ ゴシック" "IPAGothic"
add_replacement "MS Gothic" "IPAGothic"
add_replacement "ＭＳ Ｐゴシック" "IPAPGothic"
add_replacement "MS PGothic" "IPAPGothic"
add_replacement "ＭＳ 明朝" "IPAGothic"
add_replacement "MS Mincho" "IPAGothic"
add_replacement "MS UI Gothic" "IPAPGothic"
add_replacement "MS Shell Dlg" "IPAPGothic"
add_replacement "MS Shell Dlg 2" "IPAPGothic"
add_replacement "Tahoma" "IPAPGothic"
for name in "MS Shell Dlg" "MS Shell Dlg 2"; do
  wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' /reg:64 /v "$name" /t REG_SZ \
    /d "IPAPGothic" /f >/dev/null 2>&1 </dev/null
done
# No window manager runs on Xvfb: Wine draws the window frames itself (screenshots show the
# caption) and does not wait up to two seconds for a manager each time a window is hidden.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 </dev/null
wineserver -w
copy_wine_fonts
touch "$marker"

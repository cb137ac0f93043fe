# Sourced by the scripts that run Wine: one prefix inside the build folder, Japanese locale,
# no debug chatter, no Mono/Gecko installers.
ORVEX_ROOT=${ORVEX_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export ORVEX_BUILD_ROOT=${ORVEX_BUILD_ROOT:-$ORVEX_ROOT/build}
case $ORVEX_BUILD_ROOT in /*) ;; *) ORVEX_BUILD_ROOT=$ORVEX_ROOT/$ORVEX_BUILD_ROOT ;; esac
export WINEPREFIX=${WINEPREFIX:-$ORVEX_BUILD_ROOT/wineprefix}
export WINEARCH=win64
export LC_ALL=ja_JP.UTF-8
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}
# No display by default: the scripts that show windows start an Xvfb of their own
# (scripts/xvfb.sh), and a program started without one says it has no display.

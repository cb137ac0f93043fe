#!/usr/bin/env bash
# Installs what the builds and tests need on a fresh Debian 12 machine (as root); does nothing
# when everything is there already. The i686 toolchain builds the shipped 32-bit programs, and
# Debian's wine32 (architecture i386) lets them run in a 64-bit Wine prefix as on 64-bit Windows;
# wine32 is installed only where the kernel runs 32-bit code (scripts/form.sh), since elsewhere it
# breaks wine altogether. fp-utils has chmcmd, which compiles the help files; libchm-bin reads them
# back in a test; xdotool presses F1 for the help window's screenshot. msitools and wixl build the
# installer of make dist and read it back.
set -euo pipefail
source "$(dirname "$0")/form.sh"
sudo_cmd=""
[ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"

packages=(cmake ninja-build g++ clang libclang-rt-14-dev googletest libgtest-dev libgmock-dev
  libbenchmark-dev g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-tools
  g++-mingw-w64-i686-posix binutils-mingw-w64-i686
  wine wine64 fonts-wine xvfb xauth x11-utils fonts-ipafont-gothic imagemagick locales python3
  fp-utils libchm-bin xdotool msitools wixl)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if orvex_kernel_runs_32bit; then
  if ! orvex_wine32_installed; then
    missing+=(wine32:i386)
    dpkg --print-foreign-architectures | grep -qx i386 || $sudo_cmd dpkg --add-architecture i386
  fi
elif ! orvex_wine32_installed; then
  echo "this machine's kernel cannot run 32-bit programs: the tests and the demo run the x86-64 programs instead of the shipped i686 ones"
fi
apt_log=$(mktemp)
trap 'rm -f "$apt_log"' EXIT
if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  if ! { $sudo_cmd apt-get update -qq && DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq \
    --no-install-recommends "${missing[@]}"; } >"$apt_log" 2>&1; then
    echo "install-deps: apt-get failed to install ${missing[*]}; its last lines:" >&2
    tail -n 20 "$apt_log" >&2
    exit 1
  fi
fi

# Wine reads its code page from LC_ALL, which must name an existing locale.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  $sudo_cmd localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi

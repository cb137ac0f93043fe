#!/usr/bin/env bash
# Installs what the builds and tests need on a fresh Debian 12 machine (as root); does nothing
# when everything is there already. The i686 toolchain builds the shipped 32-bit programs; the
# i386 architecture and wine32 stay out: with wine32 the wine launcher picks the 32-bit loader,
# which this machine's kernel cannot run, and every Wine run fails.
set -euo pipefail

packages=(cmake ninja-build g++ clang libclang-rt-14-dev googletest libgtest-dev libgmock-dev
  libbenchmark-dev g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-tools
  g++-mingw-w64-i686-posix binutils-mingw-w64-i686
  wine wine64 fonts-wine xvfb xauth x11-utils fonts-ipafont-gothic imagemagick locales python3)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Wine reads its code page from LC_ALL, which must name an existing locale.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi

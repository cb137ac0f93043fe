#!/usr/bin/env bash
# Configures and builds one or more trees: host, fuzz, windows, windows32 (default: all four).
set -euo pipefail
cd "$(dirname "$0")/.."
root=${ORVEX_BUILD_ROOT:-build}
trees=("$@")
[ ${#trees[@]} -gt 0 ] || trees=(windows windows32 host fuzz)
for tree in "${trees[@]}"; do
  case "$tree" in
    host)    args=(-DCMAKE_BUILD_TYPE=Debug) ;;
    fuzz)    args=(-DCMAKE_BUILD_TYPE=Debug -DORVEX_FUZZ=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++) ;;
    bench)   args=(-DCMAKE_BUILD_TYPE=Release -DORVEX_BENCH=ON) ;;
    windows) args=(-DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake) ;;
    windows32) args=(-DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake) ;;
    *) echo "unknown tree $tree" >&2; exit 1 ;;
  esac
  if [ ! -f "$root/$tree/build.ninja" ]; then
    cmake -S . -B "$root/$tree" -G Ninja "${args[@]}" >/dev/null
  fi
  echo "== building $tree"
  cmake --build "$root/$tree"
done

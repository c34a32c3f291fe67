#!/usr/bin/env bash
# Installs what building and testing need on Debian 12, only if missing:
# the native toolchain and test libraries, mingw-w64 for the Windows DLL and
# Wine to run the Windows tests.
set -euo pipefail

packages=(cmake ninja-build g++ clang libclang-rt-14-dev libgtest-dev libgmock-dev googletest libbenchmark-dev
          clang-tidy g++-mingw-w64-x86-64-posix wine64 binutils-mingw-w64-x86-64)
missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO=sudo
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Wine's first start makes its prefix; do it once, before tests run in parallel.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "${WINEPREFIX:-$HOME/.wine}/system.reg" ]; then
    wineboot --init >/dev/null 2>&1 || true
    wineserver --wait >/dev/null 2>&1 || true
fi

#!/usr/bin/env bash
# Installs what building and testing need on Debian 12, only if missing: every
# package of scripts/packages.sh. Fails naming the package that could
# not be installed, and the command still missing afterwards, so that no later
# test fails with a bare "not found".
set -euo pipefail
cd "$(dirname "$0")/.."

source scripts/packages.sh
mapfile -t packages < <(package_names)
missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO=sudo
    $SUDO apt-get update -qq || echo "install-dependencies: apt-get update failed; trying with the package lists at hand" >&2
    export DEBIAN_FRONTEND=noninteractive
    if ! $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null; then
        # One at a time, to name the package that cannot be installed.
        for package in "${missing[@]}"; do
            if ! $SUDO apt-get install -y -qq --no-install-recommends "$package" >/dev/null; then
                echo "install-dependencies: could not install the Debian package '$package' (listed in scripts/packages.sh)" >&2
                exit 1
            fi
        done
    fi
fi
bash scripts/check-commands.sh

# Wine's first start makes its prefix; do it once, before tests run in parallel.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "${WINEPREFIX:-$HOME/.wine}/system.reg" ]; then
    wineboot --init >/dev/null 2>&1 || true
    wineserver --wait >/dev/null 2>&1 || true
fi

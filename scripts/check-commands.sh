#!/usr/bin/env bash
# Checks that every command the project runs (scripts/packages.sh, the words
# after each package) is on this machine and comes from a package that the install
# step installs. A command found only because somebody installed its package
# by hand would be missing on a fresh machine: that fails here, naming both.
set -uo pipefail
cd "$(dirname "$0")/.."

source scripts/packages.sh
mapfile -t listed < <(package_names)
is_listed() {
    local candidate
    for candidate in "${listed[@]}"; do [ "$candidate" = "$1" ] && return 0; done
    return 1
}
# The packages that own a path or any link on the way to its file: a command
# such as wine is a link of the alternatives system to the package's own file.
owners() {
    local path=$1 hops=0
    while :; do
        dpkg-query -S "$path" 2>/dev/null | sed -e 's/: .*//' -e 's/:[a-z0-9]*$//' -e 's/, /\n/g'
        [ -L "$path" ] && [ $hops -lt 16 ] || break
        local target
        target=$(readlink "$path")
        case "$target" in /*) path=$target ;; *) path=$(dirname "$path")/$target ;; esac
        hops=$((hops + 1))
    done | sed -e 's/:[a-z0-9]*$//' | sort -u
}

failures=0
while read -r package commands; do
    for command in $commands; do
        path=$(command -v "$command" 2>/dev/null)
        if [ -z "$path" ]; then
            echo "check-commands: '$command' is not installed (it should come from the package '$package'; run scripts/install-dependencies.sh)" >&2
            failures=$((failures + 1))
            continue
        fi
        found=""
        for owner in $(owners "$path"); do
            is_listed "$owner" && found=$owner
        done
        if [ -z "$found" ]; then
            echo "check-commands: '$command' ($path) comes from the package '$(owners "$path" | tr '\n' ' ' | sed 's/ $//')', which scripts/packages.sh does not install" >&2
            failures=$((failures + 1))
        fi
    done
done < <(package_table | sed -e 's/#.*//' | awk 'NF > 1')
[ "$failures" -eq 0 ] || exit 1
echo "check-commands: every command the project runs comes from a package it installs"

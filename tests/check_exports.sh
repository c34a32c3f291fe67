#!/usr/bin/env bash
# Checks that the plug-in exports exactly the sixteen entry points, and that
# the Windows DLL imports system DLLs only (no mingw runtime DLL to ship).
set -euo pipefail
export LC_ALL=C
kind=$1
library=$2
expected="Dispose DoorClose DoorOpen Elapse GetPluginVersion HornBlow Initialize KeyDown KeyUp Load SetBeaconData SetBrake SetPower SetReverser SetSignal SetVehicleSpec"

if [ "$kind" = linux ]; then
    exported=$(nm -D --defined-only "$library" | awk '$2 ~ /^[TWDBRV]$/ {print $3}' | sort | tr '\n' ' ')
else
    dump=$(x86_64-w64-mingw32-objdump -p "$library")
    exported=$(echo "$dump" | awk '/\[Ordinal\/Name Pointer\] Table/ {on=1; next} on && NF==0 {on=0} on {print $NF}' | sort | tr '\n' ' ')
    imports=$(echo "$dump" | awk '/DLL Name:/ {print tolower($3)}' | sort -u | tr '\n' ' ')
    for dll in $imports; do
        case "$dll" in
        libstdc++*|libgcc*|libwinpthread*|*mingw*) echo "imports a runtime DLL: $dll"; exit 1 ;;
        esac
    done
    echo "imports: $imports"
fi
if [ "${exported% }" != "$expected" ]; then
    echo "expected exports: $expected"
    echo "actual exports:   $exported"
    exit 1
fi
echo "exports: $exported"

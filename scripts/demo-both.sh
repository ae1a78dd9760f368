#!/usr/bin/env bash
# Runs `ruckhost demo` natively on the .so and `ruckhost.exe demo` under Wine on the .dll
# and checks that every render agrees within 1e-9:
#   demo-both.sh NATIVE_TREE WINDOWS_TREE OUTDIR
set -euo pipefail
native="$1" win="$2" out="$3"
rm -rf "$out/linux" "$out/windows"
echo "== Linux: $native/ruckhost demo on $native/Ruckstone.so"
"$native/ruckhost" demo "$out/linux"
echo "== Windows (Wine): $win/ruckhost.exe demo on $win/Ruckstone.dll"
"$win/wine-run.sh" "$win/ruckhost.exe" demo "$out/windows"
echo "== Linux and Windows renders compared"
"$native/ruckhost" compare "$out/linux" "$out/windows" --tolerance 1e-9

#!/usr/bin/env bash
# Runs `ruckhost demo` natively on the .so and `ruckhost.exe demo` under Wine on the .dll
# and checks that every render agrees within 1e-9; with --all-forms, the same again for the
# VST3 bundle and the CLAP file of both builds:
#   demo-both.sh NATIVE_TREE WINDOWS_TREE OUTDIR [--all-forms]
set -euo pipefail
native="$1" win="$2" out="$3" forms="${4:-}"
rm -rf "$out/linux" "$out/windows"
echo "== Linux: $native/ruckhost demo on $native/Ruckstone.so"
"$native/ruckhost" demo "$out/linux"
echo "== Windows (Wine): $win/ruckhost.exe demo on $win/Ruckstone.dll"
"$win/wine-run.sh" "$win/ruckhost.exe" demo "$out/windows"
echo "== Linux and Windows renders compared"
"$native/ruckhost" compare "$out/linux" "$out/windows" --tolerance 1e-9
if [ "$forms" = --all-forms ]; then
  for form in Ruckstone.vst3 Ruckstone.clap; do
    rm -rf "$out/$form"
    echo "== $form: Linux and Windows renders compared"
    "$native/ruckhost" demo "$out/$form/linux" --plugin "$native/$form" >/dev/null
    "$win/wine-run.sh" "$win/ruckhost.exe" demo "$out/$form/windows" --plugin "$win/$form" >/dev/null
    "$native/ruckhost" compare "$out/$form/linux" "$out/$form/windows" --tolerance 1e-9
  done
fi

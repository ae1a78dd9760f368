#!/usr/bin/env bash
# Runs `ruckhost demo` natively on each form of the Linux plug-in (the .so, the VST3 bundle,
# the .clap) and `ruckhost.exe demo` under Wine on the same form of the Windows one, and
# checks that every render agrees within 1e-9:
#   demo-both.sh NATIVE_TREE WINDOWS_TREE OUTDIR
set -euo pipefail
native="$1" win="$2" out="$3"
for form in vst2:Ruckstone.so:Ruckstone.dll vst3:Ruckstone.vst3:Ruckstone.vst3 clap:Ruckstone.clap:Ruckstone.clap; do
  IFS=: read -r name linux windows <<<"$form"
  rm -rf "$out/$name"
  echo "== $name, Linux: $native/ruckhost demo on $native/$linux"
  "$native/ruckhost" demo "$out/$name/linux" --plugin "$native/$linux"
  echo "== $name, Windows (Wine): $win/ruckhost.exe demo on $win/$windows"
  "$win/wine-run.sh" "$win/ruckhost.exe" demo "$out/$name/windows" --plugin "$win/$windows"
  echo "== $name: Linux and Windows renders compared"
  "$native/ruckhost" compare "$out/$name/linux" "$out/$name/windows" --tolerance 1e-9
done

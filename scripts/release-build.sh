#!/usr/bin/env bash
# Builds the two release presets of this source tree: native-release (Ruckstone.so, the
# VST3 bundle, Ruckstone.clap and ruckhost) and win-release (Ruckstone.dll, the VST3
# bundle, Ruckstone.clap and ruckhost.exe), each binary stripped, with its debug
# information beside it in a .debug file. Build logs go to build/<preset>.log.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
jobs="${RUCK_JOBS:-2}"
mkdir -p build
for preset in native-release win-release; do
  if ! { cmake --preset "$preset" && cmake --build --preset "$preset" -j "$jobs"; } >"build/$preset.log" 2>&1; then
    tail -n 40 "build/$preset.log"
    echo "release build $preset failed (log build/$preset.log)" >&2
    exit 1
  fi
  echo "built $preset in build/$preset"
done

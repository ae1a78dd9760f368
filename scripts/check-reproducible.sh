#!/usr/bin/env bash
# Checks that the release builds are reproducible: clones the current commit into a fresh
# folder elsewhere, builds the release presets there and compares Ruckstone.so, ruckhost,
# Ruckstone.dll, ruckhost.exe, the VST3 modules and the CLAP files (and their .debug files) byte for byte with this tree's
# release builds (made by scripts/release-build.sh). diffoscope explains any difference.
# Takes two full release builds' time; scripts/package.sh runs it.
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
binaries=(native-release/Ruckstone.so native-release/ruckhost native-release/Ruckstone.vst3/Contents/x86_64-linux/Ruckstone.so
  native-release/Ruckstone.clap win-release/Ruckstone.dll win-release/ruckhost.exe
  win-release/Ruckstone.vst3/Contents/x86_64-win/Ruckstone.vst3 win-release/Ruckstone.clap)

work="$(mktemp -d /tmp/ruckstone-reproducible.XXXXXX)"
clone="$work/another/place/ruckstone"
git clone -q --no-hardlinks "$root" "$clone" && git -C "$clone" checkout -q "$(git rev-parse HEAD)" || exit 1
# The libpng source package already fetched here: setup.sh unpacks it without a download.
mkdir -p "$clone/build/deps" && cp -r build/deps/download "$clone/build/deps/"
(cd "$clone" && bash scripts/setup.sh >/dev/null && bash scripts/release-build.sh) || exit 1

status=0
for binary in "${binaries[@]}"; do
  for file in "$binary" "$binary.debug"; do
    if cmp -s "build/$file" "$clone/build/$file"; then
      echo "reproducible: $file ($(sha256sum <"build/$file" | cut -c1-16))"
    else
      echo "NOT reproducible: $file differs between $root/build and $clone/build"
      diffoscope --text - --max-report-size 20000 "build/$file" "$clone/build/$file" | head -n 80
      status=1
    fi
  done
done
[ "$status" = 0 ] && rm -rf "$work"
exit "$status"

#!/usr/bin/env bash
# Installs every Debian package the native and Windows builds and their tests need,
# and fetches Debian's libpng source for the Windows build. Safe to run again: it
# skips what is already there and refreshes the package lists at most once.
set -euo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"

packages=(
  build-essential cmake pkg-config ninja-build
  googletest libgtest-dev libbenchmark-dev
  libpng-dev zlib1g-dev
  libfreetype-dev libfontconfig-dev fontconfig
  clang libclang-rt-14-dev
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-tools
  libz-mingw-w64-dev
  wine wine64
  xvfb xdotool x11-apps xauth fonts-liberation
  libx11-dev libxext-dev libxres-dev x11-utils
  dpkg-dev
  libpixman-1-dev python3-pil fonts-dejavu-core
  # third-party VST2 and CLAP plug-ins that ruckhost is tested and benchmarked against
  dpf-plugins-vst lsp-plugins-vst zam-plugins
  # a real host for the Linux plug-in, run headless by the test command
  ardour
  # packages and the manual: Debian's package checker, reproducibility diffs, plots, HTML
  lintian diffoscope-minimal python3-matplotlib python3-markdown
)

apt_get() {
  DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 -y -q "$@"
}

updated=0
update_once() {
  if [ "$updated" = 0 ]; then
    apt_get update >/dev/null
    updated=1
  fi
}

# A deb-src twin of the machine's own sources, so Debian's libpng source can be had.
src_list=/etc/apt/sources.list.d/ruckstone-src.sources
if [ ! -f "$src_list" ]; then
  sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources >"$src_list"
  updated=0
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if [ "${#missing[@]}" -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  update_once
  apt_get install --no-install-recommends "${missing[@]}" >/dev/null
fi

# Debian's libpng 1.6 source, unpacked with Debian's patches applied.
deps="$here/build/deps"
if [ ! -d "$deps/libpng-src" ]; then
  mkdir -p "$deps/download"
  if ! ls "$deps"/download/libpng1.6_*.dsc >/dev/null 2>&1; then
    update_once
    (cd "$deps/download" && apt-get source --download-only libpng1.6/bookworm >/dev/null)
  fi
  rm -rf "$deps/libpng-unpack"
  (cd "$deps/download" && dpkg-source -x "$(ls libpng1.6_*.dsc | head -n1)" "$deps/libpng-unpack" >/dev/null)
  mv "$deps/libpng-unpack" "$deps/libpng-src"
fi
echo "setup: packages and sources ready"

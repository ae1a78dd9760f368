#!/usr/bin/env bash
# Makes Ruckstone's packages under dist/ from the release builds:
#   Ruckstone-<version>-windows-x64.zip     Ruckstone.dll, the VST3 bundle Ruckstone.vst3,
#                                           Ruckstone.clap, presets, manual, LICENSE, install note
#   Ruckstone-<version>-linux-x86_64.tar.gz the same with Ruckstone.so and the Linux forms
#   ruckstone_<version>-1_amd64.deb         /usr/lib/vst/Ruckstone.so, /usr/lib/vst3/Ruckstone.vst3,
#                                           /usr/lib/clap/Ruckstone.clap, /usr/bin/ruckhost (with
#                                           its man page), presets and manual under /usr/share
#   SHA256SUMS                              of those three
#   debug/                                  the binaries' separate debug files
# The archives are reproducible: every file dated at the last commit (SOURCE_DATE_EPOCH),
# owned by root, stored in name order. Then lintian checks the .deb, the .deb is installed
# into a scratch root where Ardour's scanner must find the plug-in and removed again, and
# the release binaries are rebuilt in a fresh clone elsewhere and must be byte-identical
# (RUCK_SKIP_REPRODUCIBILITY=1 skips that last check, which takes two release builds).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

bash scripts/setup.sh
version="$(sed -n 's/^project(Ruckstone VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)"
export SOURCE_DATE_EPOCH="${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}"
export TZ=UTC LC_ALL=C.UTF-8
if [ -n "$(git status --porcelain --untracked-files=no)" ]; then
  echo "package: note: the work tree has uncommitted changes; the packages hold them"
fi
bash scripts/release-build.sh

native=build/native-release
win=build/win-release
stage=build/package
dist=dist
rm -rf "$stage" "$dist"
mkdir -p "$stage" "$dist/debug"

# What all three packages share: presets exported from the plug-in and the manual.
"$native/ruckhost" preset export "$native/Ruckstone.so" "$stage/presets" >/dev/null
# The empty slots come out as copies of the last factory program named "user preset N":
# the bank keeps every slot, the single files only the factory programs.
rm -f "$stage/presets/"*" user preset "*.fxp
bash scripts/manual.sh "$native/ruckhost" "$native/Ruckstone.so" "$stage/manual"

# install_note SYSTEM PLUGIN: the plain-text note of the zip and the tar.gz.
install_note() {
  cat <<NOTE
Ruckstone $version, a stereo distortion (VST 2.4, VST3 and CLAP plug-in), by Tolvi

Install: copy $2 into a folder your host scans for VST 2 plug-ins, the whole
folder Ruckstone.vst3 into a folder it scans for VST3 plug-ins, or Ruckstone.clap
into a folder it scans for CLAP plug-ins, then rescan. One of the three is enough.
NOTE
  if [ "$1" = windows ]; then
    cat <<'NOTE'
Windows hosts commonly scan, for VST 2
  C:\Program Files\VSTPlugins
  C:\Program Files\Steinberg\VSTPlugins
  C:\Program Files\Common Files\VST2
for VST3
  C:\Program Files\Common Files\VST3
and for CLAP
  C:\Program Files\Common Files\CLAP   %LOCALAPPDATA%\Programs\Common\CLAP
(your host's plug-in settings list its folders). Ruckstone is 64-bit and needs no
runtime libraries.
NOTE
  else
    cat <<'NOTE'
Linux hosts (Ardour, Bitwig, Carla, REAPER) commonly scan, for VST 2
  ~/.vst   ~/.lxvst   /usr/lib/vst   /usr/local/lib/vst
for VST3
  ~/.vst3   /usr/lib/vst3   /usr/local/lib/vst3
and for CLAP
  ~/.clap   /usr/lib/clap   (and the folders in CLAP_PATH)
(Ardour also reads LXVST_PATH). Ruckstone is 64-bit and needs libpng, FreeType,
Fontconfig and X11, which desktop systems have.
NOTE
  fi
  cat <<'NOTE'

presets/  every factory program as a .fxp file and the whole bank as Ruckstone.fxb
          (load them with your host's preset menu)
manual/   manual.html, the user manual with pictures
LICENSE   the MIT licence
NOTE
}

# stage_archive SYSTEM PLUGIN_FILE NAME: the folder that goes into the zip or tar.gz: the
# VST 2 plug-in, the VST3 bundle and the CLAP file beside it (without debug files), presets, manual.
stage_archive() {
  local dir="$stage/$3"
  mkdir -p "$dir"
  cp "$2" LICENSE "$dir/"
  copy_bundle "$(dirname "$2")/Ruckstone.vst3" "$dir/Ruckstone.vst3"
  cp "$(dirname "$2")/Ruckstone.clap" "$dir/"
  cp -r "$stage/presets" "$stage/manual" "$dir/"
  install_note "$1" "$(basename "$2")" >"$dir/INSTALL.txt"
  normalise "$dir"
}

# copy_bundle FROM TO: a VST3 bundle without the debug files the release build leaves in it.
copy_bundle() {
  local to
  to="$(mkdir -p "$2" && cd "$2" && pwd)"
  (cd "$1" && find . -type f -not -name '*.debug' -print0 | xargs -0 cp --parents -t "$to")
}

# normalise DIR: plain permissions and the commit's date on everything.
normalise() {
  find "$1" -type d -exec chmod 0755 {} +
  find "$1" -type f -exec chmod 0644 {} +
  find "$1" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
}

zip_name="Ruckstone-$version-windows-x64"
stage_archive windows "$win/Ruckstone.dll" "$zip_name"
(cd "$stage" && find "$zip_name" | LC_ALL=C sort | zip -X -D -q -@ "$root/$dist/$zip_name.zip")

tar_name="Ruckstone-$version-linux-x86_64"
stage_archive linux "$native/Ruckstone.so" "$tar_name"
tar --sort=name --mtime="@$SOURCE_DATE_EPOCH" --owner=0 --group=0 --numeric-owner --format=gnu \
  -C "$stage" -cf - "$tar_name" | gzip -9n >"$dist/$tar_name.tar.gz"

deb_name="ruckstone_${version}-1_amd64"
bash scripts/make-deb.sh "$version" "$native" "$stage" "$dist/$deb_name.deb"

for file in "$native/Ruckstone.so" "$native/ruckhost" "$win/Ruckstone.dll" "$win/ruckhost.exe"; do
  cp "$file.debug" "$dist/debug/"
done
cp "$native/Ruckstone.vst3/Contents/x86_64-linux/Ruckstone.so.debug" "$dist/debug/Ruckstone.vst3-linux.so.debug"
cp "$win/Ruckstone.vst3/Contents/x86_64-win/Ruckstone.vst3.debug" "$dist/debug/Ruckstone.vst3-win.vst3.debug"
cp "$native/Ruckstone.clap.debug" "$dist/debug/Ruckstone-linux.clap.debug"
cp "$win/Ruckstone.clap.debug" "$dist/debug/Ruckstone-win.clap.debug"
(cd "$dist" && sha256sum "$zip_name.zip" "$tar_name.tar.gz" "$deb_name.deb" >SHA256SUMS)

echo "== lintian"
lintian --fail-on error "$dist/$deb_name.deb" || exit 1
echo "== the .deb in a scratch root, with Ardour's scanner"
bash scripts/check-deb.sh "$dist/$deb_name.deb"
if [ "${RUCK_SKIP_REPRODUCIBILITY:-0}" != 1 ]; then
  echo "== reproducibility"
  bash scripts/check-reproducible.sh
fi
echo "== packages"
(cd "$dist" && ls -l "$zip_name.zip" "$tar_name.tar.gz" "$deb_name.deb" && cat SHA256SUMS)

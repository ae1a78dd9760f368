#!/usr/bin/env bash
# Builds the Debian package from a native release tree with dpkg-deb: the plug-in where
# Debian's VST plug-ins are (/usr/lib/vst), the VST3 bundle in /usr/lib/vst3, the CLAP file in
# /usr/lib/clap, ruckhost in /usr/bin with its man page, the
# presets in /usr/share/ruckstone/presets and the manual in /usr/share/doc/ruckstone/manual.
# Dependencies come from dpkg-shlibdeps. Files are dated SOURCE_DATE_EPOCH.
# usage: make-deb.sh VERSION NATIVE_RELEASE_TREE STAGE OUT.deb
# (STAGE must hold presets/ and manual/, as scripts/package.sh makes them)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
version="${1:?version}" tree="${2:?native release tree}" stage="${3:?stage}" out="${4:?out.deb}"
: "${SOURCE_DATE_EPOCH:?set SOURCE_DATE_EPOCH}"
stage="$(cd "$stage" && pwd)"
tree="$(cd "$tree" && pwd)"
package=ruckstone
revision=1
deb="$stage/deb"
doc="$deb/usr/share/doc/$package"

rm -rf "$deb"
install -d "$deb/DEBIAN" "$deb/usr/lib/vst" "$deb/usr/lib/vst3" "$deb/usr/lib/clap" "$deb/usr/bin" "$deb/usr/share/man/man1" "$doc" "$deb/usr/share/$package"
install -m 0644 "$tree/Ruckstone.so" "$deb/usr/lib/vst/"
install -m 0644 "$tree/Ruckstone.clap" "$deb/usr/lib/clap/"
install -m 0755 "$tree/ruckhost" "$deb/usr/bin/"
(cd "$tree/Ruckstone.vst3" && find . -type f -not -name '*.debug' -print0 |
  xargs -0 cp --parents -t "$(mkdir -p "$deb/usr/lib/vst3/Ruckstone.vst3" && echo "$deb/usr/lib/vst3/Ruckstone.vst3")")
sed "s/@VERSION@/$version/g" "$root/docs/ruckhost.1" | gzip -9n >"$deb/usr/share/man/man1/ruckhost.1.gz"
cp -r "$stage/presets" "$deb/usr/share/$package/presets"
cp -r "$stage/manual" "$doc/manual"

cat >"$doc/copyright" <<'COPYRIGHT'
Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: Ruckstone
Upstream-Contact: Tolvi <https://tolvi.audio/>
Source: https://tolvi.audio/ruckstone/

Files: *
Copyright: 2026 Tolvi
License: Expat

License: Expat
COPYRIGHT
sed -n '/^Permission/,$p' "$root/LICENSE" | sed 's/^$/./; s/^/ /' >>"$doc/copyright"
date="$(date -u -R -d "@$SOURCE_DATE_EPOCH")"
gzip -9n >"$doc/changelog.Debian.gz" <<CHANGELOG
$package ($version-$revision) unstable; urgency=medium

  * Release $version: the Ruckstone VST 2.4, VST3 and CLAP plug-ins,
    ruckhost, presets and manual.

 -- Tolvi <packages@tolvi.audio>  $date
CHANGELOG

# The libraries the binaries need, as Debian package dependencies.
shlibs="$stage/shlibs"
rm -rf "$shlibs" && mkdir -p "$shlibs/debian"
printf 'Source: %s\n\nPackage: %s\nArchitecture: amd64\n' "$package" "$package" >"$shlibs/debian/control"
depends="$(cd "$shlibs" && dpkg-shlibdeps -O "$deb/usr/lib/vst/Ruckstone.so" \
  "$deb/usr/lib/vst3/Ruckstone.vst3/Contents/x86_64-linux/Ruckstone.so" "$deb/usr/lib/clap/Ruckstone.clap" \
  "$deb/usr/bin/ruckhost" 2>/dev/null \
  | sed -n 's/^shlibs:Depends=//p')"

find "$deb" -type d -exec chmod 0755 {} +
find "$deb" -type f -not -path "$deb/usr/bin/*" -exec chmod 0644 {} +
size="$(du -sk --apparent-size "$deb/usr" | cut -f1)"
cat >"$deb/DEBIAN/control" <<CONTROL
Package: $package
Version: $version-$revision
Architecture: amd64
Maintainer: Tolvi <packages@tolvi.audio>
Installed-Size: $size
Depends: $depends
Section: sound
Priority: optional
Homepage: https://tolvi.audio/ruckstone/
Description: stereo distortion audio plug-in (VST 2.4, VST3 and CLAP)
 Ruckstone is a stereo distortion for VST 2.4, VST3 and CLAP hosts such as
 Ardour, Carla, REAPER and Bitwig: two overdrive curves and a decimator, a
 foldback stage before or after them, a tone filter, an anti-alias filter,
 pan and mix, with its own editor and 17 factory programs.
 .
 The package also holds ruckhost, a VST 2.4 host for the command line that
 renders WAV files through any VST 2 plug-in, the factory programs as
 standard preset files and the user manual.
CONTROL
(cd "$deb" && find usr -type f | LC_ALL=C sort | xargs -d '\n' md5sum >DEBIAN/md5sums)
chmod 0644 "$deb/DEBIAN/control" "$deb/DEBIAN/md5sums"
find "$deb" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
dpkg-deb --root-owner-group -Zxz --build "$deb" "$out" >/dev/null
echo "built $out"

#!/usr/bin/env bash
# Installs the Ruckstone .deb into a scratch root with dpkg, checks that Ardour's VST
# scanners find the plug-in and the VST3 bundle at their installed paths and that ruckhost
# runs from there, then removes the package and checks that it left nothing behind.
# usage: check-deb.sh RUCKSTONE.deb
set -uo pipefail
deb="$(realpath "${1:?package}")"
scratch="$(mktemp -d /tmp/ruckstone-deb.XXXXXX)"
status=0
check() {
  local what="$1"
  shift
  if "$@" >>"$scratch.log" 2>&1; then
    echo "$what: ok"
  else
    echo "$what: FAILED (log $scratch.log)"
    status=1
  fi
}

# An empty dpkg database: the libraries the package needs are the machine's own.
mkdir -p "$scratch/var/lib/dpkg/info" "$scratch/var/lib/dpkg/updates"
touch "$scratch/var/lib/dpkg/status" "$scratch/var/lib/dpkg/available"
# Every file outside dpkg's own database, before and after.
files() { find "$scratch" -path "$scratch/var/lib/dpkg" -prune -o -print | LC_ALL=C sort; }
files >"$scratch.before"
# Ardour's scanner keeps its cache and log in a private home, away from both.
export HOME="$scratch.home" XDG_CACHE_HOME="$scratch.home/.cache" XDG_CONFIG_HOME="$scratch.home/.config"
mkdir -p "$HOME"

dpkg_root() { dpkg --root="$scratch" --force-depends --force-not-root --log=/dev/null "$@"; }
check "dpkg installs the package" dpkg_root -i "$deb"
plugin="$scratch/usr/lib/vst/Ruckstone.so"
clap="$scratch/usr/lib/clap/Ruckstone.clap"
check "the plug-in is in /usr/lib/vst, the VST3 bundle in /usr/lib/vst3, the CLAP file in /usr/lib/clap" \
  test -f "$plugin" -a -f "$scratch/usr/lib/vst3/Ruckstone.vst3/Contents/x86_64-linux/Ruckstone.so" -a -f "$clap"
check "ruckhost is in /usr/bin with its man page" test -x "$scratch/usr/bin/ruckhost" -a \
  -f "$scratch/usr/share/man/man1/ruckhost.1.gz"
check "presets and manual are in /usr/share" test -f "$scratch/usr/share/ruckstone/presets/Ruckstone.fxb" -a \
  -f "$scratch/usr/share/doc/ruckstone/manual/manual.html"
LD_LIBRARY_PATH=/usr/lib/ardour7 timeout 60 /usr/lib/ardour7/ardour-vst-scanner -f "$plugin" >"$scratch.scan" 2>&1
check "Ardour's scanner finds Ruckstone at the installed path" grep -q "Found Plugin: .* Ruckstone" "$scratch.scan"
LD_LIBRARY_PATH=/usr/lib/ardour7 timeout 60 /usr/lib/ardour7/ardour-vst3-scanner \
  -f "$scratch/usr/lib/vst3/Ruckstone.vst3" >"$scratch.scan3" 2>&1
check "Ardour's VST3 scanner finds the installed bundle" grep -q "Found Plugin: .*Ruckstone" "$scratch.scan3"
check "the installed ruckhost renders with an installed preset" bash -c \
  "'$scratch/usr/bin/ruckhost' info '$plugin' | grep -q '^version  *1\\.' &&
   '$scratch/usr/bin/ruckhost' curve '$plugin' '$scratch/curve.csv' --points 3 \
     --preset '$scratch/usr/share/ruckstone/presets/12 Hard guitar.fxp' && rm '$scratch/curve.csv'"
check "the installed CLAP file loads and names itself" bash -c \
  "'$scratch/usr/bin/ruckhost' info '$clap' | grep -q 'audio.tolvi.ruckstone'"
check "dpkg removes the package" dpkg_root --purge ruckstone
check "dpkg no longer knows the package" bash -c "! dpkg-query --admindir='$scratch/var/lib/dpkg' -W ruckstone"
files >"$scratch.after"
check "nothing is left behind" diff "$scratch.before" "$scratch.after"
[ "$status" = 0 ] && rm -rf "$scratch" "$scratch.home" "$scratch.before" "$scratch.after" "$scratch.scan" "$scratch.scan3" "$scratch.log"
exit "$status"

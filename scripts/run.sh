#!/usr/bin/env bash
# The main job: installs what is missing, builds both forms (the Linux plug-in and the
# Windows DLL, each with its own ruckhost), renders the demo riff through several
# factory programs with `ruckhost demo` natively and `ruckhost.exe demo` under Wine,
# checks that the Linux and Windows renders agree, and prints where everything is.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
jobs="${RUCK_JOBS:-2}"

bash scripts/setup.sh
# The CMake presets of the same names (CMakePresets.json) build into build/native and build/win.
for form in native win; do
  cmake --preset "$form" >/dev/null
  cmake --build "build/$form" -j "$jobs" --target ruckstone ruckhost >/dev/null
  echo "built the $form form in build/$form"
done

status=0
bash scripts/demo-both.sh build/native build/win build/demo || status=$?
WINEPREFIX="$root/build/win/wineprefix" wineserver -k >/dev/null 2>&1 || true

cat <<EOF

Where everything is:
  build/native/Ruckstone.so     the plug-in for Linux hosts
  build/win/Ruckstone.dll       the plug-in for Windows hosts (64-bit)
  build/native/ruckhost         the command-line host (Linux); try: build/native/ruckhost --help
  build/win/ruckhost.exe        the same for Windows (here run under Wine)
  build/demo/linux/             the demo input and its renders made on Linux (64-bit float WAVs)
  build/demo/windows/           the same made by the Windows build
To use the plug-in in a DAW, copy Ruckstone.so into ~/.vst (or ~/.lxvst), or Ruckstone.dll
into your VST2 folder on Windows (often C:\\Program Files\\VSTPlugins), and rescan.
EOF
if [ "$status" = 0 ]; then
  echo "The Linux and Windows renders agree."
else
  echo "The demo failed or the Linux and Windows renders differ (see above)."
fi
exit "$status"

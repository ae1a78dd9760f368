#!/usr/bin/env bash
# The main job: installs what is missing and builds both forms (native and Windows).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
jobs="${RUCK_JOBS:-2}"

bash scripts/setup.sh
for form in native win; do
  args=()
  [ "$form" = win ] && args=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake")
  cmake -S . -B "build/$form" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${args[@]}" >/dev/null
  cmake --build "build/$form" -j "$jobs" >/dev/null
  echo "built the $form form in build/$form"
done
echo "The plug-in binaries are not part of the build yet: both forms build their libraries and tests."

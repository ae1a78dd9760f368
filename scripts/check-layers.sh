#!/usr/bin/env bash
# Checks that each library folder includes only its own headers and those of the layers
# below it, so a lower layer cannot come to depend on a higher one by accident (the
# include path, the source tree's root, would allow it).
set -u
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
# folder: the top-level folders whose headers it may include.
declare -A allowed=(
  [plug]="plug"
  [vst]="vst plug"
  [vst3]="vst3 vst plug"
  [clap]="clap vst plug"
  [raster]="raster plug"
  [editor]="editor raster plug"
  [effect]="effect editor raster clap vst3 vst plug"
  [tools/loader]="vst"
  [tools/vst3host]="vst3"
  [tools/claphost]="clap"
  [tools/ruckhost]="raster clap vst3 vst"
)
layers="plug|clap|vst3|vst|raster|editor|effect|tools|tests|bench"
status=0
for folder in "${!allowed[@]}"; do
  while IFS=: read -r file line text; do
    layer="$(sed -E "s/.*#include \"($layers)\/.*/\1/" <<<"$text")"
    if ! grep -qw -- "$layer" <<<"${allowed[$folder]}"; then
      echo "$file:$line: $folder must not include $layer/ ($text)"
      status=1
    fi
  done < <(grep -rnE "^#include \"($layers)/" "$folder" --include='*.h' --include='*.cpp')
  if grep -rnE '^#include "\.\./' "$folder" --include='*.h' --include='*.cpp'; then
    echo "$folder: includes by ../ paths hide the layer they reach into"
    status=1
  fi
done
[ "$status" = 0 ] && echo "layers: every folder includes only its own and lower layers' headers"
exit "$status"

#!/usr/bin/env bash
# Builds the user manual into OUTDIR: docs/manual.md as manual.html, with its pictures drawn
# from the plug-in being shipped, through ruckhost: the face (`ruckhost snapshot`), the
# transfer curves and the harmonic spectra (`ruckhost curve` / `spectrum`, plotted by
# tools/manual/pictures.py), and its version as the plug-in reports it. So the pictures and
# the version never go stale.
# usage: scripts/manual.sh RUCKHOST PLUGIN OUTDIR
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
ruckhost="${1:?ruckhost}" plugin="${2:?plug-in}" out="${3:?output folder}"
# Debian's Python, which has python3-matplotlib and python3-markdown.
python=/usr/bin/python3

rm -rf "$out"
mkdir -p "$out/pictures"
"$ruckhost" snapshot "$plugin" "$out/pictures/face.png" >/dev/null
"$python" "$root/tools/manual/pictures.py" "$ruckhost" "$plugin" "$out/pictures"
version="$("$ruckhost" info "$plugin" | sed -n 's/^version  *\([0-9.]*\).*/\1/p')"
[ -n "$version" ] || { echo "manual: $plugin reports no version" >&2; exit 1; }
"$python" "$root/tools/manual/to_html.py" "$root/docs/manual.md" "$out/manual.html" "$version"
for picture in $(grep -o 'pictures/[a-z-]*\.png' "$root/docs/manual.md" | sort -u); do
  [ -f "$out/$picture" ] || { echo "manual: $picture is named in docs/manual.md but was not drawn" >&2; exit 1; }
done
echo "manual: $out/manual.html and $(ls "$out/pictures" | wc -l) pictures"

#!/usr/bin/env bash
# Ruckstone in a real host: Ardour (Debian's ardour package) headless on its Dummy
# backend, driven by our Lua scripts in tests/ardour. It scans the plug-in, records the
# backend's generator on a track, renders it through Ruckstone, exports, saves, reloads
# and exports again, one Lua run per step; then the exports are judged against
# `ruckhost render`.
#   ardour-check.sh PLUGIN.so RUCKHOST WORKDIR
# Prints one line per check and exits non-zero when any fails.
set -u
plugin="$1" ruckhost="$2" work="$3"
root="$(cd "$(dirname "$0")/.." && pwd)"
lua_dir="$root/tests/ardour"
rm -rf "$work"
mkdir -p "$work/vst" "$work/out" "$work/home/.config/ardour7/export"
# A private home: Ardour's plug-in cache, scan log and settings stay in the work folder.
export HOME="$work/home" XDG_CACHE_HOME="$work/home/.cache" XDG_CONFIG_HOME="$work/home/.config"
export LXVST_PATH="$work/vst"
cp "$plugin" "$work/vst/Ruckstone.so"
# Older than the scan, so Ardour takes the cached scan as current.
touch -d '-1 minute' "$work/vst/Ruckstone.so"
cp "$lua_dir"/ruckstone-float.format "$lua_dir"/ruckstone-float.preset "$work/home/.config/ardour7/export/"

failures=0
check() {  # check NAME CONDITION...: runs the condition, prints and counts the result
  local name="$1"
  shift
  if "$@" >/dev/null; then
    echo "ardour check: $name: ok"
  else
    echo "ardour check: $name: FAILED"
    failures=$((failures + 1))
  fi
}

# run_step STEP: one ardour7-lua run, judged by the "RESULT done STEP" line it prints (the
# Lua session can abort or corrupt its heap at exit or after exports: 134, 139); a run
# that died before that line is retried, twice at most.
run_step() {
  local step="$1" attempt log="$work/$1.log"
  for attempt in 1 2 3; do
    timeout 120 stdbuf -oL ardour7-lua "$lua_dir/session_step.lua" "$work/session" session "$work/out" "$step" \
      >"$log" 2>&1
    local status=$?
    grep -q "^RESULT done $step\$" "$log" && return 0
    echo "ardour check: step $step ended with $status before its results (attempt $attempt)" >&2
  done
  tail -n 20 "$log" >&2
  return 1
}

result() {  # result KEY LOG: the value of a "RESULT KEY value" line
  sed -n "s/^RESULT $1 //p" "$2" | head -n 1
}

agree() {  # agree A B [compare options]: two WAVs equal within float rounding
  "$ruckhost" compare "$1" "$2" --tolerance 1e-6 "${@:3}"
}

differ() {
  ! agree "$1" "$2"
}

LD_LIBRARY_PATH=/usr/lib/ardour7 timeout 60 /usr/lib/ardour7/ardour-vst-scanner -f "$work/vst/Ruckstone.so" \
  >"$work/scan.log" 2>&1
check "the scanner records Ruckstone" grep -q "Found Plugin: .* Ruckstone" "$work/scan.log"
timeout 60 ardour7-new_session -s 48000 "$work/session" session >"$work/new-session.log" 2>&1
check "a new session" test -f "$work/session/session.ardour"

log="$work/record.log"
check "recording the take and adding Ruckstone" run_step record
names="$(sed -n 's/^RESULT parameter [0-9]* //p' "$log" | paste -sd, -)"
check "11 parameters" test "$(result parameters "$log")" = 11
check "our parameter names" test "$names" = "Algorithm,Amount,Foldback,Gain,Threshold,Flip Thresh,Multiply,Round,Antialias,Pan,Mix"
check "25 programs" test "$(result programs "$log")" = 25
check "the program \"Hard guitar\" loads" test "$(result loaded_program "$log")" = true
for step in dry hard amount reload; do
  check "step $step" run_step "$step"
done
check "the render differs from the dry take" differ "$work/out/dry.wav" "$work/out/hard.wav"
check "the render changes with Amount" differ "$work/out/hard.wav" "$work/out/hard-amount20.wav"

"$ruckhost" render "$plugin" "$work/out/dry.wav" "$work/ruckhost-hard.wav" --program "Hard guitar" >/dev/null
"$ruckhost" render "$plugin" "$work/out/dry.wav" "$work/ruckhost-amount20.wav" --program "Hard guitar" \
  --set Amount=0.2n >/dev/null
# Ardour fades the track in when the transport starts, after the plug-in (the dry export
# has the fade before it): the first quarter second is left out of the comparison.
check "Ardour's export equals ruckhost render" agree "$work/out/hard.wav" "$work/ruckhost-hard.wav" --from 0.25
check "... also with Amount changed" agree "$work/out/hard-amount20.wav" "$work/ruckhost-amount20.wav" --from 0.25
check "Amount survives save and reload" \
  test "$(result amount_after_reload "$work/reload.log")" = "$(result amount_before_save "$work/amount.log")"
check "the reloaded session renders the same" agree "$work/out/reloaded.wav" "$work/out/hard-amount20.wav"

echo "ardour check: $failures failed (logs and files in $work)"
[ "$failures" = 0 ]

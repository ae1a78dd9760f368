#!/usr/bin/env bash
# Ruckstone in a real host: Ardour (Debian's ardour package) headless on its Dummy
# backend, driven by our Lua scripts in tests/ardour. It scans the plug-in, records the
# backend's generator on a track, renders it through Ruckstone, exports, saves, reloads
# and exports again, one Lua run per step; then the exports are judged against
# `ruckhost render`. Given a VST3 bundle too, the same checks run again on the bundle.
#   ardour-check.sh PLUGIN.so RUCKHOST WORKDIR [Ruckstone.vst3]
# Prints one line per check and exits non-zero when any fails.
set -u
plugin="$1" ruckhost="$2" work="$3" bundle="${4:-}"
root="$(cd "$(dirname "$0")/.." && pwd)"
lua_dir="$root/tests/ardour"
rm -rf "$work"

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

# run_step DIR FORMAT STEP: one ardour7-lua run, judged by the "RESULT done STEP" line it
# prints (the Lua session can abort or corrupt its heap at exit or after exports: 134, 139);
# a run that died before that line is retried, twice at most.
run_step() {
  local dir="$1" format="$2" step="$3" attempt log="$1/$3.log"
  for attempt in 1 2 3; do
    timeout 120 stdbuf -oL ardour7-lua "$lua_dir/session_step.lua" "$dir/session" session "$dir/out" "$step" \
      "$format" >"$log" 2>&1
    local status=$?
    grep -q "^RESULT done $step\$" "$log" && return 0
    echo "ardour check: $format step $step ended with $status before its results (attempt $attempt)" >&2
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

# install FORMAT SOURCE DIR: the plug-in where Ardour looks, and scanned into its cache.
install() {
  local format="$1" source="$2" dir="$3"
  if [ "$format" = vst3 ]; then
    mkdir -p "$HOME/.vst3"
    cp -r "$source" "$HOME/.vst3/Ruckstone.vst3"
    # Older than the scan, so Ardour takes the cached scan as current.
    find "$HOME/.vst3/Ruckstone.vst3" -exec touch -d '-1 minute' {} +
    LD_LIBRARY_PATH=/usr/lib/ardour7 timeout 60 /usr/lib/ardour7/ardour-vst3-scanner \
      -f "$HOME/.vst3/Ruckstone.vst3" >"$dir/scan.log" 2>&1
  else
    mkdir -p "$dir/vst"
    export LXVST_PATH="$dir/vst"
    cp "$source" "$dir/vst/Ruckstone.so"
    touch -d '-1 minute' "$dir/vst/Ruckstone.so"
    LD_LIBRARY_PATH=/usr/lib/ardour7 timeout 60 /usr/lib/ardour7/ardour-vst-scanner -f "$dir/vst/Ruckstone.so" \
      >"$dir/scan.log" 2>&1
  fi
}

# check_format FORMAT PLUGIN DIR: every check on one form of the plug-in ("vst" or "vst3").
check_format() {
  local format="$1" source="$2" dir="$3" log names step
  mkdir -p "$dir/out" "$dir/home/.config/ardour7/export"
  # A private home: Ardour's plug-in cache, scan log and settings stay in the work folder.
  export HOME="$dir/home" XDG_CACHE_HOME="$dir/home/.cache" XDG_CONFIG_HOME="$dir/home/.config"
  cp "$lua_dir"/ruckstone-float.format "$lua_dir"/ruckstone-float.preset "$dir/home/.config/ardour7/export/"
  install "$format" "$source" "$dir"
  check "$format: the scanner records Ruckstone" grep -q "Found Plugin: .*Ruckstone" "$dir/scan.log"
  timeout 60 ardour7-new_session -s 48000 "$dir/session" session >"$dir/new-session.log" 2>&1
  check "$format: a new session" test -f "$dir/session/session.ardour"

  log="$dir/record.log"
  check "$format: recording the take and adding Ruckstone" run_step "$dir" "$format" record
  names="$(sed -n 's/^RESULT parameter [0-9]* //p' "$log" | paste -sd, -)"
  check "$format: 11 parameters" test "$(result parameters "$log")" = 11
  check "$format: our parameter names" \
    test "$names" = "Algorithm,Amount,Foldback,Gain,Threshold,Flip Thresh,Multiply,Round,Antialias,Pan,Mix"
  check "$format: 25 programs" test "$(result programs "$log")" = 25
  check "$format: the program \"Hard guitar\" loads" test "$(result loaded_program "$log")" = true
  for step in dry hard amount reload; do
    check "$format: step $step" run_step "$dir" "$format" "$step"
  done
  local out="$dir/out"
  check "$format: the render differs from the dry take" differ "$out/dry.wav" "$out/hard.wav"
  check "$format: the render changes with Amount" differ "$out/hard.wav" "$out/hard-amount20.wav"

  "$ruckhost" render "$source" "$out/dry.wav" "$dir/ruckhost-hard.wav" --program "Hard guitar" >/dev/null
  "$ruckhost" render "$source" "$out/dry.wav" "$dir/ruckhost-amount20.wav" --program "Hard guitar" \
    --set Amount=0.2n >/dev/null
  # Ardour fades the track in when the transport starts, after the plug-in (the dry export
  # has the fade before it): the first quarter second is left out of the comparison.
  check "$format: Ardour's export equals ruckhost render" agree "$out/hard.wav" "$dir/ruckhost-hard.wav" --from 0.25
  check "$format: ... also with Amount changed" \
    agree "$out/hard-amount20.wav" "$dir/ruckhost-amount20.wav" --from 0.25
  check "$format: Amount survives save and reload" \
    test "$(result amount_after_reload "$dir/reload.log")" = "$(result amount_before_save "$dir/amount.log")"
  check "$format: the reloaded session renders the same" agree "$out/reloaded.wav" "$out/hard-amount20.wav"
}

check_format vst "$plugin" "$work"
if [ -n "$bundle" ]; then
  check_format vst3 "$bundle" "$work/vst3"
fi

echo "ardour check: $failures failed (logs and files in $work)"
[ "$failures" = 0 ]

#!/usr/bin/env bash
# Installs what is missing, builds both forms and runs every test: the native unit tests
# plainly and under AddressSanitizer + UndefinedBehaviorSanitizer, then the Windows build's
# tests under Wine, then the fuzzers and the thread tests. Ends with the line
# "N passed, M failed" over everything it ran.
set -uo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
jobs="${RUCK_JOBS:-2}"

bash scripts/setup.sh || { echo "setup failed"; echo "0 passed, 1 failed"; exit 1; }

total_pass=0
total_fail=0
summary=()

# build_tree NAME PRESET TARGET: configure the build tree of a CMake preset (build/PRESET,
# see CMakePresets.json) and build TARGET in it ("all" for everything); a failure is
# counted and reported.
build_tree() {
  local name="$1" dir="build/$2" target="$3"
  echo "== $name: configure and build ($dir)"
  if ! cmake --preset "$2" >"$dir.configure.log" 2>&1 \
     || ! cmake --build "$dir" -j "$jobs" --target "$target" >"$dir.build.log" 2>&1; then
    cat "$dir.configure.log" "$dir.build.log" 2>/dev/null | tail -n 60
    echo "== $name: build failed"
    total_fail=$((total_fail + 1))
    summary+=("$name: build failed")
    return 1
  fi
}

# ctest_counts LOG: "RAN FAILED" from a ctest log's summary line, "0 0" when it found no
# tests, nothing when it gave no summary.
ctest_counts() {
  local line
  line="$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$1" | tail -n 1)"
  if [ -n "$line" ]; then
    sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\2 \1/' <<<"$line"
  elif grep -q 'No tests were found' "$1"; then
    echo "0 0"
  fi
}

# run_ctest NAME BUILD_DIR [ctest args...]: run a built tree's tests and count them. Tests
# labelled "environment" (they run under Wine or in an X server, which occasionally lose a
# test process) get a second try; a failure of any other test fails the run.
run_ctest() {
  local name="$1" dir="$2"
  shift 2
  echo "== $name: test"
  local ran=0 failed=0 kind log counts
  for kind in plain environment; do
    log="$dir.ctest-$kind.log"
    if [ "$kind" = plain ]; then
      ctest --test-dir "$dir" -j "$jobs" --timeout 300 --output-on-failure -LE environment "$@" >"$log" 2>&1
    else
      ctest --test-dir "$dir" -j "$jobs" --timeout 300 --output-on-failure -L environment \
        --repeat until-pass:2 "$@" >"$log" 2>&1
    fi
    counts="$(ctest_counts "$log")"
    if [ -z "$counts" ]; then
      tail -n 60 "$log"
      echo "== $name: no test summary ($kind tests)"
      total_fail=$((total_fail + 1))
      summary+=("$name: ctest gave no summary for its $kind tests")
      return
    fi
    if [ "${counts#* }" != 0 ]; then
      sed -n '/The following tests FAILED/,$p' "$log"
    fi
    ran=$((ran + ${counts% *}))
    failed=$((failed + ${counts#* }))
  done
  echo "== $name: ran $ran tests, $((ran - failed)) passed, $failed failed"
  summary+=("$name: ran $ran tests, $((ran - failed)) passed, $failed failed")
  total_pass=$((total_pass + ran - failed))
  total_fail=$((total_fail + failed))
}

# run_suite NAME PRESET: configure, build and test one preset's whole build tree.
run_suite() {
  build_tree "$1" "$2" all && run_ctest "$1" "build/$2"
}

# run_fuzzer NAME TARGET SEED_DIR SECONDS: build a libFuzzer target of the fuzz preset
# (clang) and run it for a bounded time from the committed seeds; new inputs it finds stay
# in the build tree. Counts as one passed test when it ends without a finding.
run_fuzzer() {
  local name="$1" dir=build/fuzz target="$2" seeds="$3" seconds="$4"
  build_tree "$name" fuzz "$target" || return
  local binary corpus="$dir/corpus-$target" log="$dir.$target.log"
  binary="$(find "$dir" -type f -name "$target" -perm -u+x | head -n 1)"
  mkdir -p "$corpus"
  echo "== $name: fuzzing for $seconds s"
  "$binary" -max_total_time="$seconds" -max_len=4096 -artifact_prefix="$dir/" \
    "$corpus" "$root/$seeds" >"$log" 2>&1
  local status=$? runs
  runs="$(grep -oE 'Done [0-9]+ runs' "$log" | tail -n 1 | grep -oE '[0-9]+')"
  if [ "$status" = 0 ] && [ -n "$runs" ]; then
    summary+=("$name: $runs executions in $seconds s, no finding")
    total_pass=$((total_pass + 1))
  else
    tail -n 40 "$log"
    summary+=("$name: failed after ${runs:-?} executions (log $log, inputs in $dir/)")
    total_fail=$((total_fail + 1))
  fi
  echo "== ${summary[-1]}"
}

mkdir -p build
run_suite native native
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run_suite "native ASan+UBSan" asan
# The win preset names build/native as RUCK_NATIVE_TREE: its demo renders are compared with the Windows ones.
run_suite windows win
if [ -d build/win/wineprefix ]; then
  WINEPREFIX="$root/build/win/wineprefix" wineserver -k >/dev/null 2>&1 || true
fi

# Restoring damaged or hostile state and bank chunks: libFuzzer with ASan and UBSan.
run_fuzzer "plug chunk restore fuzz" fuzz_plug_restore tests/plug/corpus 60

# Raster: decoding damaged PNG data from memory, libFuzzer with ASan and UBSan.
run_fuzzer "raster PNG decode fuzz" raster_png_fuzzer tests/raster/corpus 45

# ruckhost's readers: preset files (.fxp/.fxb) and WAV files, libFuzzer with ASan and UBSan.
run_fuzzer "ruckhost file readers fuzz" fuzz_file_readers tests/tools/corpus 25

# Host action scripts played through the plug-in's entry point and effect record.
run_fuzzer "vst host script fuzz" fuzz_host_script tests/vst/corpus 100

# Host automation, program and chunk requests and audio blocks on three threads; and the
# audio thread automating every parameter while the Linux editor repaints.
if build_tree "threads TSan" tsan plug_thread_tests && build_tree "threads TSan" tsan editor_x11_tests; then
  TSAN_OPTIONS=halt_on_error=1 run_ctest "threads TSan" build/tsan -R '^(EffectThreads|EditorThreads)\.'
fi

# Ruckstone in Ardour (headless, Dummy backend), VST2 module and VST3 bundle, its exports
# judged against ruckhost.
echo "== Ardour check"
if [ -x build/native/ruckhost ] && bash scripts/ardour-check.sh build/native/Ruckstone.so build/native/ruckhost \
     "$root/build/ardour-check" build/native/Ruckstone.vst3 >build/ardour-check.log 2>&1; then
  summary+=("Ardour check: $(grep -c ': ok$' build/ardour-check.log) checks passed")
  total_pass=$((total_pass + 1))
else
  tail -n 30 build/ardour-check.log 2>/dev/null
  summary+=("Ardour check: failed (log build/ardour-check.log)")
  total_fail=$((total_fail + 1))
fi
echo "== ${summary[-1]}"

echo "== summary"
printf '%s\n' "${summary[@]}"
echo "$total_pass passed, $total_fail failed"
[ "$total_fail" = 0 ]

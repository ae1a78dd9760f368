#!/usr/bin/env bash
# Installs what is missing, builds both forms and runs every test: the native unit tests
# plainly and under AddressSanitizer + UndefinedBehaviorSanitizer, then the Windows build's
# tests under Wine. Ends with the line "N passed, M failed" over everything it ran.
set -uo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
jobs="${RUCK_JOBS:-2}"

bash scripts/setup.sh || { echo "setup failed"; echo "0 passed, 1 failed"; exit 1; }

total_pass=0
total_fail=0
summary=()

# run_suite NAME BUILD_DIR [cmake args...]: configure, build and test one build tree.
run_suite() {
  local name="$1" dir="$2"
  shift 2
  echo "== $name: configure and build ($dir)"
  if ! cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRUCK_WERROR=ON "$@" >"$dir.configure.log" 2>&1 \
     || ! cmake --build "$dir" -j "$jobs" >"$dir.build.log" 2>&1; then
    cat "$dir.configure.log" "$dir.build.log" 2>/dev/null | tail -n 60
    echo "== $name: build failed"
    total_fail=$((total_fail + 1))
    summary+=("$name: build failed")
    return
  fi
  echo "== $name: test"
  local log="$dir.ctest.log"
  ctest --test-dir "$dir" -j "$jobs" --timeout 300 --output-on-failure >"$log" 2>&1
  local line
  line="$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)"
  if [ -z "$line" ]; then
    tail -n 60 "$log"
    echo "== $name: no test summary"
    total_fail=$((total_fail + 1))
    summary+=("$name: ctest gave no summary")
    return
  fi
  local failed ran
  failed="$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")"
  ran="$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\2/' <<<"$line")"
  if [ "$failed" != 0 ]; then
    sed -n '/The following tests FAILED/,$p' "$log"
  fi
  echo "== $name: ran $ran tests, $((ran - failed)) passed, $failed failed"
  summary+=("$name: ran $ran tests, $((ran - failed)) passed, $failed failed")
  total_pass=$((total_pass + ran - failed))
  total_fail=$((total_fail + failed))
}

mkdir -p build
run_suite native build/native
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run_suite "native ASan+UBSan" build/asan -DRUCK_SANITIZE=ON
run_suite windows build/win -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake"
if [ -d build/win/wineprefix ]; then
  WINEPREFIX="$root/build/win/wineprefix" wineserver -k >/dev/null 2>&1 || true
fi

echo "== summary"
printf '%s\n' "${summary[@]}"
echo "$total_pass passed, $total_fail failed"
[ "$total_fail" = 0 ]

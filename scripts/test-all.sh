#!/usr/bin/env bash
# Builds every target (Linux, ASan+UBSan, TSan, 64-bit and 32-bit Windows) with warnings as
# errors and runs every test: natively, under the sanitizers, and the Windows build under
# wine64. The 32-bit DLL cannot run here; its export table is checked.
set -uo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh || exit 1

# Code style first: it is cheap, and an unformatted file fails the run.
echo "=== format: clang-format check"
format_status="format: ok"
format_out=$(git ls-files -z '*.cpp' '*.h' '*.inl' '*.c' | xargs -0 clang-format --dry-run --Werror 2>&1)
if [ -n "$format_out" ]; then
  echo "$format_out" | grep -E '^[^ ].*error:' | cut -d: -f1 | sort -u | sed 's/^/  not formatted: /'
  format_status="format: FAILED (clang-format -i the files above)"
fi

jobs=${ORNIC_JOBS:-2}
presets=${ORNIC_PRESETS:-"native asan tsan mingw64 mingw32"}
summary=("$format_status")
failed=0
[ "$format_status" = "format: ok" ] || failed=1
for preset in $presets; do
  echo "=== $preset: configure and build"
  if ! cmake --preset "$preset" -DORNIC_WERROR=ON >/dev/null ||
     ! cmake --build --preset "$preset" -j "$jobs"; then
    summary+=("$preset: BUILD FAILED")
    failed=1
    continue
  fi
  echo "=== $preset: test"
  log=build/$preset/ctest-summary.log
  ctest --preset "$preset" -j "$jobs" 2>&1 | tee "$log"
  rc=${PIPESTATUS[0]}
  line=$(grep -E 'tests passed|tests failed' "$log" | tail -1)
  summary+=("$preset: ${line:-no tests run}")
  [ "$rc" -eq 0 ] || failed=1
done

# A short soak on the native build: twelve unplug/replug cycles, under half a minute.
if [[ " $presets " == *" native "* ]]; then
  echo "=== native: short soak"
  if ORNIC_SOAK_BUILD=build/native scripts/soak.sh 12 | tail -6; then
    summary+=("soak (12 cycles): ok")
  else
    summary+=("soak (12 cycles): FAILED")
    failed=1
  fi
fi

# Fuzzing: every fuzz target for a short time (ORNIC_FUZZ_SECONDS each, 0 skips the step);
# scripts/fuzz.sh builds its own preset and leaves one summary line.
fuzz_seconds=${ORNIC_FUZZ_SECONDS:-20}
if [ "$fuzz_seconds" != 0 ]; then
  echo "=== fuzz: build and run"
  scripts/fuzz.sh "$fuzz_seconds" || failed=1
  summary+=("$(cat build/fuzz/summary.txt 2>/dev/null || echo "fuzz: no summary")")
fi

echo
echo "=== summary"
printf '%s\n' "${summary[@]}"
exit $failed

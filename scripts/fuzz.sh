#!/usr/bin/env bash
# Builds the fuzz preset (clang, libFuzzer with ASan and UBSan) and runs each fuzz target for
# the given number of seconds, starting from its seeds in fuzz/corpus/<target>/.
#   scripts/fuzz.sh [seconds] [target...]     (default 60 seconds, every target)
# Inputs that found new code go to build/fuzz/corpus/<target>/ and are kept for the next run;
# a failing input goes to build/fuzz/crashes/<target>-crash-...; each target's output to
# build/fuzz/logs/<target>.log. Prints the executions per target and ends with one summary
# line (also in build/fuzz/summary.txt); the exit status is not zero when a target failed
# (a crash, a broken check, a sanitizer report, a leak) or the build did.
set -uo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
[ $# -gt 0 ] && shift
# The target list, the same names as in fuzz/CMakeLists.txt.
targets=(param_value param_text ipv4 profile model_text feature_file command_param)
[ $# -gt 0 ] && targets=("$@")

out=build/fuzz
mkdir -p "$out"
summary_file=$out/summary.txt
rm -f "$summary_file"
if ! cmake --preset fuzz -DORNIC_WERROR=ON >/dev/null || ! cmake --build --preset fuzz -j "${ORNIC_JOBS:-2}"; then
  echo "fuzz: BUILD FAILED" | tee "$summary_file"
  exit 1
fi

mkdir -p "$out/crashes" "$out/logs"
# The profile target writes its file there: in memory where possible, since every write is
# synced to disk.
tmp=$(mktemp -d /dev/shm/ornic-fuzz.XXXXXX 2>/dev/null || mktemp -d "$PWD/$out/tmp.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
export TMPDIR=$tmp
failed=()
total=0
echo "=== fuzz: ${seconds} s per target"
for target in "${targets[@]}"; do
  corpus=$out/corpus/$target
  log=$out/logs/$target.log
  mkdir -p "$corpus"
  options=(-max_total_time="$seconds" -timeout=10 -max_len=16384 -print_final_stats=1
           -artifact_prefix="$out/crashes/$target-")
  [ -f "fuzz/dict/$target.dict" ] && options+=(-dict="fuzz/dict/$target.dict")
  "$out/bin/fuzz_$target" "${options[@]}" "$corpus" "fuzz/corpus/$target" >"$log" 2>&1
  rc=$?
  execs=$(awk '/stat::number_of_executed_units/ {print $2}' "$log" | tail -1)
  execs=${execs:-0}
  total=$((total + execs))
  if [ $rc -eq 0 ]; then
    result="ok"
  else
    result="FAILED (exit $rc, see $log)"
    failed+=("$target")
  fi
  printf '  %-14s %12s executions, %5s inputs in corpus: %s\n' "$target" "$execs" \
    "$(find "$corpus" -type f | wc -l)" "$result"
done

if [ ${#failed[@]} -eq 0 ]; then
  line="fuzz: ${#targets[@]} targets, $total executions, no failures"
else
  line="fuzz: FAILED in ${failed[*]} (inputs in $out/crashes)"
fi
echo "$line" | tee "$summary_file"
[ ${#failed[@]} -eq 0 ]

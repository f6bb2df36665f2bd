#!/bin/sh
# Builds the benchmark twice (run-time choice, and SSE2 forced), runs both with repetitions
# and prints the median-based ratio tables. Where the run-time choice is AVX-512, the AVX2
# kernels are measured as well (same build, level lowered with ORNIC_BENCH_SIMD).
# Repetitions of all benchmarks run in random order, so a noisy phase of the shared machine
# slows ours and the reference alike instead of one of them.
# Usage: bench/run-bench.sh [repetitions]
set -e
here=$(cd "$(dirname "$0")/.." && pwd)
reps=${1:-5}
run() {  # build-dir label [ORNIC_BENCH_SIMD value]
  ORNIC_BENCH_SIMD=$3 "$1/bin/convert_bench" --benchmark_repetitions="$reps" --benchmark_min_time=0.1 \
      --benchmark_enable_random_interleaving=true \
      --benchmark_report_aggregates_only=true --benchmark_out="$1/result-$2.json" \
      --benchmark_out_format=json > /dev/null
  echo "## $2"
  python3 "$here/bench/ratios.py" "$1/result-$2.json"
}
for variant in best sse2; do
  dir=${ORNIC_BENCH_BUILD:-$here/build/bench}-$variant
  force=OFF
  [ $variant = sse2 ] && force=ON
  cmake -S "$here" -B "$dir" -DCMAKE_BUILD_TYPE=Release -DORNIC_BUILD_BENCH=ON -DORNIC_BUILD_TESTS=OFF \
        -DORNIC_BUILD_TOOLS=OFF -DORNIC_CONVERT_FORCE_SSE2=$force > /dev/null
  cmake --build "$dir" --target convert_bench -j2 > /dev/null
  run "$dir" $variant
  if [ $variant = best ] && grep -q avx512vbmi /proc/cpuinfo 2>/dev/null; then
    run "$dir" avx2 avx2
  fi
done

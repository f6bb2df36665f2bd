#!/usr/bin/env bash
# Unplug/replug soak of one grabbing camera with reconnect on (bench/Soak.cpp): builds the
# native tree with the benchmarks and runs the cycles. The full run (100 cycles, about four
# minutes) also fails on a late reconnect; the short one (scripts/test-all.sh) only on a crash,
# a camera not back or threads left behind.
# Usage: scripts/soak.sh [cycles, default 100]
set -euo pipefail
cd "$(dirname "$0")/.."
cycles=${1:-100}
build=${ORNIC_SOAK_BUILD:-build/native}
cmake -S . -B "$build" -DORNIC_BUILD_BENCH=ON >/dev/null
cmake --build "$build" --target ornic_soak -j "${ORNIC_JOBS:-2}" >/dev/null
strict=
[ "$cycles" -ge 100 ] && strict=--strict
exec "$build/bin/ornic_soak" "$cycles" $strict

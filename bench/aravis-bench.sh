#!/bin/sh
# Builds the Aravis stream benchmark (Release) and runs it: the driver over the Aravis backend
# against arv-camera-test-0.8, both receiving from arv-fake-gv-camera-0.8 on 127.0.0.1.
# Nothing leaves the machine. Usage: bench/aravis-bench.sh [benchmark options, see the source]
set -e
here=$(cd "$(dirname "$0")/.." && pwd)
dir=${ORNIC_BENCH_BUILD:-$here/build/bench}-aravis
cmake -S "$here" -B "$dir" -DCMAKE_BUILD_TYPE=Release -DORNIC_BUILD_BENCH=ON -DORNIC_BUILD_TESTS=OFF \
      -DORNIC_BUILD_TOOLS=OFF > /dev/null
cmake --build "$dir" --target aravis_stream_bench ornic_sdk_aravis -j2 > /dev/null
exec "$dir/bin/aravis_stream_bench" "$@"

#!/bin/sh
# The configuration dialog's figures (bench/DialogBench.cpp): natively with the Qt backend on
# Qt's offscreen platform and on a virtual X display, and the Windows build's Win32 backend
# under wine64 on a virtual X display. Release builds of their own.
# Usage: bench/run-dialog-bench.sh [runs]
set -e
here=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-15}
native=${ORNIC_BENCH_BUILD:-$here/build/bench}-dialog
windows=$native-mingw64
cmake -S "$here" -B "$native" -DCMAKE_BUILD_TYPE=Release -DORNIC_BUILD_BENCH=ON -DORNIC_BUILD_TESTS=OFF \
      -DORNIC_BUILD_TOOLS=OFF > /dev/null
cmake --build "$native" --target dialog_bench -j2 > /dev/null
echo "## Qt, offscreen"
QT_QPA_PLATFORM=offscreen "$native/bin/dialog_bench" "$runs" 2>/dev/null
echo "## Qt, X11 (Xvfb)"
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1920x1200x24" "$native/bin/dialog_bench" "$runs" 2>/dev/null

cmake -S "$here" -B "$windows" -DCMAKE_TOOLCHAIN_FILE="$here/cmake/toolchain-mingw64.cmake" \
      -DCMAKE_BUILD_TYPE=Release -DORNIC_BUILD_BENCH=ON -DORNIC_BUILD_TESTS=OFF -DORNIC_BUILD_TOOLS=OFF > /dev/null
cmake --build "$windows" --target dialog_bench -j2 > /dev/null
echo "## Win32, wine64 (Xvfb)"
export WINEPREFIX="$windows/wineprefix"
"$here/cmake/wine-run.sh" wineboot --init > /dev/null 2>&1 || true
ORNIC_XVFB_SCREEN=1920x1200x24 sh "$here/tests/grid/wine-xvfb-test.sh" "$here/cmake/wine-run.sh" "$windows/bin/dialog_bench.exe" "$runs" 2>/dev/null

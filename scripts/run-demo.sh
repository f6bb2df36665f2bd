#!/usr/bin/env bash
# The main job: builds the Linux driver and the stand-in host program, then lets the host load
# the driver and list the simulated cameras. Extra arguments go to the host program.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset native >/dev/null
cmake --build --preset native -j "${ORNIC_JOBS:-2}" --target ornic-host ornic camsim >/dev/null
system_dir=build/native/demo-system
mkdir -p "$system_dir"
exec build/native/bin/ornic-host --system-path "$system_dir" "$@"

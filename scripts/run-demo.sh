#!/usr/bin/env bash
# The main job: builds the Linux driver and the stand-in host program, then lets the host load
# the driver, open every simulated camera and save a few frames from each.
# With arguments, they go to the host program instead (scripts/run-demo.sh --help, list, ...).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset native >/dev/null
cmake --build --preset native -j "${ORNIC_JOBS:-2}" --target ornic-host ornic camsim >/dev/null
host=build/native/bin/ornic-host
if [ $# -gt 0 ]; then
  exec "$host" "$@"
fi

out=${ORNIC_DEMO_OUT:-build/native/demo-frames}
rm -rf "$out"
status=0
"$host" grab --frames "${ORNIC_DEMO_FRAMES:-3}" --out "$out" || status=$?
echo
if compgen -G "$out/*" >/dev/null; then
  echo "frames saved in $(cd "$out" && pwd):"
  ls -1 "$out" | sed 's/^/  /'
else
  echo "no frames were saved"
fi
exit $status

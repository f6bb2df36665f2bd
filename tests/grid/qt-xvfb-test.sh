#!/bin/sh
# The Qt dialog as a person sees and uses it: ornic-host (a host without Qt of its own, so the
# dialog library makes its application object) opens the dialog on a virtual X display; real
# key presses (XTEST, xdotool) select a setting, type a new value and confirm with Enter; the
# window's picture is taken with ImageMagick.
# Usage: qt-xvfb-test.sh ORNIC_HOST PICTURE.png   (exit 77: xvfb-run, xdotool or import missing)
set -u
host=$1
picture=$2
if [ -z "${ORNIC_XVFB_INNER:-}" ]; then
  for tool in xvfb-run xdotool import; do
    command -v "$tool" >/dev/null 2>&1 || { echo "skipped: $tool is not installed"; exit 77; }
  done
  ORNIC_XVFB_INNER=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" sh "$0" "$@"
fi

camera="SIM-GM130 (S1000001)"
dir=$(mktemp -d)
pid=
cleanup() { [ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$dir"; }
trap cleanup EXIT
fail() { echo "FAILED: $*"; [ -f "$dir/host.log" ] && tail -20 "$dir/host.log"; exit 1; }

# A larger window than the default, and one section folded, as a user leaves it.
printf '[Port.0.0]\r\n$Camera=%s\r\n[General]\r\nlib_DialogWidth=960\r\nlib_DialogHeight=600\r\nlib_CollapsedSec=DeviceControl\r\n' \
  "$camera" > "$dir/ornic.ini"
unset QT_QPA_PLATFORM
"$host" configure --camera "$camera" --system-path "$dir" --log-file "$dir/driver.log" > "$dir/host.log" 2>&1 &
pid=$!

window=
for _ in $(seq 1 100); do
  window=$(xdotool search --name "^Configure camera : " 2>/dev/null | head -1)
  [ -n "$window" ] && break
  sleep 0.2
done
[ -n "$window" ] || fail "no dialog window appeared"
sleep 0.5
xdotool windowfocus --sync "$window" || fail "cannot focus the dialog"

# General's rows: DrvVersion, SdkVersion, SyncContinousMode, CameraBufferCount (the fifth row).
xdotool key --delay 60 Down Down Down Down Down
sleep 0.4
import -window "$window" "$picture" || fail "cannot take the picture"
size=$(identify -format '%wx%h' "$picture")
[ "$size" = "960x600" ] || fail "the window is $size, not 960x600"

xdotool key --delay 60 F2
xdotool type --delay 60 7
xdotool key --delay 60 Return
sleep 0.3
xdotool key --delay 60 Return
for _ in $(seq 1 100); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
wait "$pid"
rc=$?
pid=
[ "$rc" -eq 0 ] || fail "ornic-host configure ended with $rc (OK not confirmed)"
grep -q "CameraBufferCount=7" "$dir/ornic.ini" || fail "the typed value is not in the ini file"
grep -q "lib_DialogWidth=960" "$dir/ornic.ini" || fail "the window size is not remembered"
echo "ok: typed value stored, picture $picture"

#!/bin/sh
# Runs the Win32 dialog test under wine64 on a virtual X display. Wine draws the windows'
# frames itself (Decorated=N), as Windows would, since no window manager runs on Xvfb.
# Usage: wine-xvfb-test.sh WINE_RUN TEST.exe [arguments]   (exit 77: xvfb-run missing)
set -u
wine_run=$1
shift
command -v xvfb-run >/dev/null 2>&1 || { echo "skipped: xvfb-run is not installed"; exit 77; }
"$wine_run" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f >/dev/null 2>&1
# A wine session started without a display (the prefix set-up, the line above) keeps a desktop
# that cannot show windows while its server lives: wait until that server has ended.
server=$(command -v wineserver || true)
[ -n "$server" ] || server=/usr/lib/wine/wineserver
[ -x "$server" ] && "$server" -w
exec xvfb-run -a -s "-screen 0 ${ORNIC_XVFB_SCREEN:-1280x1024x24}" "$wine_run" "$@"

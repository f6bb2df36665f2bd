#!/bin/sh
# Takes the configuration dialog's pictures again and copies them into docs/: the Qt one from
# the real-input run on Xvfb (native build), the Win32 one from the wine64 run on Xvfb (mingw64
# build). Both builds must exist (scripts/test-all.sh makes them).
set -e
cd "$(dirname "$0")/.."
ctest --test-dir build/native -R '^dialog_qt_xvfb$' --output-on-failure
ctest --test-dir build/mingw64 -R '^dialog_win32_xvfb$' --output-on-failure
cp build/native/dialog-qt-xvfb.png docs/dialog-qt.png
convert build/mingw64/dialog-win32.bmp docs/dialog-win32.png
echo "docs/dialog-qt.png docs/dialog-win32.png"

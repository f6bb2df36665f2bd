#!/usr/bin/env bash
# Runs a 64-bit Windows test binary under wine64 with a private prefix inside the build tree.
# Debian installs the loader as /usr/lib/wine/wine64 without a wrapper on PATH.
set -e
wine=$(command -v wine64 || true)
[ -n "$wine" ] || wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=$(command -v wine)
build_dir=${ORNIC_WINE_BUILD_DIR:-$PWD}
export WINEPREFIX=${WINEPREFIX:-$build_dir/wineprefix}
export WINEDEBUG=-all
mkdir -p "$WINEPREFIX"
exec "$wine" "$@"

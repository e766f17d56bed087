#!/usr/bin/env bash
# Runs a Windows program under Wine in the build tree's private prefix
# (WINEPREFIX, when set, wins; KVX_WINE names the loader, default wine).
# A 32-bit program on a machine that cannot execute 32-bit code exits 77, which
# ctest reports as skipped.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$here/build/mingw/wine/prefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
loader=${KVX_WINE:-wine}
if [ "$loader" = wine ] && ! "$here/scripts/can-run-32bit.sh"; then
    echo "SKIPPED: this machine cannot execute 32-bit x86 code, so Wine cannot run $(basename "$1");"
    echo "the same checks run against the 64-bit build under wine64 (preset wine64)."
    exit 77
fi
exec "$loader" "$@"

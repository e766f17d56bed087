#!/usr/bin/env bash
# Runs a Windows program under Wine in the build tree's private prefix
# (WINEPREFIX, when set, wins). KVX_WINE names a loader for 64-bit programs;
# without it the program is 32-bit and runs through wine32.sh, which exits 77
# (reported by ctest as skipped) on a machine with no way to run 32-bit code.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$here/build/mingw/wine/prefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
exec "${KVX_WINE:-$here/scripts/wine32.sh}" "$@"

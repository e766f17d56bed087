#!/usr/bin/env bash
# Runs a Windows program under Wine in the build tree's private prefix
# (WINEPREFIX, when set, wins). KVX_WINE names a loader for 64-bit programs;
# without it the program is 32-bit and runs through wine32.sh, which exits 77
# (reported by ctest as skipped) on a machine with no way to run 32-bit code.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
. "$here/scripts/wine-env.sh"
kvx_wine_prefix "$here/build/mingw/wine/prefix"
exec "${KVX_WINE:-$here/scripts/wine32.sh}" "$@"

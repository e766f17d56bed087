#!/usr/bin/env bash
# Runs a Windows program under Wine in the build tree's private prefix
# (WINEPREFIX, when set, wins). ctest uses it as the cross build's emulator.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$here/build/mingw/wine/prefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
exec wine "$@"

#!/usr/bin/env bash
# Builds KVX_32.dll and kvxctl.exe and takes a short tour of the library with
# them under Wine, in a private prefix inside the build tree. On a machine that
# cannot execute 32-bit x86 code, the tour runs the 64-bit build of the same
# sources under wine64 instead, and says so.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset mingw >/dev/null
cmake --build --preset mingw --target kvx32 kvxctl
if scripts/can-run-32bit.sh; then
    scripts/tour.sh build/mingw/bin
else
    echo "NOTE: this machine cannot execute 32-bit x86 code, so Wine cannot run the 32-bit"
    echo "      KVX_32.dll built in build/mingw/bin. The tour uses the 64-bit build of the"
    echo "      same sources under wine64."
    echo
    cmake --preset wine64 >/dev/null
    cmake --build --preset wine64 --target kvx32 kvxctl
    KVX_WINE=/usr/lib/wine/wine64 scripts/tour.sh build/wine64/bin
fi

#!/usr/bin/env bash
# Builds KVX_32.dll and kvxctl.exe and takes a short tour of the library with
# them under Wine, in a private prefix inside the build tree. On a machine that
# cannot execute 32-bit x86 code, the tour runs in a virtual machine that can
# (scripts/wine32.sh); only where none can start does it fall back to the 64-bit
# build of the same sources under wine64, and says so.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset mingw >/dev/null
cmake --build --preset mingw --target kvx32 kvxctl kvxnp
if route=$(scripts/wine32.sh --route); then
    echo "# KVX_32.dll (32-bit) under Wine, route: $route"
    scripts/wine32.sh --session tests/tour/kvxctl_tour.sh wine build/mingw/bin
else
    echo "NOTE: this machine has no way to run 32-bit x86 code (see above), so Wine cannot"
    echo "      run the 32-bit KVX_32.dll built in build/mingw/bin. The tour uses the 64-bit"
    echo "      build of the same sources under wine64, as Windows NT 4.0: it registers the"
    echo "      Windows NT 4 driver under the 64-bit spooler's environment \"Windows x64\"."
    echo
    cmake --preset wine64 >/dev/null
    cmake --build --preset wine64 --target kvx32 kvxctl kvxnp
    KVX_WINE=/usr/lib/wine/wine64 KVX_TOUR_RELEASE=nt40 tests/tour/kvxctl_tour.sh wine build/wine64/bin
fi

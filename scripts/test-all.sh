#!/usr/bin/env bash
# Builds and runs every test: native, sanitized, and the product with its checks
# under Wine. Installs the Debian packages it lacks first.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
for preset in native sanitize mingw wine64; do
    echo "=== $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    # The Wine checks include dialogs: give the whole run one display (a virtual
    # one unless DISPLAY is set) before the first Wine program starts. The checks
    # of the 32-bit DLL run as one session of scripts/wine32.sh: on a machine that
    # cannot execute 32-bit code, in one virtual machine that can.
    session=()
    [ "$preset" != mingw ] || session=(scripts/wine32.sh --session)
    "${session[@]}" tests/wine/on_display.sh ctest --preset "$preset"
    if [ "$preset" = native ]; then
        echo "=== native under valgrind memcheck"
        scripts/memcheck.sh
    fi
done

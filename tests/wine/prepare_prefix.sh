#!/usr/bin/env bash
# Creates the private Wine prefix of the checks (once), gives each per-release
# copy of the check program its Windows release, and registers the test network
# provider when KVX_NET_DLL_DIR names the folder of kvxnp.dll (with the network
# of tests/wine/test_network.txt): prepare_prefix.sh PREFIX RELEASE...
# KVX_WINE names the loader of 64-bit programs; without it the prefix serves
# 32-bit programs through scripts/wine32.sh, with a persistent wineserver.
set -euo pipefail
prefix=$1; shift
here=$(cd "$(dirname "$0")/../.." && pwd)
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine32=$here/scripts/wine32.sh
if [ -z "${KVX_WINE:-}" ] && ! "$wine32" --route >/dev/null 2>&1; then
    echo "SKIPPED: this machine has no way to run 32-bit x86 code (see scripts/wine32.sh)."
    exit 77
fi
wine=${KVX_WINE:-$wine32}
mkdir -p "$prefix"
wineserver -k 2>/dev/null || true
wineserver -w
if [ ! -f "$prefix/system.reg" ]; then
    if [ -n "${KVX_WINE:-}" ]; then
        "$wine" wineboot -i >/dev/null 2>&1 || true
    else
        "$wine32" --init-prefix </dev/null >/dev/null 2>&1 || true
    fi
    wineserver -w
fi
if [ -n "${KVX_NET_DLL_DIR:-}" ]; then
    WINE=$wine "$here/tests/wine/netprovider/register.sh" "$prefix" "$KVX_NET_DLL_DIR" \
        "$here/tests/wine/test_network.txt" </dev/null >/dev/null
    wineserver -w
fi
# A persistent server keeps Wine's own services up between the programs, which
# matters when every process start is emulated (the cleanup test stops it).
[ -n "${KVX_WINE:-}" ] || "$wine32" --server </dev/null >/dev/null 2>&1
# Under emulation a program occasionally dies while Wine's services start: try again.
set_release() { # set_release RELEASE
    local attempt
    for attempt in 1 2 3; do
        "$wine" reg add "HKCU\\Software\\Wine\\AppDefaults\\kvx_checks_$1.exe" \
            /v Version /d "$1" /f </dev/null >/dev/null 2>&1 && return 0
        echo "prepare_prefix: setting $1 failed (attempt $attempt)" >&2
    done
    return 1
}
for release in "$@"; do
    set_release "$release"
done
[ -z "${KVX_WINE:-}" ] || wineserver -w

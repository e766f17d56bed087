#!/usr/bin/env bash
# Creates the private Wine prefix of the checks (once), gives each per-release
# copy of the check program its Windows release, and registers the test network
# provider when KVX_NET_DLL_DIR names the folder of kvxnp.dll (with the network
# of tests/data/test_network.txt): prepare_prefix.sh PREFIX RELEASE...
# KVX_WINE names the loader of 64-bit programs; without it the prefix serves
# 32-bit programs through scripts/wine32.sh, with a persistent wineserver.
set -euo pipefail
prefix=$1; shift
here=$(cd "$(dirname "$0")/../.." && pwd)
export WINEPREFIX=$prefix
# shellcheck source=scripts/wine-env.sh
. "$here/scripts/wine-env.sh"
kvx_wine_loader "$here"
wine32=$here/scripts/wine32.sh
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
    [ -f "$prefix/system.reg" ] || { echo "prepare_prefix: Wine could not create $prefix" >&2; exit 1; }
fi
# A persistent server keeps Wine's own services up between the programs, so that
# each program here and each check does not start them again (the cleanup test
# stops it).
[ -n "${KVX_WINE:-}" ] || "$wine32" --server </dev/null >/dev/null 2>&1
if [ -n "${KVX_NET_DLL_DIR:-}" ]; then
    WINE=$wine "$here/tests/netprovider/register.sh" "$prefix" "$KVX_NET_DLL_DIR" \
        "$here/tests/data/test_network.txt" </dev/null >/dev/null
    [ -z "${KVX_WINE:-}" ] || wineserver -w
fi
# Each release's copy of the check program: one registry file, one Wine program.
if [ $# -gt 0 ]; then
    regfile=$prefix/drive_c/windows/temp/kvx-releases.reg
    for release in "$@"; do
        printf '\n[HKEY_CURRENT_USER\\Software\\Wine\\AppDefaults\\kvx_checks_%s.exe]\n' "$release"
        printf '"Version"="%s"\n' "$release"
    done | { echo REGEDIT4; cat; } >"$regfile"
    "$wine" reg import 'C:\windows\temp\kvx-releases.reg' </dev/null >/dev/null
    rm -f "$regfile"
fi
[ -z "${KVX_WINE:-}" ] || wineserver -w

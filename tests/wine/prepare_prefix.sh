#!/usr/bin/env bash
# Creates the private Wine prefix of the checks (once) and gives each per-release
# copy of the check program its Windows release: prepare_prefix.sh PREFIX RELEASE...
# With KVXNP_DIR naming the folder of a built kvxnp.dll, it also registers the test
# network provider serving tests/wine/test_network.txt.
set -euo pipefail
prefix=$1; shift
here=$(cd "$(dirname "$0")/../.." && pwd)
if [ "${KVX_WINE:-wine}" = wine ] && ! "$here/scripts/can-run-32bit.sh"; then
    echo "SKIPPED: this machine cannot execute 32-bit x86 code, so Wine cannot run 32-bit programs."
    exit 77
fi
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$prefix"
if [ ! -f "$prefix/system.reg" ]; then
    "${KVX_WINE:-wine}" wineboot -i >/dev/null 2>&1 || true
    wineserver -w
fi
if [ -n "${KVXNP_DIR:-}" ]; then
    WINE=${KVX_WINE:-wine} "$here/tests/wine/netprovider/register.sh" "$prefix" "$KVXNP_DIR" \
        "$here/tests/wine/test_network.txt" >/dev/null
fi
for release in "$@"; do
    "${KVX_WINE:-wine}" reg add "HKCU\\Software\\Wine\\AppDefaults\\kvx_checks_$release.exe" \
        /v Version /d "$release" /f >/dev/null
done
wineserver -w
